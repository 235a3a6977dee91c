#include "app/gui/binder.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QPainter>
#include <QPointer>
#include <QSignalBlocker>
#include <QTextBlock>
#include <QVBoxLayout>
#include <stdexcept>

#include "app/gui/qt_text.h"

namespace bq::gui {
namespace {

QIcon swatch(std::int32_t colour) {
  QPixmap p(14, 14);
  p.fill(toQColor(colour));
  QPainter painter(&p);
  painter.setPen(Qt::darkGray);
  painter.drawRect(0, 0, 13, 13);
  return QIcon(p);
}

// Puts engine text into a plain-text box, keeping the caret where the engine left it.
void showText(QPlainTextEdit* w, const TextBox& box) {
  QString text = qs(box.text());
  if (w->toPlainText() == text) return;
  QSignalBlocker block(w);
  w->setPlainText(text);
  QTextCursor c = w->textCursor();
  c.setPosition(utf16Index(text, box.selStart()));
  w->setTextCursor(c);
}

}  // namespace

Binder::Binder(frmMain& form, QObject* parent) : QObject(parent), form_(form) {}

template <class T>
T& Binder::control(const std::string& name) {
  T* c = form_.registry().find<T>(name);
  if (!c) throw std::logic_error("no control " + name + " of the expected kind");
  return *c;
}

QLineEdit* Binder::line(const std::string& name) {
  auto& box = control<TextBox>(name);
  auto* w = new QLineEdit(qs(box.text()));
  w->setObjectName(qs(name));
  w->setReadOnly(box.readOnly());
  if (!box.toolTip().empty()) w->setToolTip(qs(box.toolTip()));
  QPointer<QLineEdit> guard(w);
  box.observe([guard, &box] {
    if (!guard || guard->text() == qs(box.text())) return;
    QSignalBlocker block(guard.data());
    guard->setText(qs(box.text()));
  });
  connect(w, &QLineEdit::textEdited, this, [&box](const QString& t) { box.setText(str(t)); });
  return w;
}

QPlainTextEdit* Binder::area(const std::string& name, int lines) {
  auto& box = control<TextBox>(name);
  auto* w = new QPlainTextEdit;
  w->setObjectName(qs(name));
  w->setPlainText(qs(box.text()));
  w->setTabChangesFocus(true);
  int h = w->fontMetrics().lineSpacing() * lines + 12;
  w->setMinimumHeight(h);
  if (lines <= 2) {
    w->setMaximumHeight(h);
    w->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  }
  QPointer<QPlainTextEdit> guard(w);
  box.observe([guard, &box] {
    if (guard) showText(guard, box);
  });
  connect(w, &QPlainTextEdit::textChanged, this, [w, &box] { box.setText(str(w->toPlainText())); });
  w->installEventFilter(this);
  return w;
}

bool Binder::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() != QEvent::KeyPress) return false;
  auto* key = static_cast<QKeyEvent*>(event);
  if (key->key() != Qt::Key_Return && key->key() != Qt::Key_Enter) return false;
  auto* w = qobject_cast<QPlainTextEdit*>(watched);
  auto* box = w ? form_.registry().find<TextBox>(str(w->objectName())) : nullptr;
  if (!box) return false;
  // The engine needs the caret to put the line-break tag in; the box then adds its own line
  // break as for any Enter.
  QString text = w->toPlainText();
  QTextCursor c = w->textCursor();
  std::size_t start = charIndex(text, c.selectionStart());
  std::size_t end = charIndex(text, c.selectionEnd());
  box->setSelection(start, end - start);
  std::int16_t code = kKeyEnter;
  form_.keyDown(*box, code);
  return code != kKeyEnter;
}

QComboBox* Binder::combo(const std::string& name) {
  auto& box = control<ComboBox>(name);
  auto* w = new QComboBox;
  w->setObjectName(qs(name));
  if (!box.idleText().empty()) w->setToolTip(qs(box.idleText()));
  auto sync = [w, &box] {
    QSignalBlocker block(w);
    if (w->count() != static_cast<int>(box.items().size())) {
      w->clear();
      for (const auto& item : box.items()) w->addItem(qs(item));
    }
    w->setPlaceholderText(box.listIndex() < 0 ? qs(box.text()) : QString());
    w->setCurrentIndex(box.listIndex());
  };
  sync();
  QPointer<QComboBox> guard(w);
  box.observe([guard, sync] {
    if (guard) sync();
  });
  connect(w, &QComboBox::activated, this, [&box](int index) { box.setListIndex(index); });
  return w;
}

// A checkable widget shows "value is 1"; a click goes to the control, whose value (which its
// group may have decided otherwise) the widget then shows.
template <class Button, class W>
void bindPressed(Binder* binder, W* w, Button& b) {
  w->setChecked(b.value() == 1);
  QPointer<W> guard(w);
  b.observe([guard, &b] {
    if (!guard) return;
    QSignalBlocker block(guard.data());
    guard->setChecked(b.value() == 1);
  });
  QObject::connect(w, &QAbstractButton::clicked, binder, [w, &b] {
    b.click();
    QSignalBlocker block(w);
    w->setChecked(b.value() == 1);
  });
}

QRadioButton* Binder::option(const std::string& name) {
  auto& b = control<OptionButton>(name);
  auto* w = new QRadioButton(qs(b.caption()));
  w->setObjectName(qs(name));
  w->setAutoExclusive(false);  // the engine's group decides
  bindPressed(this, w, b);
  return w;
}

QToolButton* Binder::toggle(const std::string& name) {
  auto& b = control<ToggleButton>(name);
  auto* w = new QToolButton;
  w->setObjectName(qs(name));
  w->setText(qs(b.caption()));
  w->setCheckable(true);
  QFont f = w->font();
  f.setBold(true);
  w->setFont(f);
  bindPressed(this, w, b);
  return w;
}

QCheckBox* Binder::check(const std::string& name) {
  auto& box = control<CheckBox>(name);
  auto* w = new QCheckBox(qs(box.caption()));
  w->setObjectName(qs(name));
  bindPressed(this, w, box);
  return w;
}

QPushButton* Binder::button(const std::string& name) {
  auto& b = control<PushButton>(name);
  auto* w = new QPushButton(qs(b.caption()));
  w->setObjectName(qs(name));
  if (form_.colours.slot(name)) {
    w->setIcon(swatch(b.swatch()));
    QPointer<QPushButton> guard(w);
    b.observe([guard, &b] {
      if (guard) guard->setIcon(swatch(b.swatch()));
    });
  }
  connect(w, &QPushButton::clicked, this, [&b] { b.click(); });
  return w;
}

QWidget* Binder::dimension(const std::string& textName) {
  DimensionBox* d = form_.dimension(textName);
  if (!d) throw std::logic_error("no width or height box " + textName);
  auto* holder = new QWidget;
  auto* layout = new QHBoxLayout(holder);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(1);
  QLineEdit* edit = line(textName);
  edit->setMaximumWidth(edit->fontMetrics().horizontalAdvance(QStringLiteral("000000")) + 12);
  connect(edit, &QLineEdit::editingFinished, this, [d] { d->focusLost(); });
  layout->addWidget(edit);
  auto* arrows = new QWidget;
  arrows->setObjectName(qs(d->updn.name()));
  auto* v = new QVBoxLayout(arrows);
  v->setContentsMargins(0, 0, 0, 0);
  v->setSpacing(0);
  for (int dir : {1, -1}) {
    auto* arrow = new QToolButton;
    arrow->setArrowType(dir > 0 ? Qt::UpArrow : Qt::DownArrow);
    arrow->setObjectName(qs(d->updn.name() + (dir > 0 ? "Up" : "Down")));
    arrow->setFixedSize(16, 11);
    arrow->setAutoRepeat(true);
    connect(arrow, &QToolButton::clicked, this, [d, dir] { d->updn.stepBy(dir); });
    v->addWidget(arrow);
  }
  layout->addWidget(arrows);
  return holder;
}

}  // namespace bq::gui

#include "gui/binder.h"

#include <QAbstractScrollArea>
#include <QAccessible>
#include <QAccessibleWidget>
#include <QCoreApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QPainter>
#include <QPointer>
#include <QSignalBlocker>
#include <QTextBlock>
#include <QTimer>
#include <QVBoxLayout>
#include <memory>
#include <stdexcept>

#include "gui/qt_text.h"

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

// A title or body box: pasted text goes through the engine, so that its line breaks come out
// as Enter would give them.
class TextArea : public QPlainTextEdit {
 public:
  TextArea(frmMain& form, TextBox& box) : form_(form), box_(box) {
    // The style's own frame of a text area is lost at 125 % and 150 % (the viewport paints
    // over its one line); drawn as a border it stays, and shows the focus as a line box does.
    setStyleSheet(
        QStringLiteral("QPlainTextEdit { border: 1px solid palette(mid); }"
                       "QPlainTextEdit:focus { border-color: palette(highlight); }"));
  }

 protected:
  void insertFromMimeData(const QMimeData* source) override {
    if (!source->hasText()) return QPlainTextEdit::insertFromMimeData(source);
    textCursor().insertText(qs(form_.pastedText(box_, str(source->text()))));
    ensureCursorVisible();
  }

 private:
  frmMain& form_;
  TextBox& box_;
};

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

// An option button as screen readers must hear it: one of a group. Qt announces a radio button
// that is not auto-exclusive as a check box; ours are not, because the engine's group decides.
// (Asked for while the button is being made, before it is told so: every radio button gets it.)
class OptionAccessible : public QAccessibleWidget {
 public:
  explicit OptionAccessible(QRadioButton* w) : QAccessibleWidget(w, QAccessible::RadioButton) {}
  QAccessible::State state() const override {
    QAccessible::State s = QAccessibleWidget::state();
    s.checkable = true;
    s.checked = button()->isChecked();
    return s;
  }
  QString text(QAccessible::Text t) const override {
    if (t == QAccessible::Name && widget()->accessibleName().isEmpty()) {
      return QString(button()->text()).remove(QLatin1Char('&'));
    }
    return QAccessibleWidget::text(t);
  }
  QStringList actionNames() const override { return {pressAction()}; }
  void doAction(const QString& action) override {
    if (action == pressAction()) button()->click();
  }

 private:
  QRadioButton* button() const { return static_cast<QRadioButton*>(widget()); }
};

// A drop-down list as screen readers must hear it: named by what it sets, its choice as its
// value. Qt's own gives a list on Linux its current text as its name, so the ten size lists
// all said 「2」.
class ComboAccessible : public QAccessibleWidget {
 public:
  explicit ComboAccessible(QComboBox* w) : QAccessibleWidget(w, QAccessible::ComboBox) {
    addControllingSignal(QStringLiteral("currentIndexChanged(int)"));
  }
  QString text(QAccessible::Text t) const override {
    if (t == QAccessible::Name && !widget()->accessibleName().isEmpty()) {
      return widget()->accessibleName();
    }
    if (t == QAccessible::Value || t == QAccessible::Name) return box()->currentText();
    return QAccessibleWidget::text(t);
  }
  QStringList actionNames() const override { return {showMenuAction(), pressAction()}; }
  void doAction(const QString& action) override {
    if (action == showMenuAction() || action == pressAction()) box()->showPopup();
  }

 private:
  QComboBox* box() const { return static_cast<QComboBox*>(widget()); }
};

QAccessibleInterface* optionAccessible(const QString& key, QObject* object) {
  if (auto* w = qobject_cast<QRadioButton*>(object); w && key == QLatin1String("QRadioButton")) {
    return new OptionAccessible(w);
  }
  if (auto* w = qobject_cast<QComboBox*>(object); w && key == QLatin1String("QComboBox")) {
    return new ComboAccessible(w);
  }
  // A widget that acts as a button though it is none (a gallery's card, which Enter takes).
  if (auto* w = qobject_cast<QWidget*>(object);
      w && object->property(kSpokenAsButton).toBool() && key == QLatin1String("QFrame")) {
    return new QAccessibleWidget(w, QAccessible::Button);
  }
  return nullptr;
}

}  // namespace

Binder::Binder(frmMain& form, QObject* parent) : QObject(parent), form_(form) {
  static const bool installed = (QAccessible::installFactory(optionAccessible), true);
  (void)installed;
}

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
  connect(w, &QLineEdit::textEdited, this, [this, &box](const QString& t) {
    History::Action step(form_.history);
    box.setText(str(t));
  });
  w->installEventFilter(this);
  historyMenu(w, [w] { return w->createStandardContextMenu(); });
  return w;
}

void Binder::historyMenu(QWidget* box, std::function<QMenu*()> standard) {
  box->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(box, &QWidget::customContextMenuRequested, this, [this, box, standard](QPoint at) {
    std::unique_ptr<QMenu> menu(standard());
    // The toolkit's entries, known by their words (in whatever language it speaks).
    const char* context = qobject_cast<QLineEdit*>(box) ? "QLineEdit" : "QWidgetTextControl";
    const QString undoText = QCoreApplication::translate(context, "&Undo");
    const QString redoText = QCoreApplication::translate(context, "&Redo");
    for (QAction* a : menu->actions()) {
      QString words = a->text().section(QLatin1Char('\t'), 0, 0);
      bool undo = words == undoText;
      if (!undo && words != redoText) continue;
      a->setObjectName(undo ? QStringLiteral("edit-undo") : QStringLiteral("edit-redo"));
      a->disconnect();  // from the box's own undo
      a->setEnabled(undo ? form_.history.canUndo() : form_.history.canRedo());
      connect(a, &QAction::triggered, this, [this, undo] {
        if (undo) {
          form_.history.undo();
        } else {
          form_.history.redo();
        }
      });
    }
    menu->exec(box->mapToGlobal(at));
  });
}

QPlainTextEdit* Binder::area(const std::string& name, int lines) {
  auto& box = control<TextBox>(name);
  auto* w = new TextArea(form_, box);
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
  box.observe([this, guard, &box] {
    // The Enter rule's own edit is made in the box as one undoable step (eventFilter).
    if (guard && guard != enterIn_) showText(guard, box);
  });
  connect(w, &QPlainTextEdit::textChanged, this, [this, w, &box] {
    History::Action step(form_.history);
    box.setText(str(w->toPlainText()));
  });
  // The listing's history takes back typing too, in order with every other change.
  w->setUndoRedoEnabled(false);
  w->installEventFilter(this);
  historyMenu(w, [w] { return w->createStandardContextMenu(); });
  return w;
}

bool Binder::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::Wheel) return wheelWithoutFocus(watched, event);
  if (event->type() == QEvent::ShortcutOverride) {
    // Ctrl+Z and Ctrl+Y in a box are the window's: one history for typing and everything else.
    auto* key = static_cast<QKeyEvent*>(event);
    if (key->matches(QKeySequence::Undo) || key->matches(QKeySequence::Redo) ||
        key->keyCombination() == QKeyCombination(Qt::CTRL, Qt::Key_Y)) {
      event->ignore();
      return true;
    }
    return false;
  }
  if (event->type() != QEvent::KeyPress) return false;
  auto* key = static_cast<QKeyEvent*>(event);
  if (key->key() != Qt::Key_Return && key->key() != Qt::Key_Enter) return false;
  auto* w = qobject_cast<QPlainTextEdit*>(watched);
  auto* box = w ? form_.registry().find<TextBox>(str(w->objectName())) : nullptr;
  if (!box) return false;
  // The engine puts the line-break tag at the caret; the box then adds its own line break.
  // Both land in the box through one edit block, so that a single undo takes back the Enter
  // and nothing before it.
  QString before = w->toPlainText();
  QTextCursor c = w->textCursor();
  std::size_t start = charIndex(before, c.selectionStart());
  std::size_t end = charIndex(before, c.selectionEnd());
  box->setSelection(start, end - start);
  std::int16_t code = kKeyEnter;
  History::Action step(form_.history);
  enterIn_ = w;
  form_.keyDown(*box, code);
  enterIn_ = nullptr;
  QString after = qs(box->text());
  int head = 0;
  while (head < before.size() && head < after.size() && before[head] == after[head]) ++head;
  int tail = 0;
  while (tail < before.size() - head && tail < after.size() - head &&
         before[before.size() - 1 - tail] == after[after.size() - 1 - tail]) {
    ++tail;
  }
  c.beginEditBlock();
  c.setPosition(head);
  c.setPosition(static_cast<int>(before.size()) - tail, QTextCursor::KeepAnchor);
  c.insertText(after.mid(head, after.size() - head - tail));
  c.setPosition(utf16Index(after, box->selStart() + box->selLength()));
  if (code == kKeyEnter) c.insertText(QStringLiteral("\n"));
  c.endEditBlock();
  w->setTextCursor(c);
  return true;
}

bool Binder::wheelWithoutFocus(QObject* watched, QEvent* event) {
  auto* w = qobject_cast<QWidget*>(watched);
  if (!w || w->hasFocus()) return false;
  // The wheel scrolls the form; it changes a list or number only once the seller picked it.
  for (QWidget* p = w->parentWidget(); p; p = p->parentWidget()) {
    if (auto* area = qobject_cast<QAbstractScrollArea*>(p)) {
      QCoreApplication::sendEvent(area->viewport(), event);
      break;
    }
  }
  return true;
}

QComboBox* Binder::combo(const std::string& name) {
  auto& box = control<ComboBox>(name);
  auto* w = new QComboBox;
  w->setObjectName(qs(name));
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
  connect(w, &QComboBox::activated, this, [this, &box](int index) {
    History::Action step(form_.history);
    box.setListIndex(index);
  });
  w->setFocusPolicy(Qt::StrongFocus);
  w->installEventFilter(this);
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
  QObject::connect(w, &QAbstractButton::clicked, binder, [binder, w, &b] {
    History::Action step(binder->history());
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
  connect(w, &QRadioButton::toggled, w, [w] {
    QAccessible::State changed;
    changed.checked = true;
    QAccessibleStateChangeEvent event(w, changed);
    QAccessible::updateAccessibility(&event);
  });
  bindPressed(this, w, b);
  return w;
}

QToolButton* Binder::toggle(const std::string& name) {
  auto& b = control<ToggleButton>(name);
  auto* w = new QToolButton;
  w->setObjectName(qs(name));
  w->setText(qs(b.caption()));
  w->setCheckable(true);
  // Pressed must be unmistakable in every Qt style: filled, white on blue, caption in bold.
  w->setStyleSheet(QStringLiteral(
      "QToolButton { padding: 2px 6px; border: 1px solid #9a9a9a; border-radius: 3px;"
      " background: #f4f4f4; font-weight: normal; }"
      "QToolButton:checked { background: #1f5fbf; color: white; border-color: #123d7a;"
      " font-weight: bold; }"));
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
  w->setEnabled(b.enabled());
  QPointer<QPushButton> guard(w);
  bool colour = form_.colours.slot(name) != nullptr;
  if (colour) w->setIcon(swatch(b.swatch()));
  b.observe([guard, &b, colour] {
    if (!guard) return;
    guard->setEnabled(b.enabled());
    if (colour) guard->setIcon(swatch(b.swatch()));
  });
  connect(w, &QPushButton::clicked, this, [this, &b] {
    History::Action step(form_.history);
    b.click();
  });
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
  // Text the box refuses is framed red, and the tooltip says what it takes.
  QString normalTip = edit->toolTip();
  QPointer<QLineEdit> guard(edit);
  auto showRefusal = [guard, d, normalTip] {
    if (!guard) return;
    bool refused = d->refused();
    if (guard->property("refused").toBool() == refused && !refused) return;
    guard->setProperty("refused", refused);
    guard->setStyleSheet(refused ? QStringLiteral("QLineEdit { border: 2px solid #d00000; }")
                                 : QString());
    guard->setToolTip(refused ? normalTip + QStringLiteral("\n") + qs(d->allowedRange())
                              : normalTip);
  };
  connect(edit, &QLineEdit::textEdited, this, showRefusal);
  d->txt.observe([showRefusal] { QTimer::singleShot(0, showRefusal); });
  connect(edit, &QLineEdit::editingFinished, this, [this, d] {
    History::Action step(form_.history);
    d->focusLost();
  });
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
    // Named by what it does, for screen readers: the arrow alone says nothing.
    arrow->setAccessibleName(
        normalTip + (dir > 0 ? QStringLiteral("を 10 増やす") : QStringLiteral("を 10 減らす")));
    connect(arrow, &QToolButton::clicked, this, [this, d, dir] {
      History::Action step(form_.history);
      d->updn.stepBy(dir);
    });
    v->addWidget(arrow);
  }
  layout->addWidget(arrows);
  return holder;
}

}  // namespace bq::gui

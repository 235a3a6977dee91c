#include "gui/design_gallery_dialog.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QFrame>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>
#include <QWebEngineSettings>
#include <algorithm>
#include <functional>

#include "app/copies/design_gallery.h"
#include "app/window/frm_main.h"
#include "checks/phone_width.h"
#include "files/safe_file.h"
#include "gui/binder.h"
#include "gui/flow_layout.h"
#include "gui/page_scheme.h"
#include "gui/qt_platform.h"
#include "gui/qt_text.h"
#include "gui/qt_translations.h"
#include "markup/markup_reader.h"
#include "text/cp932.h"

namespace bq::gui {
namespace {

// Both samples are drawn at this scale: a computer's 750 CSS px beside the most common phone's.
constexpr double kZoom = 0.36;
constexpr int kComputerWidth = 750, kPhoneWidth = checks::kCommonPhoneWidth, kSampleHeight = 560;

// One design: its name and the seller's listing in it, as a computer shows it and as a phone
// lays it out. The card, not its pictures, takes the focus: Tab goes from card to card in
// reading order, Enter or Space takes the focused one, a double click too.
class DesignCard : public QFrame {
 public:
  explicit DesignCard(std::function<void()> choose) : choose_(std::move(choose)) {
    setProperty(kSpokenAsButton, true);  // heard as a button, named by its design
    setObjectName(QStringLiteral("designCard"));
    setFocusPolicy(Qt::StrongFocus);
    // The focus is a thick coloured frame, whatever the style draws for a frame's focus.
    setStyleSheet(
        QStringLiteral("#designCard { border: 3px solid palette(midlight); border-radius: 4px; }"
                       "#designCard:focus { border-color: palette(highlight); }"));
  }

 protected:
  void keyPressEvent(QKeyEvent* e) override {
    switch (e->key()) {
      case Qt::Key_Return:
      case Qt::Key_Enter:
      case Qt::Key_Space:
        if (isEnabled() && choose_) return choose_();
        break;
      default:
        break;
    }
    QFrame::keyPressEvent(e);
  }
  void mouseDoubleClickEvent(QMouseEvent*) override {
    if (choose_) choose_();
  }
  // A card the keyboard reaches is seen before Enter takes it (Tab after キャンセル, Shift+Tab
  // from the first card reach one out of view).
  void focusInEvent(QFocusEvent* e) override {
    QFrame::focusInEvent(e);
    for (QWidget* w = parentWidget(); w; w = w->parentWidget()) {
      if (auto* area = qobject_cast<QScrollArea*>(w)) {
        area->ensureWidgetVisible(this, 0, 0);
        break;
      }
    }
  }

 private:
  std::function<void()> choose_;
};

// What draws a sample's page comes and goes with the page, inside the view: each such part
// takes neither the focus nor the mouse as soon as it is there.
class KeepsChildrenInert : public QObject {
 public:
  using QObject::QObject;
  static void makeInert(QWidget* w) {
    w->setFocusPolicy(Qt::NoFocus);
    w->setAttribute(Qt::WA_TransparentForMouseEvents);
  }
  bool eventFilter(QObject*, QEvent* e) override {
    if (e->type() == QEvent::ChildAdded || e->type() == QEvent::ChildPolished) {
      if (auto* w = qobject_cast<QWidget*>(static_cast<QChildEvent*>(e)->child())) makeInert(w);
    }
    return false;
  }
};

// A sample is a picture, not a page to use: it takes neither the focus nor the mouse (the card
// does), shows no scroll bars, and is laid out `cssWidth` CSS px wide.
PreviewView* sampleView(const std::filesystem::path& file, int cssWidth, const QString& name) {
  auto* view = new PreviewView;
  view->setObjectName(name);
  view->settings()->setAttribute(QWebEngineSettings::ShowScrollBars, false);
  view->setFixedSize(qRound(cssWidth * kZoom), qRound(kSampleHeight * kZoom));
  KeepsChildrenInert::makeInert(view);
  for (QWidget* w : view->findChildren<QWidget*>()) KeepsChildrenInert::makeInert(w);
  view->installEventFilter(new KeepsChildrenInert(view));
  view->setZoomFactor(kZoom);
  view->load(pageUrl(file));
  return view;
}

// A button takes Enter only when it has the focus: no button of the gallery is its default, so
// Enter elsewhere applies nothing.
class EnterClicks : public QObject {
 public:
  using QObject::QObject;
  bool eventFilter(QObject* o, QEvent* e) override {
    if (e->type() == QEvent::KeyPress) {
      int key = static_cast<QKeyEvent*>(e)->key();
      if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        static_cast<QPushButton*>(o)->click();
        return true;
      }
    }
    return false;
  }
};

}  // namespace

namespace {

// One design's card: its name, its sample as a computer and a phone show it (a page file
// written for it, into `written`), and the button that takes it into `chosen`.
DesignCard* designCard(QDialog& dialog, const frmMain& form, const DesignSample& s, std::size_t i,
                       std::filesystem::path& chosen, std::vector<std::filesystem::path>& written) {
  auto choose = [&dialog, &chosen, file = s.file] {
    chosen = file;
    dialog.accept();
  };
  auto* card = new DesignCard(s.error.empty() ? std::function<void()>(choose) : nullptr);
  card->setAccessibleName(qs(s.name));
  card->setAccessibleDescription(QStringLiteral("Enter でこのデザインにします"));
  auto* inside = new QVBoxLayout(card);
  auto* name = new QLabel(qs(s.name));
  QFont bold = name->font();
  bold.setBold(true);
  name->setFont(bold);
  inside->addWidget(name);
  // Shown as the previews show pages: a private file served through the program's scheme.
  std::filesystem::path file = galleryPage(form.paths().temp, static_cast<int>(i));
  Failure unwritten;
  if (s.error.empty()) {
    std::string page = s.page;
    markup::disarmRefresh(page);
    unwritten = form.paths().temp.empty()
                    ? Failure("一時フォルダーがありません。")
                    : files::writePrivateFile(file, text::utf8ToCp932Html(page));
    if (!unwritten) written.push_back(file);
  }
  if (!s.error.empty() || unwritten) {
    auto* why =
        new QLabel(s.error.empty() ? QStringLiteral("見本を出せません（%1）").arg(qs(*unwritten))
                                   : qs(s.error));
    why->setWordWrap(true);
    why->setFixedSize(qRound((kComputerWidth + kPhoneWidth) * kZoom) + 6,
                      qRound(kSampleHeight * kZoom));
    inside->addWidget(why);
    card->setEnabled(false);
  } else {
    auto* pictures = new QHBoxLayout;
    pictures->setSpacing(6);
    auto picture = [&](int cssWidth, const QString& objectName, const QString& caption) {
      auto* column = new QVBoxLayout;
      column->addWidget(sampleView(file, cssWidth, objectName));
      column->addWidget(new QLabel(caption));
      pictures->addLayout(column);
    };
    picture(kComputerWidth, QStringLiteral("design%1").arg(i), QStringLiteral("パソコン"));
    picture(kPhoneWidth, QStringLiteral("phone%1").arg(i), QStringLiteral("スマートフォン"));
    inside->addLayout(pictures);
  }
  auto* use = new QPushButton(QStringLiteral("このデザインにする"));
  use->setEnabled(s.error.empty());
  use->setAutoDefault(false);
  use->setFocusPolicy(Qt::NoFocus);  // the card is what Tab reaches
  QObject::connect(use, &QPushButton::clicked, &dialog, choose);
  inside->addWidget(use);
  return card;
}

}  // namespace

void chooseDesign(QWidget* parent, frmMain& form) {
  std::vector<DesignSample> samples = designSamples(form);
  if (samples.size() > static_cast<std::size_t>(kGalleryPages)) samples.resize(kGalleryPages);
  if (samples.empty()) {
    form.platform().showMessage("デザインが見つかりません。\r\n" +
                                    displayPath(form.paths().designs) +
                                    "\r\n\r\nBidquill を入れ直すと、デザインも戻ります。",
                                "Bidquill", MessageIcon::Warning);
    return;
  }
  QDialog dialog(parent);
  dialog.setObjectName(QStringLiteral("dlgGallery"));
  dialog.setWindowTitle(QStringLiteral("デザインを選ぶ"));
  auto* v = new QVBoxLayout(&dialog);
  auto* intro = new QLabel(QString::fromUtf8(kGalleryIntro));
  intro->setWordWrap(true);
  v->addWidget(intro);

  auto* flow = new FlowLayout;
  flow->setSpacing(10);
  std::filesystem::path chosen;
  std::vector<std::filesystem::path> written;
  DesignCard* first = nullptr;
  for (std::size_t i = 0; i < samples.size(); ++i) {
    DesignCard* card = designCard(dialog, form, samples[i], i, chosen, written);
    flow->addWidget(card);
    if (!first && samples[i].error.empty()) first = card;
  }
  auto* area = new QScrollArea;
  auto* inner = new QWidget;
  inner->setLayout(flow);
  area->setWidget(inner);
  area->setWidgetResizable(true);
  // The cards wrap to the width there is; the gallery scrolls only down.
  area->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  area->setFocusPolicy(Qt::NoFocus);
  v->addWidget(area, 1);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Cancel);
  QPushButton* cancel = buttons->button(QDialogButtonBox::Cancel);
  cancel->setText(QStringLiteral("キャンセル"));
  cancel->setAutoDefault(false);
  cancel->installEventFilter(new EnterClicks(cancel));
  QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
  v->addWidget(buttons);

  // Three cards a row where the window is wide enough, fewer where it is not.
  const QSize card = first ? first->sizeHint() : QSize(400, 300);
  const int chrome = 2 * v->contentsMargins().left() +
                     area->verticalScrollBar()->sizeHint().width() + 2 * area->frameWidth() + 8;
  const int columns = std::clamp(
      (parent->width() - chrome + flow->spacing()) / (card.width() + flow->spacing()), 1, 3);
  dialog.resize(chrome + columns * (card.width() + flow->spacing()),
                std::min(parent->height(), 2 * card.height() + 160));
  if (first) first->setFocus();
  bool accepted = dialog.exec() == QDialog::Accepted;
  std::error_code ec;
  for (const auto& file : written) std::filesystem::remove(file, ec);
  if (accepted && !chosen.empty()) form.settings.openDesign(chosen);
}

}  // namespace bq::gui

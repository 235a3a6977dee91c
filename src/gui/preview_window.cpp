#include "gui/preview_window.h"

#include <QApplication>
#include <QFutureWatcher>
#include <QHBoxLayout>
#include <QSplitter>
#include <QTimer>
#include <QVBoxLayout>
#include <QtConcurrent/QtConcurrentRun>

#include "checks/phone_width.h"
#include "gui/qt_text.h"

namespace bq::gui {

frmWeb::frmWeb() {
  setObjectName(QStringLiteral("frmWeb"));
  setWindowTitle(QStringLiteral("Bidquill"));
  setAttribute(Qt::WA_DeleteOnClose, false);
  auto* layout = new QVBoxLayout(this);
  tabWeb = new QTabWidget;
  tabWeb->setObjectName(QStringLiteral("tabWeb"));
  WBrowser = new PreviewView;
  WBrowser->setObjectName(QStringLiteral("WBrowser"));
  rtxtTag = new QPlainTextEdit;
  rtxtTag->setObjectName(QStringLiteral("rtxtTag"));
  rtxtTag->setReadOnly(true);
  // The page full width, or centred at a phone's width.
  auto* page = new QWidget;
  auto* centre = new QHBoxLayout(page);
  centre->setContentsMargins(0, 0, 0, 0);
  centre->addWidget(WBrowser);
  tabWeb->addTab(page, QStringLiteral("プレビュー"));
  tabWeb->addTab(rtxtTag, QStringLiteral("HTMLタグ"));
  chkPhone = new QCheckBox(QStringLiteral("スマートフォンの幅で見る"));
  chkPhone->setObjectName(QStringLiteral("chkPhone"));
  chkPhone->setToolTip(QStringLiteral("購入者がスマートフォンで見る幅でページを表示します"));
  cmbPhoneWidth = new QComboBox;
  cmbPhoneWidth->setObjectName(QStringLiteral("cmbPhoneWidth"));
  cmbPhoneWidth->setAccessibleName(QStringLiteral("スマートフォンの画面の幅"));
  for (int w : checks::kPhoneWidths) cmbPhoneWidth->addItem(QStringLiteral("%1px").arg(w), w);
  cmbPhoneWidth->setCurrentIndex(cmbPhoneWidth->findData(checks::kCommonPhoneWidth));
  cmbPhoneWidth->setEnabled(false);
  connect(chkPhone, &QCheckBox::toggled, this, [this](bool on) {
    cmbPhoneWidth->setEnabled(on);
    fitPhoneWidth(2);
  });
  connect(cmbPhoneWidth, &QComboBox::currentIndexChanged, this, [this] {
    if (chkPhone->isChecked()) WBrowser->setMaximumWidth(QWIDGETSIZE_MAX);
    fitPhoneWidth(2);
  });
  auto* phone = new QWidget;
  auto* phoneRow = new QHBoxLayout(phone);
  phoneRow->setContentsMargins(0, 0, 0, 0);
  phoneRow->addWidget(chkPhone);
  phoneRow->addWidget(cmbPhoneWidth);
  tabWeb->setCornerWidget(phone, Qt::TopRightCorner);
  pnlChecks = new ListingPanel;
  auto* split = new QSplitter(Qt::Horizontal);
  split->addWidget(tabWeb);
  split->addWidget(pnlChecks);
  split->setStretchFactor(0, 1);
  split->setStretchFactor(1, 0);
  layout->addWidget(split);
  browser_.attach(WBrowser);
  // Images that did not load are found once the page has loaded, in the program's own world.
  browser_.onShown = [this] {
    fitPhoneWidth(2);
    findBrokenImages(++pagesShown_, 40);
  };
  resize(1100, 700);
}

void frmWeb::findBrokenImages(int page, int tries) {
  // Images that did not load, once every image of the page has finished loading (a page
  // written in place is reported shown before its images are): looked for again a little
  // later while some are still loading, for as long as no newer page is shown.
  callShownPage(WBrowser->page(), QStringLiteral("brokenImagesOnceLoaded(document)"),
                [self = QPointer<frmWeb>(this), page, tries](const QVariant& v) {
                  if (!self || page != self->pagesShown_) return;
                  if (v.isNull() && tries > 0) {
                    QTimer::singleShot(250, self, [self, page, tries] {
                      if (self) self->findBrokenImages(page, tries - 1);
                    });
                    return;
                  }
                  self->pnlChecks->showBrokenImages(v.toStringList());
                });
}

void frmWeb::fitPhoneWidth(int rounds) {
  if (!chkPhone->isChecked()) {
    WBrowser->setMaximumWidth(QWIDGETSIZE_MAX);
    return;
  }
  // The page gets the phone's CSS px, as on a phone, whose scroll bar takes no room: the view is
  // wider by what its scroll bar takes. CSS pixels are the view's device-independent pixels at
  // zoom 1.
  if (WBrowser->maximumWidth() == QWIDGETSIZE_MAX) {
    WBrowser->setMaximumWidth(qRound(phoneWidth() * WBrowser->zoomFactor()));
  }
  callShownPage(WBrowser->page(), QStringLiteral("scrollBarWidth(window)"),
                [self = QPointer<frmWeb>(this), rounds](const QVariant& bar) {
                  if (!self) return;
                  self->fitPhoneWidthTo(bar.toInt(), rounds);
                });
}

void frmWeb::fitPhoneWidthTo(int bar, int rounds) {
  if (!chkPhone->isChecked()) return;
  int width = qRound((phoneWidth() + bar) * WBrowser->zoomFactor());
  if (width == WBrowser->maximumWidth()) return;
  WBrowser->setMaximumWidth(width);
  // Narrower or wider, the page may gain or lose its scroll bar: measure again.
  if (rounds > 0) QTimer::singleShot(50, this, [this, rounds] { fitPhoneWidth(rounds - 1); });
}

int frmWeb::phoneWidth() const {
  return cmbPhoneWidth->currentData().toInt();
}

void frmWeb::showReport(ReportMaker make, std::function<void()> fix) {
  // Made on a thread of its own from copies, so a long listing never holds up the window; a
  // report older than the newest asked for is not shown.
  pnlChecks->showChecking();
  int asked = ++reportsAsked_;
  auto* watcher = new QFutureWatcher<ListingReport>(this);
  connect(watcher, &QFutureWatcher<ListingReport>::finished, this,
          [this, watcher, asked, fix = std::move(fix)] {
            if (asked == reportsAsked_) pnlChecks->showReport(watcher->result(), fix);
            watcher->deleteLater();
          });
  watcher->setFuture(QtConcurrent::run(std::move(make)));
}

void frmWeb::setSourceText(const std::string& html) {
  rtxtTag->setPlainText(qs(html));
}

void frmWeb::changeEvent(QEvent* event) {
  if (event->type() == QEvent::ActivationChange) {
    if (isActiveWindow()) {
      arrived_ = true;
    } else if (arrived_) {
      // The seller went to another window; a box of its own keeps this one in front.
      QWidget* now = QApplication::activeWindow();
      if (!now || now->parentWidget() != this) inFront_ = false;
    }
  }
  QWidget::changeEvent(event);
}

void frmWeb::showListingTitle(const QString& mainTitle) {
  QString title = mainTitle;
  title.remove(QStringLiteral("[*]"));
  setWindowTitle(QStringLiteral("プレビュー - ") + title);
}

void frmWeb::showAndFocus() {
  inFront_ = true;
  arrived_ = false;
  // To the front with the focus, also when it was open behind the main window or minimised.
  if (!isVisible()) {
    showMaximized();
  } else if (isMinimized()) {
    setWindowState((windowState() & ~Qt::WindowMinimized) | Qt::WindowMaximized);
  }
  raise();
  activateWindow();
  // A window manager may take the first request before the window is mapped, and drop it:
  // asked again until the window has the focus (a seller who went elsewhere meanwhile wins).
  for (int ms : {150, 400, 1000}) {
    QTimer::singleShot(ms, this, [this] {
      if (inFront_ && !arrived_ && isVisible()) {
        raise();
        activateWindow();
      }
    });
  }
}

}  // namespace bq::gui

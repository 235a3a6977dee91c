#include "gui/preview_browser.h"

#include <QChildEvent>
#include <QDesktopServices>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QKeyEvent>
#include <QRegularExpression>
#include <QWebEngineScript>
#include <QWebEngineScriptCollection>
#include <QWebEngineSettings>

#include "core/app_folder.h"
#include "gui/page_scheme.h"
#include "gui/qt_text.h"
#include "text/cp932.h"

namespace bq::gui {

namespace {

bool isWebAddress(const QUrl& url) {
  return url.scheme() == QLatin1String("http") || url.scheme() == QLatin1String("https");
}

// What a link that asks for a new window leads to: the seller's browser, then nothing.
class LinkCatcher : public QWebEnginePage {
 public:
  using QWebEnginePage::QWebEnginePage;

 protected:
  bool acceptNavigationRequest(const QUrl& url, NavigationType, bool) override {
    if (isWebAddress(url)) QDesktopServices::openUrl(url);
    deleteLater();
    return false;
  }
};

// The project's module for shown pages (web/js/shown_page.js, the browser edition's own), as a
// script of the preview's own world: its exports become the members of `shownPage`. The
// module imports nothing, so taking the word "export" away is all it takes (the same rule
// tools/single_file.py applies when it bundles the browser edition).
QWebEngineScript shownPageScript() {
  QFile file(QStringLiteral(":/js/shown_page.js"));
  if (!file.open(QIODevice::ReadOnly))
    qFatal("the shown-page module is missing from the resources");
  QString module = QString::fromUtf8(file.readAll());
  static const QRegularExpression exported(
      QStringLiteral("^export\\s+((?:async\\s+)?function\\*?|class|const|let)\\s+(\\w+)"),
      QRegularExpression::MultilineOption);
  QStringList names;
  for (auto it = exported.globalMatch(module); it.hasNext();) names << it.next().captured(2);
  module.replace(exported, QStringLiteral("\\1 \\2"));
  QWebEngineScript script;
  script.setName(QStringLiteral("shownPage"));
  script.setSourceCode(QStringLiteral("var shownPage = (function () { 'use strict';\n") + module +
                       QStringLiteral("\nreturn { ") + names.join(QStringLiteral(", ")) +
                       QStringLiteral(" }; })();"));
  script.setWorldId(QWebEngineScript::ApplicationWorld);
  script.setInjectionPoint(QWebEngineScript::DocumentCreation);
  script.setRunsOnSubFrames(false);
  return script;
}

}  // namespace

void callShownPage(QWebEnginePage* page, const QString& call,
                   const std::function<void(const QVariant&)>& done) {
  QString script = QStringLiteral("shownPage.") + call;
  if (done) {
    page->runJavaScript(script, QWebEngineScript::ApplicationWorld, done);
  } else {
    page->runJavaScript(script, QWebEngineScript::ApplicationWorld);
  }
}

bool PreviewPage::acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame) {
  // The seller's click on a link opens it in the seller's browser, web addresses only.
  if (type == NavigationTypeLinkClicked) {
    if (isWebAddress(url)) QDesktopServices::openUrl(url);
    return false;
  }
  // Only the program's own loads of its page: nothing the page itself asks for (a refresh, a
  // form, a frame) goes anywhere.
  return isMainFrame && isPageUrl(url) &&
         (type == NavigationTypeTyped || type == NavigationTypeReload);
}

QWebEnginePage* PreviewPage::createWindow(WebWindowType) {
  return new LinkCatcher(this);
}

void chooseRenderer() {
  if (qEnvironmentVariableIsEmpty("QT_QUICK_BACKEND")) qputenv("QT_QUICK_BACKEND", "software");
}

PreviewView::PreviewView() {
  setPage(new PreviewPage(this));
  static const QWebEngineScript shownPage = shownPageScript();
  page()->scripts().insert(shownPage);
  settings()->setDefaultTextEncoding(QStringLiteral("Shift_JIS"));
  // Auction sites strip script from descriptions, so the preview runs none. The program's own
  // script (the shown-page module) runs in a world of its own, which this does not stop.
  settings()->setAttribute(QWebEngineSettings::JavascriptEnabled, false);
  settings()->setAttribute(QWebEngineSettings::JavascriptCanOpenWindows, false);
  setContextMenuPolicy(Qt::NoContextMenu);
}

PreviewView::~PreviewView() {
  // The view lets go of its page (it stays bound until the view is gone, so nothing here asks
  // for a new one), and the page goes once the events of the view's end are over.
  QWebEnginePage* p = page();
  p->setParent(nullptr);
  p->deleteLater();
}

bool PreviewView::event(QEvent* e) {
  // The widget the browser draws into (and which gets the keys) is a child made later.
  if (e->type() == QEvent::ChildAdded) {
    if (auto* w = qobject_cast<QWidget*>(static_cast<QChildEvent*>(e)->child()))
      w->installEventFilter(this);
  }
  return QWebEngineView::event(e);
}

bool PreviewView::eventFilter(QObject* watched, QEvent* e) {
  if (e->type() == QEvent::KeyPress) {
    auto* key = static_cast<QKeyEvent*>(e);
    bool plain = !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier));
    if (plain && (key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab)) {
      focusNextPrevChild(key->key() == Qt::Key_Tab && !(key->modifiers() & Qt::ShiftModifier));
      return true;
    }
  }
  return QWebEngineView::eventFilter(watched, e);
}

QtBrowser::QtBrowser(QWebEngineView* view) {
  attach(view);
}

void QtBrowser::attach(QWebEngineView* view) {
  view_ = view;
  if (!view) return;
  QObject::connect(view, &QWebEngineView::loadFinished, view, [this](bool ok) {
    textKept_ = false;  // a document of its own, made from the file
    finished(ok, false);
  });
  if (pending_) startUpdate();
}

void QtBrowser::navigate(const std::filesystem::path& file) {
  pending_ = file;
  pendingWhole_ = true;
  pendingEdits_.clear();
  if (view_ && !busy_) startUpdate();
}

void QtBrowser::showEdit(const std::filesystem::path& file, const PageEdit& edit) {
  // A version still to be read from the file will hold this change too.
  if (pending_ && (pendingWhole_ || *pending_ != file)) {
    navigate(file);
    return;
  }
  pending_ = file;
  pendingEdits_.push_back(edit);
  if (view_ && !busy_) startUpdate();
}

void QtBrowser::startUpdate() {
  busy_ = true;
  ++loadsStarted_;
  std::filesystem::path file = *pending_;
  pending_.reset();
  std::vector<PageEdit> edits = std::move(pendingEdits_);
  pendingEdits_.clear();
  bool whole = pendingWhole_ || !textKept_;
  pendingWhole_ = false;
  QUrl url = pageUrl(file);
  if (url == shown_) {
    ++inPlace_;
    if (whole) {
      sendWhole(file, url);
    } else {
      sendEdits(file, edits);
    }
    return;
  }
  load(url);
}

void QtBrowser::load(const QUrl& url) {
  shown_.clear();
  view_->load(url);
}

void QtBrowser::sendWhole(const std::filesystem::path& file, const QUrl& url) {
  std::optional<std::string> bytes = readWholeFile(file);
  if (!bytes) {
    load(url);
    return;
  }
  // The page file decoded as the browser decodes it, put into the shown document by the
  // program's own world (the page's scripts stay off, a refresh is disarmed there), which keeps
  // the seller's place: one round trip, one new frame.
  QByteArray page =
      QJsonDocument(QJsonArray{qs(text::cp932ToUtf8(*bytes))}).toJson(QJsonDocument::Compact);
  callShownPage(view_->page(),
                QStringLiteral("updateWindowPage(window, ") + QString::fromUtf8(page) +
                    QStringLiteral("[0])"),
                [this, url, alive = std::weak_ptr<int>(alive_)](const QVariant&) {
                  // The page may answer after this browser is gone (it outlives its view).
                  if (alive.expired()) return;
                  shown_ = url;
                  textKept_ = true;
                  finished(true, true);
                });
}

void QtBrowser::sendEdits(const std::filesystem::path& file, const std::vector<PageEdit>& edits) {
  ++edited_;
  QJsonArray list;
  for (const PageEdit& e : edits) {
    list.append(
        QJsonArray{static_cast<qint64>(e.start), static_cast<qint64>(e.removed), qs(e.inserted)});
  }
  QByteArray json = QJsonDocument(list).toJson(QJsonDocument::Compact);
  callShownPage(
      view_->page(),
      QStringLiteral("editWindowPage(window, ") + QString::fromUtf8(json) + QStringLiteral(")"),
      [this, file, alive = std::weak_ptr<int>(alive_)](const QVariant& put) {
        if (alive.expired()) return;
        if (put.toBool()) {
          finished(true, true);
          return;
        }
        // The page kept no text these fit (a document the view made anew): the
        // newest version from its file, which holds every change since.
        textKept_ = false;
        busy_ = false;
        navigate(pending_.value_or(file));
      });
}

void QtBrowser::finished(bool ok, bool inPlace) {
  busy_ = false;
  if (!view_) return;
  if (shown_.isEmpty() && ok) shown_ = view_->url();
  // A loaded page starts at its top; the view reports the position in device pixels.
  if (!inPlace) {
    callShownPage(view_->page(), QStringLiteral("scrollToDevicePixels(window, %1, %2)")
                                     .arg(restore_.left)
                                     .arg(restore_.top));
  }
  ++shownCount_;
  if (onShown) onShown();
  if (pending_) startUpdate();
}

ScrollPosition QtBrowser::scrollPosition() {
  // While an update runs the new document may still be at its top; the position that counts
  // is the one that update will restore.
  if (busy_ || !view_) return restore_;
  QPointF p = view_->page()->scrollPosition();
  return {qRound(p.x()), qRound(p.y())};
}

}  // namespace bq::gui

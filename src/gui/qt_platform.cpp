#include "gui/qt_platform.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <QApplication>
#include <QBuffer>
#include <QClipboard>
#include <QColorDialog>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFutureWatcher>
#include <QHeaderView>
#include <QtConcurrent/QtConcurrentRun>

#include <QHBoxLayout>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLibraryInfo>
#include <QLocale>
#include <QMainWindow>
#include <QMessageBox>
#include <QPushButton>
#include <QSettings>
#include <QSplitter>
#include <QStandardPaths>
#include <QStatusBar>
#include <QTimer>
#include <QTranslator>
#include <QTreeView>
#include <QVBoxLayout>
#include <QWebEngineProfile>
#include <QWebEngineScript>
#include <QWebEngineSettings>
#include <QWebEngineUrlRequestJob>
#include <QWebEngineUrlScheme>
#include <QWebEngineUrlSchemeHandler>

#include "app/version.h"
#include "checks/markup_reader.h"
#include "core/app_folder.h"
#include "gui/qt_text.h"
#include "text/cp932.h"

namespace bq::gui {

namespace {

constexpr char kPageScheme[] = "bidquill-page";
// Where the file dialogs start next time.
const QString kLastFolderKey = QStringLiteral("lastFolder");

// The start of the program's scripts in a shown page. They reach the document through
// Document.prototype, never through document.images or document.write: an element the listing
// names "images" or "write" shadows those (DOM clobbering) and would decide what we measure.
const QString kDocumentAccess = QStringLiteral(
    " var D = Document.prototype;"
    " function getter(proto, name) {"
    "   var g = Object.getOwnPropertyDescriptor(proto, name).get;"
    "   return function (o) { return g.call(o); }; }"
    " function get(name) { return getter(D, name)(document); }"
    " function scrolling() { return get('scrollingElement'); }");

// Puts a new version of the page into the shown document by replacing only the nodes that
// differ: an edit in one body costs what that body costs to lay out, not the whole page. Every
// property is read through the prototypes, as above (a form's fields shadow its own properties).
const QString kReplaceChanged = QStringLiteral(
    " var N = Node.prototype, E = Element.prototype;"
    " var kids = getter(N, 'childNodes'), kind = getter(N, 'nodeType'),"
    "     named = getter(N, 'nodeName'),"
    "     setData = Object.getOwnPropertyDescriptor(CharacterData.prototype, 'data').set,"
    "     data = getter(CharacterData.prototype, 'data');"
    " function sync(a, b) {"
    "   var an = E.getAttributeNames.call(a), bn = E.getAttributeNames.call(b), i;"
    "   for (i = 0; i < an.length; i++)"
    "     if (!E.hasAttribute.call(b, an[i])) E.removeAttribute.call(a, an[i]);"
    "   for (i = 0; i < bn.length; i++) {"
    "     var v = E.getAttribute.call(b, bn[i]);"
    "     if (E.getAttribute.call(a, bn[i]) !== v) E.setAttribute.call(a, bn[i], v); }"
    "   var ak = Array.from(kids(a)), bk = Array.from(kids(b));"
    "   for (i = 0; i < bk.length; i++) {"
    "     var o = ak[i], n = bk[i];"
    "     if (!o) { N.appendChild.call(a, D.importNode.call(document, n, true));"
    "       continue; }"
    "     if (N.isEqualNode.call(o, n)) continue;"
    "     if (kind(o) === 1 && kind(n) === 1 && named(o) === named(n)) sync(o, n);"
    "     else if (kind(o) === 3 && kind(n) === 3) setData.call(o, data(n));"
    "     else N.replaceChild.call(a, D.importNode.call(document, n, true), o);"
    "   }"
    "   for (i = ak.length - 1; i >= bk.length; i--) N.removeChild.call(a, ak[i]); }"
    " function replaceChanged(html) {"
    "   var fresh = new DOMParser().parseFromString(html, 'text/html');"
    "   sync(get('documentElement'), getter(D, 'documentElement')(fresh)); }");

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

// Serves exactly the program's two page files, as code page 932 HTML: no other name, no
// link, nothing outside.
class PageSchemeHandler : public QWebEngineUrlSchemeHandler {
 public:
  void setPages(QStringList pages) { pages_ = std::move(pages); }

  void requestStarted(QWebEngineUrlRequestJob* job) override {
    QString path = job->requestUrl().path();
    int fd = pages_.contains(path) ? ::open(QFile::encodeName(path).constData(),
                                            O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC)
                                   : -1;
    struct stat st;
    if (fd >= 0 && (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))) {
      ::close(fd);
      fd = -1;
    }
    QFile file;
    if (fd < 0 || !file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
      if (fd >= 0) ::close(fd);
      job->fail(QWebEngineUrlRequestJob::UrlNotFound);
      return;
    }
    std::string page = file.readAll().toStdString();
    checks::disarmRefresh(page);
    auto* body = new QBuffer(job);
    body->setData(QByteArray::fromStdString(page));
    body->open(QIODevice::ReadOnly);
    job->reply(QByteArrayLiteral("text/html;charset=Shift_JIS"), body);
  }

 private:
  QStringList pages_;
};

}  // namespace

bool PreviewPage::acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame) {
  // The seller's click on a link opens it in the seller's browser, web addresses only.
  if (type == NavigationTypeLinkClicked) {
    if (isWebAddress(url)) QDesktopServices::openUrl(url);
    return false;
  }
  // Only the program's own loads of its page: nothing the page itself asks for (a refresh, a
  // form, a frame) goes anywhere.
  return isMainFrame && url.scheme() == QLatin1String(kPageScheme) &&
         (type == NavigationTypeTyped || type == NavigationTypeReload);
}

QWebEnginePage* PreviewPage::createWindow(WebWindowType) {
  return new LinkCatcher(this);
}

namespace {

// Texts Qt's Japanese translation lacks (Qt 6 moved them to a context it has no entries for):
// the file dialog's "Folder" and its kind.
class MissingQtTexts : public QTranslator {
 public:
  using QTranslator::QTranslator;
  bool isEmpty() const override { return false; }
  QString translate(const char* context, const char* source, const char*, int) const override {
    if (qstrcmp(context, "QAbstractFileIconProvider") != 0) return {};
    static const QHash<QByteArray, QString> texts = {
        {"Folder", QStringLiteral("フォルダー")}, {"File Folder", QStringLiteral("フォルダー")},
        {"Drive", QStringLiteral("ドライブ")},    {"Shortcut", QStringLiteral("ショートカット")},
        {"Alias", QStringLiteral("エイリアス")},  {"Unknown", QStringLiteral("不明")}};
    return texts.value(QByteArray(source));
  }
};

}  // namespace

void loadQtTranslations() {
  // The window speaks Japanese, so Qt's own texts (buttons, dialogs, menus) do too, whatever
  // the system's language.
  // Dates, times and sizes as a Japanese desktop shows them (the file dialog's columns).
  QLocale::setDefault(QLocale(QLocale::Japanese, QLocale::Japan));
  QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
  for (const char* name : {"qtbase", "qtwebengine"}) {
    auto* t = new QTranslator(qApp);
    if (t->load(QLocale(QLocale::Japanese, QLocale::Japan), QString::fromLatin1(name),
                QStringLiteral("_"), folder)) {
      QCoreApplication::installTranslator(t);
    } else {
      delete t;
    }
  }
  QCoreApplication::installTranslator(new MissingQtTexts(qApp));
}

void chooseRenderer() {
  if (qEnvironmentVariableIsEmpty("QT_QUICK_BACKEND")) qputenv("QT_QUICK_BACKEND", "software");
}

void registerPageScheme() {
  QWebEngineUrlScheme scheme(kPageScheme);
  scheme.setSyntax(QWebEngineUrlScheme::Syntax::Path);
  QWebEngineUrlScheme::registerScheme(scheme);
}

void installPageScheme(const std::filesystem::path& tempFolder) {
  QStringList pages;
  if (!tempFolder.empty()) {
    for (const char* name : {"temp.htm", "temp_yahoo.htm"}) {
      pages << QString::fromStdString((tempFolder / name).string());
    }
    for (int i = 0; i < kGalleryPages; ++i) {
      pages << QString::fromStdString(galleryPage(tempFolder, i).string());
    }
  }
  QWebEngineProfile* profile = QWebEngineProfile::defaultProfile();
  static QPointer<PageSchemeHandler> handler;
  if (!handler) {
    handler = new PageSchemeHandler;
    handler->setParent(profile);
    profile->installUrlSchemeHandler(kPageScheme, handler);
  }
  handler->setPages(pages);
}

std::filesystem::path galleryPage(const std::filesystem::path& tempFolder, int i) {
  return tempFolder / ("design-" + std::to_string(i) + ".htm");
}

QUrl pageUrl(const std::filesystem::path& file) {
  QUrl url;
  url.setScheme(QString::fromLatin1(kPageScheme));
  url.setPath(QString::fromStdString(file.string()));
  return url;
}

PreviewView::PreviewView() {
  setPage(new PreviewPage(this));
  settings()->setDefaultTextEncoding(QStringLiteral("Shift_JIS"));
  // Auction sites strip script from descriptions, so the preview runs none. The program's own
  // scripts (the kept scroll position) run in a world of their own, which this does not stop.
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

QtBrowser::QtBrowser(QWebEngineView* view) {
  attach(view);
}

void QtBrowser::attach(QWebEngineView* view) {
  view_ = view;
  if (!view) return;
  QObject::connect(view, &QWebEngineView::loadFinished, view,
                   [this](bool ok) { finished(ok, false); });
  if (pending_) startUpdate();
}

void QtBrowser::navigate(const std::filesystem::path& file) {
  pending_ = file;
  if (view_ && !busy_) startUpdate();
}

void QtBrowser::startUpdate() {
  busy_ = true;
  ++loadsStarted_;
  std::filesystem::path file = *pending_;
  pending_.reset();
  QUrl url = pageUrl(file);
  std::optional<std::string> bytes;
  if (replaceInPlace_ && url == shown_) bytes = readWholeFile(file);
  if (bytes) checks::disarmRefresh(*bytes);
  if (!bytes) {
    shown_.clear();
    view_->load(url);
    return;
  }
  // The same bytes the page scheme would serve, decoded as the browser decodes them, written
  // into the shown document by the program's own world (the page's scripts stay off). The
  // document keeps its own scroll position, in one script: one round trip, one new frame.
  ++inPlace_;
  QByteArray page =
      QJsonDocument(QJsonArray{qs(text::cp932ToUtf8(*bytes))}).toJson(QJsonDocument::Compact);
  view_->page()->runJavaScript(
      QStringLiteral("(function (p) {") + kDocumentAccess + kReplaceChanged +
          QStringLiteral(
              " var x = window.scrollX, y = window.scrollY, se = scrolling(),"
              "     bottom = se && y > 0 && y + window.innerHeight >= se.scrollHeight - 2;"
              " try { replaceChanged(p[0]); } catch (e) {"
              "   D.open.call(document); D.write.call(document, p[0]); D.close.call(document); }"
              // A preview kept at its bottom stays there, so a new last line is seen whole.
              " se = scrolling(); window.scrollTo(x, bottom && se ? se.scrollHeight : y); })(") +
          QString::fromUtf8(page) + QStringLiteral(")"),
      QWebEngineScript::ApplicationWorld,
      [this, url, alive = std::weak_ptr<int>(alive_)](const QVariant&) {
        // The page may answer after this browser is gone (it outlives its view a little).
        if (alive.expired()) return;
        shown_ = url;
        finished(true, true);
      });
}

void QtBrowser::finished(bool ok, bool inPlace) {
  busy_ = false;
  if (!view_) return;
  if (shown_.isEmpty() && ok) shown_ = view_->url();
  // A loaded page starts at its top. The view reports the position in device pixels; the page
  // scrolls in CSS pixels, which at a display scale of 1.25 or 1.5 differ. The script runs in
  // a world of its own, apart from the page's scripts.
  if (!inPlace) {
    view_->page()->runJavaScript(
        QStringLiteral(
            "window.scrollTo(%1 / window.devicePixelRatio, %2 / window.devicePixelRatio)")
            .arg(restore_.left)
            .arg(restore_.top),
        QWebEngineScript::ApplicationWorld);
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

frmFirst::frmFirst() : QWidget(nullptr, Qt::SplashScreen | Qt::FramelessWindowHint) {
  setObjectName(QStringLiteral("frmFirst"));
  auto* layout = new QVBoxLayout(this);
  auto* title = new QLabel(QStringLiteral("Bidquill"));
  QFont f = title->font();
  f.setPointSize(f.pointSize() * 2);
  f.setBold(true);
  title->setFont(f);
  auto* Label1 = new QLabel(QStringLiteral("初期化中..."));
  auto* Label3 = new QLabel(QStringLiteral("バージョン ") + QString::fromUtf8(kVersion));
  auto* Label2 = new QLabel(QStringLiteral("オークションの商品説明を作成します。"));
  Label1->setObjectName(QStringLiteral("Label1"));
  Label2->setObjectName(QStringLiteral("Label2"));
  Label3->setObjectName(QStringLiteral("Label3"));
  PBFirst = new QProgressBar;
  PBFirst->setObjectName(QStringLiteral("PBFirst"));
  for (QWidget* w :
       {static_cast<QWidget*>(title), static_cast<QWidget*>(Label1), static_cast<QWidget*>(PBFirst),
        static_cast<QWidget*>(Label3), static_cast<QWidget*>(Label2)}) {
    layout->addWidget(w);
  }
  setFixedSize(360, 180);
}

void frmFirst::show(int maximum) {
  PBFirst->setRange(0, maximum);
  PBFirst->setValue(0);
  QWidget::show();
  QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void frmFirst::setProgress(int value) {
  PBFirst->setValue(value);
  QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

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
  chkPhone = new QCheckBox(QStringLiteral("スマートフォンの幅（375px）で見る"));
  chkPhone->setObjectName(QStringLiteral("chkPhone"));
  chkPhone->setToolTip(QStringLiteral("購入者がスマートフォンで見る幅でページを表示します"));
  connect(chkPhone, &QCheckBox::toggled, this, [this] { fitPhoneWidth(2); });
  tabWeb->setCornerWidget(chkPhone, Qt::TopRightCorner);
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
  WBrowser->page()->runJavaScript(
      QStringLiteral("(function () {") + kDocumentAccess +
          QStringLiteral(
              " var src = Element.prototype.getAttribute, images = Array.from(get('images'));"
              " if (images.some(function (i) { return !i.complete; })) return null;"
              " return images.filter(function (i) { return i.naturalWidth === 0; })"
              " .map(function (i) { return src.call(i, 'src'); }); })()"),
      QWebEngineScript::ApplicationWorld,
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
  // The page gets 375 CSS px, as on a phone, whose scroll bar takes no room: the view is wider
  // by what its scroll bar takes. CSS pixels are the view's device-independent pixels at zoom 1.
  if (WBrowser->maximumWidth() == QWIDGETSIZE_MAX) {
    WBrowser->setMaximumWidth(qRound(375 * WBrowser->zoomFactor()));
  }
  WBrowser->page()->runJavaScript(
      QStringLiteral("(function () {") + kDocumentAccess +
          QStringLiteral(" var e = get('documentElement');"
                         " return e ? window.innerWidth - e.clientWidth : 0; })()"),
      QWebEngineScript::ApplicationWorld,
      [self = QPointer<frmWeb>(this), rounds](const QVariant& bar) {
        if (!self) return;
        self->fitPhoneWidthTo(bar.toInt(), rounds);
      });
}

void frmWeb::fitPhoneWidthTo(int bar, int rounds) {
  if (!chkPhone->isChecked()) return;
  int width = qRound((375 + bar) * WBrowser->zoomFactor());
  if (width == WBrowser->maximumWidth()) return;
  WBrowser->setMaximumWidth(width);
  // Narrower or wider, the page may gain or lose its scroll bar: measure again.
  if (rounds > 0) QTimer::singleShot(50, this, [this, rounds] { fitPhoneWidth(rounds - 1); });
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

QtPlatform::QtPlatform() : splash_(std::make_unique<frmFirst>()) {}

QtPlatform::~QtPlatform() {
  closeAll();
}

std::optional<std::int32_t> QtPlatform::chooseColour(std::int32_t initial,
                                                     std::int32_t remembered) {
  QColorDialog::setCustomColor(0, toQColor(remembered));
  QColor c = QColorDialog::getColor(toQColor(initial), parent_, QStringLiteral("色の設定"));
  if (!c.isValid()) return std::nullopt;
  return fromQColor(c);
}

std::optional<std::string> QtPlatform::chooseFile(const FileDialogRequest& request) {
  QString name = qs(request.fileName);
  // The folder last used, else the documents folder (else home); never the folder the program
  // happened to start in.
  QSettings settings;
  QString folder = settings.value(kLastFolderKey).toString();
  if (folder.isEmpty() || !QFileInfo(folder).isDir()) {
    folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (!QFileInfo(folder).isDir()) folder = QDir::homePath();
  }
  QFileInfo given(name);
  if (!name.isEmpty() && given.isRelative()) name = QDir(folder).filePath(name);
  // "INI (*.ini)|*.ini|…": the captions, as Qt takes them; the first pattern's extension.
  QStringList parts = qs(request.filter).split(QLatin1Char('|'));
  QStringList captions;
  for (int i = 0; i < parts.size(); i += 2) captions << parts[i];
  QString suffix = parts.size() > 1
                       ? parts[1].section(QLatin1Char(';'), 0, 0).section(QLatin1Char('.'), -1)
                       : QString();
  QFileDialog dialog(parent_, {}, name.isEmpty() ? folder : name,
                     captions.join(QStringLiteral(";;")));
  if (request.mode == FileDialogMode::Folder) {
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly);
  } else if (request.mode == FileDialogMode::Save) {
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, !request.overwritePrompt);
    // A name without an extension gets the filter's, so that the open dialog shows it.
    if (!suffix.isEmpty() && suffix != QStringLiteral("*")) dialog.setDefaultSuffix(suffix);
  } else {
    // A name that does not exist yet is accepted, as the open dialog always has.
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
  }
  if (!name.isEmpty()) dialog.selectFile(name);
  // Qt's own dialog: wide enough for the names and whole dates, columns sized to what they hold.
  QFontMetrics fm(dialog.font());
  dialog.resize(std::max(dialog.width(), fm.horizontalAdvance(QLatin1Char('M')) * 70),
                std::max(dialog.height(), fm.height() * 28));
  if (auto* view = dialog.findChild<QTreeView*>(QStringLiteral("treeView"))) {
    view->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    view->header()->setSectionResizeMode(0, QHeaderView::Stretch);
  }
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  QString chosen = dialog.selectedFiles().first();
  if (chosen.isEmpty()) return std::nullopt;
  settings.setValue(kLastFolderKey, request.mode == FileDialogMode::Folder
                                        ? QFileInfo(chosen).absoluteFilePath()
                                        : QFileInfo(chosen).absolutePath());
  return str(chosen);
}

void QtPlatform::showMessage(const std::string& text, const std::string& title, MessageIcon icon) {
  QMessageBox::Icon i = icon == MessageIcon::Information ? QMessageBox::Information
                        : icon == MessageIcon::Warning   ? QMessageBox::Warning
                                                         : QMessageBox::Critical;
  QString body = qs(text);
  body.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  QMessageBox box(i, qs(title), body, QMessageBox::Ok, frontWindow());
  box.exec();
}

std::string QtPlatform::ask(const Question& question) {
  QString body = qs(question.text);
  body.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  QMessageBox box(QMessageBox::Question, qs(question.title), body, QMessageBox::NoButton,
                  frontWindow());
  std::vector<std::pair<QAbstractButton*, std::string>> buttons;
  for (const Choice& c : question.choices) {
    bool escape = c.key == question.escapeKey;
    bool first = buttons.empty();
    QMessageBox::ButtonRole role = escape  ? QMessageBox::RejectRole
                                   : first ? QMessageBox::AcceptRole
                                           : QMessageBox::DestructiveRole;
    QPushButton* b = box.addButton(qs(c.caption), role);
    b->setObjectName(qs(c.key));
    if (first) box.setDefaultButton(b);
    if (escape) box.setEscapeButton(b);
    buttons.emplace_back(b, c.key);
  }
  box.exec();
  for (const auto& [button, key] : buttons) {
    if (box.clickedButton() == button) return key;
  }
  return question.escapeKey;
}

QWidget* QtPlatform::frontWindow() const {
  // A box over the main window would raise it above the preview window the seller was just
  // shown, and hand the focus back to it when closed.
  if (preview_ && preview_->isVisible() && preview_->inFront()) return preview_;
  return parent_;
}

void QtPlatform::showStatus(const std::string& text) {
  if (auto* window = qobject_cast<QMainWindow*>(parent_))
    window->statusBar()->showMessage(qs(text));
}

void QtPlatform::setClipboardText(const std::string& text) {
  QClipboard* c = QGuiApplication::clipboard();
  c->clear();
  c->setText(qs(text));
}

PreviewWindow& QtPlatform::previewWindow() {
  if (!preview_) preview_ = new frmWeb;
  return *preview_;
}

bool QtPlatform::openUrl(const std::string& url) {
  return QDesktopServices::openUrl(QUrl(qs(url)));
}

void QtPlatform::processEvents() {
  // The browser loads on its own; letting user input in here would re-enter the engine.
}

void QtPlatform::closeAll() {
  if (splash_) splash_->QWidget::close();
  if (preview_) {
    preview_->QWidget::close();
    delete preview_;
  }
}

}  // namespace bq::gui

// The desktop program: splash, start-up, the main window with its live preview.
#include <malloc.h>
#include <signal.h>
#include <unistd.h>

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QIcon>
#include <QMessageBox>
#include <QSessionManager>
#include <QStandardPaths>
#include <QTabWidget>
#include <QTimer>
#include <cstring>
#include <utility>
#include <vector>

#include <cstdio>
#include <memory>

#include "app/window/frm_main.h"
#include "app/window/version.h"
#include "core/app_folder.h"
#include "core/templates.h"
#include "gui/design_gallery_dialog.h"
#include "gui/guide_pictures.h"
#include "gui/main_window.h"
#include "gui/page_scheme.h"
#include "gui/qt_platform.h"
#include "gui/qt_process.h"
#include "gui/qt_text.h"
#include "gui/qt_translations.h"

namespace {

// Recovery files are "recovery-PID.ini" in the per-user data folder, one per running window.
// Those whose program is no longer running hold work a crash left behind.
std::vector<std::filesystem::path> leftRecoveryFiles(const QDir& folder) {
  std::vector<std::filesystem::path> left;
  for (const QString& name :
       folder.entryList({QStringLiteral("recovery-*.ini")}, QDir::Files, QDir::Time)) {
    bool number = false;
    qint64 pid = name.mid(9, name.size() - 13).toLongLong(&number);
    // A file with this run's own number was left by an earlier run that had the same number.
    bool running = number && pid > 0 && pid != QCoreApplication::applicationPid() &&
                   ::kill(static_cast<pid_t>(pid), 0) == 0;
    if (!running) left.push_back(std::filesystem::u8path(bq::gui::str(folder.filePath(name))));
  }
  return left;
}

// While the listing has unsaved changes, they are written to the recovery file as the engine's
// policy says (Document::recoveryDue); at start, work a crash left behind is offered back.
void startRecovery(bq::frmMain& form, QObject* owner) {
  // ~/.local/share/Bidquill, where earlier versions kept it too.
  QDir folder(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
              QStringLiteral("/Bidquill"));
  QString own = QStringLiteral("recovery-%1.ini").arg(QCoreApplication::applicationPid());
  form.document.setRecoveryFile(std::filesystem::u8path(bq::gui::str(folder.filePath(own))));
  // Work is kept in the page folder when the data folder cannot take it (a link, another
  // user's folder): look there too.
  std::vector<std::filesystem::path> left = leftRecoveryFiles(folder);
  if (!form.paths().temp.empty()) {
    for (auto& f : leftRecoveryFiles(QDir(bq::gui::qs(form.paths().temp.string())))) {
      left.push_back(std::move(f));
    }
  }
  for (const auto& file : left) {
    if (form.document.offerRecovery(file)) break;
  }
  auto* timer = new QTimer(owner);
  QObject::connect(timer, &QTimer::timeout, owner, [&form] {
    if (form.document.recoveryDue(std::chrono::steady_clock::now())) form.document.writeRecovery();
  });
  timer->start(200);
}

// The command line, known before the application exists: --help and --version need no display.
struct Options {
  QCommandLineParser parser;
  QCommandLineOption appFolder{QStringLiteral("app-folder"),
                               QStringLiteral("Folder holding data/tag (default: the program's)."),
                               QStringLiteral("DIR")};
  QCommandLineOption firstPreview{
      QStringLiteral("first-preview"),
      QStringLiteral("Print the time from start to the first painted preview, then quit.")};
  QCommandLineOption screenshots{
      QStringLiteral("screenshots"),
      QStringLiteral("With the sample listing open, save main-window.png, shipping-tab.png, "
                     "payment-tab.png, preview-window.png, preview-phone.png, gallery.png and "
                     "save-question.png "
                     "into DIR, then quit (for the documentation)."),
      QStringLiteral("DIR")};
  Options() {
    parser.setApplicationDescription(QStringLiteral(
        "Bidquill: the HTML description of an auction listing, with a live preview."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addOption(appFolder);
    parser.addOption(firstPreview);
    parser.addOption(screenshots);
    parser.addPositionalArgument(
        QStringLiteral("FILE"), QStringLiteral("Settings files (.ini) to open, one after another."),
        QStringLiteral("[FILE...]"));
  }
};

bool asks(int argc, char** argv, std::initializer_list<const char*> names) {
  for (int i = 1; i < argc; ++i) {
    for (const char* n : names) {
      if (std::strcmp(argv[i], n) == 0) return true;
    }
  }
  return false;
}

// What cannot start: no display, or root with the browser's sandbox (which refuses root). Root
// starts with the sandbox off, as scripts/run.sh does, and is told so. Returns false to stop.
bool readyToStart() {
  if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") &&
      qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
    std::fputs(
        "bidquill: 画面（ディスプレイ）が見つからないので、ウィンドウを開けません。\n"
        "デスクトップの中から起動するか、画面のないところでは bidquill-cli を使ってください"
        "（bidquill-cli --help）。\n",
        stderr);
    return false;
  }
  if (::geteuid() == 0 && qEnvironmentVariableIsEmpty("QTWEBENGINE_DISABLE_SANDBOX")) {
    qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    std::fputs(
        "bidquill: 管理者（root）として起動されました。プレビューのサンドボックスは root では"
        "使えないので、切って動かします。ふだんは一般のユーザーで起動してください。\n",
        stderr);
  }
  return true;
}

// The window's run: the listing, its window and its preview, until the window closes.
int run(QCommandLineParser& args, const Options& options, const QElapsedTimer& sinceStart,
        bq::gui::StartSteps& steps) {
  const QCommandLineOption& appFolder = options.appFolder;
  const QCommandLineOption& firstPreview = options.firstPreview;
  const QCommandLineOption& screenshots = options.screenshots;
  bq::gui::QtPlatform platform;
  std::filesystem::path folder =
      args.isSet(appFolder) ? bq::gui::str(args.value(appFolder)) : bq::AppFolder().string();
  bq::frmMain form(platform, folder);
  auto missing = form.Load();
  steps.emplace_back("engine", sinceStart.elapsed());
  if (!missing.empty()) {
    platform.splash().close();
    QMessageBox::critical(nullptr, QStringLiteral("Bidquill"),
                          bq::gui::qs(bq::missingTemplateMessage(missing)));
    return 1;
  }

  if (args.isSet(screenshots)) {
    // Opened as the seller opens it, so the pictures show what a seller sees.
    form.settings.openWithoutDialog(form.paths().app / "data" / "sample" / "listing.ini");
  }
  bq::gui::installPageScheme(form.paths().temp);
  bq::gui::MainWindow window(form, platform);
  platform.qtMainBrowser().attach(window.WBrowser());
  window.show();
  platform.splash().close();
  steps.emplace_back("window", sinceStart.elapsed());

  bool documentation = args.isSet(firstPreview) || args.isSet(screenshots);
  if (!documentation) startRecovery(form, &window);
  // Files given by the file manager or on the command line open as a dropped file does: work not
  // yet saved (restored, or of the file before) is settled first.
  QStringList files = documentation ? QStringList() : args.positionalArguments();
  QTimer::singleShot(0, &window, [&form, files] {
    for (const QString& file : files) {
      form.document.openFile(
          std::filesystem::u8path(bq::gui::str(QFileInfo(file).absoluteFilePath())));
    }
  });
  // The desktop session ending is one more way to close the window.
  QObject::connect(qApp, &QGuiApplication::commitDataRequest, &window,
                   [&form](QSessionManager& manager) {
                     if (!form.document.modified()) return;
                     if (!manager.allowsInteraction()) {
                       form.document.writeRecovery();
                       return;
                     }
                     bool closed = form.document.close();
                     manager.release();
                     if (!closed) manager.cancel();
                   });

  if (documentation) {
    bq::gui::reportStartAndShoot(window, form, platform, args.value(screenshots), sinceStart,
                                 steps);
  }
  return QApplication::exec();
}

}  // namespace

int main(int argc, char** argv) {
  // Bodies of megabytes come and go: blocks of a megabyte or more are mapped on their own, so
  // freeing them gives the memory back instead of leaving the heap at its highest.
  mallopt(M_MMAP_THRESHOLD, 1 << 20);
  QElapsedTimer sinceStart;
  sinceStart.start();
  if (asks(argc, argv, {"--help", "-h", "-?", "--help-all", "--version", "-v"})) {
    QCoreApplication core(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("bidquill"));
    QCoreApplication::setApplicationVersion(QString::fromUtf8(bq::kVersion));
    Options options;
    options.parser.process(core);  // prints and exits
    return 0;
  }
  if (!readyToStart()) return 1;
  bq::gui::chooseRenderer();
  bq::gui::registerPageScheme();
  bq::gui::quietWebEngine();
  bq::gui::RuntimeFolder runtime;
  QApplication app(argc, argv);
  runtime.release();
  // Where start-up's time goes, told with --first-preview.
  bq::gui::StartSteps steps{{"Qt", sinceStart.elapsed()}};
  bq::gui::loadQtTranslations();
  QApplication::setOrganizationName(QStringLiteral("Bidquill"));
  QApplication::setApplicationName(QStringLiteral("Bidquill"));
  bq::gui::MainWindow::takeOverEarlierSettings();
  QGuiApplication::setDesktopFileName(QStringLiteral("io.github.bidquill.Bidquill"));
  QIcon icon;
  for (int size : {16, 32, 48, 64, 128, 256}) {
    icon.addFile(QStringLiteral(":/icons/%1.png").arg(size), QSize(size, size));
  }
  QApplication::setWindowIcon(icon);
  QApplication::setApplicationVersion(QString::fromUtf8(bq::kVersion));

  Options options;
  QCommandLineParser& args = options.parser;
  args.process(app);
  int code = run(args, options, sinceStart, steps);
  bq::gui::deletePagesLeft();
  return code;
}

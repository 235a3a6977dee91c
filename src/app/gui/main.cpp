// The desktop program: splash, start-up, the main window with its live preview.
#include <QApplication>
#include <QCommandLineParser>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QTimer>
#include <cstdio>

#include "app/app_folder.h"
#include "app/frm_main.h"
#include "app/gui/main_window.h"
#include "app/gui/qt_platform.h"
#include "app/gui/qt_text.h"
#include "app/templates.h"
#include "app/version.h"

int main(int argc, char** argv) {
  QElapsedTimer sinceStart;
  sinceStart.start();
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Bidquill"));
  QApplication::setApplicationVersion(QString::fromUtf8(bq::kVersion));

  QCommandLineParser args;
  args.addHelpOption();
  args.addVersionOption();
  QCommandLineOption appFolder(QStringLiteral("app-folder"),
                               QStringLiteral("Folder holding data/tag (default: the program's)."),
                               QStringLiteral("DIR"));
  QCommandLineOption firstPreview(
      QStringLiteral("first-preview"),
      QStringLiteral("Print the time to the first painted preview, save a screenshot of the "
                     "window to FILE (if given, else nothing) and quit."),
      QStringLiteral("FILE"));
  args.addOption(appFolder);
  args.addOption(firstPreview);
  args.process(app);

  bq::gui::QtPlatform platform;
  std::filesystem::path folder =
      args.isSet(appFolder) ? bq::gui::str(args.value(appFolder)) : bq::AppFolder().string();
  bq::frmMain form(platform, folder);
  auto missing = form.Load();
  if (!missing.empty()) {
    platform.splash().close();
    QMessageBox::critical(nullptr, QStringLiteral("Bidquill"),
                          bq::gui::qs(bq::missingTemplateMessage(missing.front())));
    return 1;
  }

  bq::gui::MainWindow window(form, platform);
  platform.qtMainBrowser().attach(window.WBrowser());
  window.show();
  platform.splash().close();

  if (args.isSet(firstPreview)) {
    QString shot = args.value(firstPreview);
    QObject::connect(window.WBrowser(), &QWebEngineView::loadFinished, &window,
                     [&window, shot, &sinceStart](bool) {
                       // One more frame so that what was loaded is painted.
                       QTimer::singleShot(300, &window, [&window, shot, &sinceStart] {
                         std::printf("first preview: %lld ms\n",
                                     static_cast<long long>(sinceStart.elapsed()) - 300);
                         std::fflush(stdout);
                         if (!shot.isEmpty() && shot != QStringLiteral("-")) {
                           window.grab().save(shot);
                         }
                         QApplication::quit();
                       });
                     });
  }
  return QApplication::exec();
}

// Keystroke to painted preview, in the real window (run under Xvfb at 1366x768): a key goes to
// 欄1's body as from an input method, and the time until the preview's render widget paints
// next is measured. Both ways of showing a new page are measured: replacing the document in
// place (what the program does) and reloading the page file (what it did).
//   xvfb-run -a -s "-screen 0 1366x768x24" build/bin/bidquill_gui_latency
#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QTest>
#include <QWebEngineScript>
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <random>
#include <vector>

#include "app/frm_main.h"
#include "gui/main_window.h"
#include "gui/page_scheme.h"
#include "gui/qt_platform.h"
#include "gui/qt_translations.h"

namespace fs = std::filesystem;
using namespace bq;

namespace {

// Counts the paints of the widget the browser renders into.
class PaintProbe : public QObject {
 public:
  bool eventFilter(QObject*, QEvent* e) override {
    if (e->type() == QEvent::Paint || e->type() == QEvent::UpdateRequest) {
      ++paints;
      last.restart();
    }
    return false;
  }
  int paints = 0;
  QElapsedTimer last;
};

void report(const char* how, std::vector<double> ms) {
  std::sort(ms.begin(), ms.end());
  double median = ms[ms.size() / 2];
  double p95 = ms[std::min(ms.size() - 1, ms.size() * 95 / 100)];
  std::printf("%-28s median %6.1f ms   p95 %6.1f ms   (%zu keys)\n", how, median, p95, ms.size());
}

}  // namespace

int main(int argc, char** argv) {
  gui::chooseRenderer();
  gui::registerPageScheme();
  QApplication app(argc, argv);
  fs::path dir =
      fs::temp_directory_path() / ("bidquill-latency-" + std::to_string(std::random_device{}()));
  fs::create_directories(dir / "data");
  fs::copy(BIDQUILL_TEMPLATE_DIR, dir / "data" / "tag", fs::copy_options::recursive);
  qputenv("XDG_RUNTIME_DIR", QByteArray::fromStdString((dir / "run").string()));

  gui::QtPlatform platform;
  frmMain form(platform, dir);
  if (!form.Load().empty()) return 1;
  gui::installPageScheme(form.paths().temp);
  gui::MainWindow window(form, platform);
  platform.qtMainBrowser().attach(window.WBrowser());
  window.show();
  if (!QTest::qWaitForWindowExposed(&window)) return 1;
  gui::QtBrowser& browser = platform.qtMainBrowser();
  QElapsedTimer started;
  started.start();
  while (browser.pagesShown() == 0 && started.elapsed() < 30000) QTest::qWait(50);
  QTest::qWait(1000);

  QWidget* target = window.WBrowser()->focusProxy();
  PaintProbe probe;
  target->installEventFilter(&probe);
  auto* body = window.findChild<QPlainTextEdit*>(QStringLiteral("txtEdit1"));
  body->setFocus();

  {
    std::vector<double> trip;
    for (int k = 0; k < 30; ++k) {
      bool done = false;
      QElapsedTimer t;
      t.start();
      window.WBrowser()->page()->runJavaScript(QStringLiteral("1"),
                                               QWebEngineScript::ApplicationWorld,
                                               [&](const QVariant&) { done = true; });
      while (!done) QApplication::processEvents(QEventLoop::AllEvents, 1);
      trip.push_back(static_cast<double>(t.nsecsElapsed()) / 1e6);
      QTest::qWait(50);
    }
    report("  (empty script round trip)", trip);
    std::vector<double> write, layout;
    for (int k = 0; k < 20; ++k) {
      QVariant result;
      bool done = false;
      window.WBrowser()->page()->runJavaScript(
          QStringLiteral("(function () { var h = document.documentElement.outerHTML;"
                         " var a = performance.now(); document.open(); document.write(h);"
                         " document.close(); var b = performance.now();"
                         " var x = document.body.offsetHeight; var c = performance.now();"
                         " return [b - a, c - b]; })()"),
          QWebEngineScript::ApplicationWorld, [&](const QVariant& v) {
            result = v;
            done = true;
          });
      while (!done) QApplication::processEvents(QEventLoop::AllEvents, 1);
      QVariantList l = result.toList();
      if (l.size() == 2) {
        write.push_back(l[0].toDouble());
        layout.push_back(l[1].toDouble());
      }
      QTest::qWait(50);
    }
    report("  (in page: write)", write);
    report("  (in page: layout)", layout);
  }
  // With the other texts short, then with 20 KB in 欄2's body: an edit's cost must not grow with
  // what it did not touch.
  std::string filler;
  while (filler.size() < 20 * 1024) filler += "ほかの欄の長い説明文です。状態は良好です。<BR>\n";
  for (int run = 0; run < 3; ++run) {
    bool inPlace = run < 2;
    if (run == 1) {
      int shown = browser.pagesShown();
      form.page.section(2).txtEdit.setText(filler);
      while (browser.pagesShown() == shown) QTest::qWait(20);
      QTest::qWait(500);
      std::printf("with 20 KB in another body:\n");
    }
    browser.setReplaceInPlace(inPlace);
    std::vector<double> ms, shownMs, sentMs;
    for (int k = 0; k < 60; ++k) {
      int before = probe.paints;
      int shown = browser.pagesShown();
      QElapsedTimer t;
      t.start();
      QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QStringLiteral("あ"));
      QApplication::sendEvent(body, &press);
      double sentAt = static_cast<double>(t.nsecsElapsed()) / 1e6;
      double shownAt = 0;
      while (probe.paints == before && t.elapsed() < 2000) {
        QApplication::processEvents(QEventLoop::AllEvents, 1);
        if (!shownAt && browser.pagesShown() > shown)
          shownAt = static_cast<double>(t.nsecsElapsed()) / 1e6;
      }
      if (k >= 5) {
        ms.push_back(static_cast<double>(t.nsecsElapsed()) / 1e6);
        shownMs.push_back(shownAt);
        sentMs.push_back(sentAt);
      }
      QTest::qWait(150);  // a seller's pace; every paint of this key is over
    }
    report(inPlace ? "replaced in place:" : "reloaded (before):", ms);
    report("  (key handled, page sent)", sentMs);
    report("  (page shown, not painted)", shownMs);
  }
  window.hide();
  fs::remove_all(dir);
  return 0;
}

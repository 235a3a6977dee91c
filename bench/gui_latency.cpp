// Keystroke to painted preview in the real window, beside the platform's own floors measured in
// the same run, with a short body, 20 KB and 100 KB in 欄1's body (run under Xvfb at 1366x768):
//   - a plain text box holding the same text, key to painted box (QPlainTextEdit, the body's own
//     kind; QTextEdit for comparison);
//   - a plain QWebEngineView showing the same page, whose text node at the body's end is
//     changed by script, to its next paint: what any preview of that page costs;
//   - Bidquill: a key into 欄1's body, as from an input method, to the preview's next paint
//     (the change crossing to the preview as an edit of the text it shows).
// The goal: Bidquill within the text box's floor plus 1.5 times the preview's floor, at every
// length. It checks that it measured what it names: the boxes hold the text and every key, and
// the preview shows the last key, given as an edit.
//   xvfb-run -a -s "-screen 0 1366x768x24" build/bin/bidquill_gui_latency
#include <QApplication>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QTest>
#include <QTextEdit>
#include <QWebEngineScript>
#include <QWebEngineView>
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <random>
#include <vector>

#include "app/window/frm_main.h"
#include "core/app_folder.h"
#include "gui/main_window.h"
#include "gui/page_scheme.h"
#include "gui/qt_platform.h"
#include "gui/qt_text.h"
#include "text/cp932.h"

namespace fs = std::filesystem;
using namespace bq;

namespace {

constexpr int kKeys = 40;
constexpr int kWarm = 5;

// Counts the paints of a widget.
class PaintProbe : public QObject {
 public:
  bool eventFilter(QObject*, QEvent* e) override {
    if (e->type() == QEvent::Paint || e->type() == QEvent::UpdateRequest) ++paints;
    return false;
  }
  int paints = 0;
};

struct Figures {
  double median = 0;
  double p95 = 0;
};

Figures figures(std::vector<double> ms) {
  std::sort(ms.begin(), ms.end());
  return {ms[ms.size() / 2], ms[std::min(ms.size() - 1, ms.size() * 95 / 100)]};
}

[[noreturn]] void fail(const char* what) {
  std::fprintf(stderr, "bidquill_gui_latency: did not measure what it names: %s\n", what);
  std::exit(2);
}

// `keys` keys sent by `press`, each timed until `painted` paints next; a seller's pace between.
Figures timeKeys(QWidget* painted, const std::function<void()>& press) {
  PaintProbe probe;
  painted->installEventFilter(&probe);
  std::vector<double> ms;
  for (int k = 0; k < kKeys; ++k) {
    int before = probe.paints;
    QElapsedTimer t;
    t.start();
    press();
    while (probe.paints == before && t.elapsed() < 60000) {
      QApplication::processEvents(QEventLoop::AllEvents, 1);
    }
    if (probe.paints == before) fail("a key was never painted");
    if (k >= kWarm) ms.push_back(static_cast<double>(t.nsecsElapsed()) / 1e6);
    QTest::qWait(120);
  }
  painted->removeEventFilter(&probe);
  return figures(ms);
}

void typeInto(QWidget* box) {
  QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QStringLiteral("あ"));
  QApplication::sendEvent(box, &press);
}

void waitFor(const std::function<bool()>& ready, const char* what) {
  QElapsedTimer t;
  t.start();
  while (!ready()) {
    if (t.elapsed() > 300000) fail(what);
    QTest::qWait(20);
  }
}

QVariant run(QWebEngineView* view, const QString& script) {
  QVariant result;
  bool done = false;
  view->page()->runJavaScript(script, QWebEngineScript::ApplicationWorld, [&](const QVariant& v) {
    result = v;
    done = true;
  });
  while (!done) QApplication::processEvents(QEventLoop::AllEvents, 5);
  return result;
}

// A text box of the body's size holding `text`, the caret at its end.
template <class Box>
Figures textBoxFloor(const QString& text) {
  Box box;
  box.resize(600, 300);
  box.setPlainText(text);
  box.show();
  if (!QTest::qWaitForWindowExposed(&box)) fail("the text box was never shown");
  box.moveCursor(QTextCursor::End);
  box.setFocus();
  QTest::qWait(300);
  Figures f = timeKeys(box.viewport(), [&] { typeInto(&box); });
  if (box.toPlainText().size() != text.size() + kKeys) fail("the text box did not take every key");
  return f;
}

// Scrolls `view` so that the text node ending in `kEnd` (where the keys land) is in the middle.
const QString kFindEnd = QStringLiteral(
    "(function () { var w = document.createTreeWalker(document.body, NodeFilter.SHOW_TEXT), n, "
    "last;"
    " while ((n = w.nextNode())) if (n.data.indexOf('%1') >= 0) last = n; return last; })()");
constexpr char16_t kEnd[] = u"最後の行";

void showTheEnd(QWebEngineView* view) {
  run(view, QStringLiteral("(function (n) { var r = document.createRange(); r.selectNode(n);"
                           " window.scrollTo(0, r.getBoundingClientRect().top + window.scrollY -"
                           " window.innerHeight / 2); })(") +
                kFindEnd.arg(QString::fromUtf16(kEnd)) + QStringLiteral(")"));
}

// A plain view showing the same page, whose text node at the body's end a script lengthens by
// one character per key: what any preview of this page costs.
Figures previewFloor(const fs::path& page) {
  QWebEngineView view;
  view.resize(766, 700);
  bool loaded = false;
  QObject::connect(&view, &QWebEngineView::loadFinished, [&] { loaded = true; });
  // From a file: setHtml takes no more than 2 MB.
  view.load(QUrl::fromLocalFile(QString::fromStdString(page.string())));
  view.show();
  waitFor([&] { return loaded; }, "the plain view never loaded");
  showTheEnd(&view);
  QTest::qWait(500);
  QString end = kFindEnd.arg(QString::fromUtf16(kEnd));
  Figures f = timeKeys(view.focusProxy(), [&] {
    view.page()->runJavaScript(end + QStringLiteral(".appendData('あ')"),
                               QWebEngineScript::ApplicationWorld);
  });
  if (!run(&view, end + QStringLiteral(".data")).toString().endsWith(QString(kKeys, u'あ')))
    fail("the plain view's text node did not take every change");
  return f;
}

QString bodyOf(std::size_t bytes) {
  std::string s;
  while (s.size() < bytes) s += "長い説明文です。状態は良好です。<BR>\n";
  return gui::qs(s) + QString::fromUtf16(kEnd);
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
  waitFor([&] { return browser.pagesShown() > 0; }, "no first preview");
  QTest::qWait(1000);
  auto* body = window.findChild<QPlainTextEdit*>(QStringLiteral("txtEdit1"));
  QWidget* preview = window.WBrowser()->focusProxy();

  std::printf("%-8s %-22s %-22s %-22s %-22s %s\n", "body", "QPlainTextEdit", "QTextEdit",
              "plain view, same page", "Bidquill", "Bidquill - box  (goal)");
  double shortExtra = 0;
  // Other lengths in bytes may be given (a body of 16 MB: 16777216).
  std::vector<std::size_t> lengths{60, 20 * 1024, 100 * 1024};
  if (argc > 1) lengths.assign(1, 60);
  for (int i = 1; i < argc; ++i) lengths.push_back(std::stoul(argv[i]));
  for (std::size_t bytes : lengths) {
    QString text = bodyOf(bytes);
    int shown = browser.pagesShown();
    form.page.section(1).txtEdit.setText(gui::str(text));
    waitFor([&] { return browser.pagesShown() > shown; }, "the long body was never shown");
    QString page = gui::qs(text::decodeText(readWholeFile(form.output.tempPage()).value_or("")));
    if (!page.contains(QString::fromUtf16(kEnd))) fail("the page file lacks the body");
    fs::path pageCopy = dir / "floor.htm";
    fs::copy_file(form.output.tempPage(), pageCopy, fs::copy_options::overwrite_existing);
    Figures plain = textBoxFloor<QPlainTextEdit>(text);
    Figures rich = textBoxFloor<QTextEdit>(text);
    Figures view = previewFloor(pageCopy);

    window.activateWindow();
    // Both views show the body's end, where the keys land.
    showTheEnd(window.WBrowser());
    QTest::qWait(800);
    body->setFocus();
    body->moveCursor(QTextCursor::End);
    int edited = browser.editUpdates();
    std::vector<double> handled, shownAt;
    Figures ours = timeKeys(preview, [&] {
      QElapsedTimer t;
      t.start();
      int before = browser.pagesShown();
      typeInto(body);
      handled.push_back(static_cast<double>(t.nsecsElapsed()) / 1e6);
      while (browser.pagesShown() == before && t.elapsed() < 3000)
        QApplication::processEvents(QEventLoop::AllEvents, 1);
      shownAt.push_back(static_cast<double>(t.nsecsElapsed()) / 1e6);
    });
    if (body->toPlainText().size() != text.size() + kKeys) fail("the body did not take every key");
    if (browser.editUpdates() - edited < kKeys / 2)
      fail("the preview was not given only what changed");
    QTest::qWait(500);
    QString tail = QString(12, QChar(u'あ'));
    if (!run(window.WBrowser(), QStringLiteral("document.body.textContent"))
             .toString()
             .contains(tail))
      fail("the preview does not show the keys");

    std::printf("  (Bidquill: key handled and page written %.1f ms, page put in place %.1f ms)\n",
                figures(handled).median, figures(shownAt).median);
    double extra = ours.median - plain.median;
    if (bytes < 1024) shortExtra = extra;
    auto cell = [](Figures f) {
      static char buf[64];
      std::snprintf(buf, sizeof buf, "%6.1f ms (p95 %6.1f)", f.median, f.p95);
      return std::string(buf);
    };
    std::printf(
        "%-8s %-22s %-22s %-22s %-22s %6.1f ms = %.2f x short  (%s %.1f ms; beyond both "
        "floors %.1f ms)\n",
        bytes < 1024 ? "short" : (std::to_string(bytes / 1024) + " KB").c_str(),
        cell(plain).c_str(), cell(rich).c_str(), cell(view).c_str(), cell(ours).c_str(), extra,
        shortExtra > 0 ? extra / shortExtra : 0.0,
        ours.median <= plain.median + 1.5 * view.median ? "met:" : "NOT met:",
        plain.median + 1.5 * view.median, extra - view.median);
  }
  window.hide();
  fs::remove_all(dir);
  return 0;
}

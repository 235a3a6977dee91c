// The desktop program under the offscreen platform: the window starts with its bindings, typing
// reaches the page and its file, the preview window shows the page.
#include <QApplication>
#include <QCheckBox>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QSignalSpy>
#include <QSplitterHandle>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <fstream>
#include <random>

#include "app/app_folder.h"
#include "app/frm_main.h"
#include "app/gui/main_window.h"
#include "app/gui/qt_platform.h"
#include "app/gui/qt_text.h"
#include "text/cp932.h"

namespace fs = std::filesystem;
using namespace bq;

// QTest types Latin-1 only; Japanese arrives as key events carrying text, as from an input method.
void typeText(QWidget* w, const QString& text) {
  for (QChar ch : text) {
    QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(ch));
    QApplication::sendEvent(w, &press);
  }
}

// Answers the next modal message box with OK, as the seller would.
void acceptNextMessageBox() {
  QTimer::singleShot(50, [] {
    if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
      box->accept();
    } else {
      acceptNextMessageBox();
    }
  });
}

class GuiTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    dir_ = fs::temp_directory_path() / ("bidquill-gui-" + std::to_string(std::random_device{}()));
    fs::create_directories(dir_ / "data");
    fs::copy(BIDQUILL_TEMPLATE_DIR, dir_ / "data" / "tag", fs::copy_options::recursive);
    platform_ = std::make_unique<gui::QtPlatform>();
    form_ = std::make_unique<frmMain>(*platform_, dir_);
    QVERIFY(form_->Load().empty());
    gui::installPageScheme(form_->paths().temp);
    window_ = std::make_unique<gui::MainWindow>(*form_, *platform_);
    platform_->qtMainBrowser().attach(window_->WBrowser());
    window_->show();
  }

  void cleanup() {
    window_.reset();
    form_.reset();
    platform_.reset();
    fs::remove_all(dir_);
  }

  void windowStartsWithTheEngineState() {
    QCOMPARE(window_->windowTitle(), QStringLiteral("Bidquill"));
    auto* title = window_->findChild<QPlainTextEdit*>(QStringLiteral("txtTitle1"));
    QVERIFY(title);
    QCOMPARE(title->toPlainText(), QStringLiteral("商品名"));
    auto* hidden = window_->findChild<QCheckBox*>(QStringLiteral("chkTitle4"));
    QVERIFY(hidden && !hidden->isChecked());
    QVERIFY(!window_->findChild<QWidget*>(QStringLiteral("txtEdit5")));
    // The first page reaches the embedded browser.
    QSignalSpy loaded(window_->WBrowser(), &QWebEngineView::loadFinished);
    QVERIFY(loaded.count() > 0 || loaded.wait(20000));
  }

  void typingATitleReachesThePageAndItsFile() {
    auto* title = window_->findChild<QPlainTextEdit*>(QStringLiteral("txtTitle2"));
    title->selectAll();
    title->setFocus();
    typeText(title, QStringLiteral("状態"));
    QCOMPARE(gui::qs(form_->registry().find<TextBox>("txtTitle2")->text()), QStringLiteral("状態"));
    const std::string& page = form_->output.txtTag.text();
    QVERIFY(page.find("状態") != std::string::npos);
    std::string file = text::decodeText(readWholeFile(form_->output.tempPage()).value_or(""));
    QCOMPARE(file, page);
    // Enter goes through the engine's rule: the tag, then the box's own line break.
    QTest::keyClick(title, Qt::Key_Return);
    QCOMPARE(title->toPlainText(), QStringLiteral("状態<BR>\n"));
  }

  void browserDecodesThePageExactly() {
    QSignalSpy loaded(window_->WBrowser(), &QWebEngineView::loadFinished);
    const std::string tricky = "～－∥￠￡￢ 〜−‖¢£¬¥ 髙①ｱ 😀";
    form_->page.section(1).txtEdit.setText(tricky);
    QString shown;
    for (int attempt = 0; attempt < 20 && !shown.contains(QStringLiteral("😀")); ++attempt) {
      loaded.wait(2000);
      bool done = false;
      window_->WBrowser()->page()->runJavaScript(QStringLiteral("document.body.innerText"),
                                                 [&](const QVariant& v) {
                                                   shown = v.toString();
                                                   done = true;
                                                 });
      QTRY_VERIFY_WITH_TIMEOUT(done, 5000);
    }
    QVERIFY2(shown.contains(gui::qs(tricky)), qPrintable(shown));
  }

  void typingIsNotHeldUpByTheBrowser() {
    int before = platform_->qtMainBrowser().loadsStarted();
    auto& box = form_->page.section(7).txtEdit;
    for (int k = 0; k < 40; ++k) box.setText(box.text() + "あ");
    // Forty refreshes, but the browser is given at most the one it is busy with and the newest.
    QVERIFY(platform_->qtMainBrowser().loadsStarted() - before <= 2);
  }

  void checkBoxHidesTheSection() {
    auto* show = window_->findChild<QCheckBox*>(QStringLiteral("chkTitle3"));
    QTest::mouseClick(show, Qt::LeftButton, {}, QPoint(4, show->height() / 2));
    QCOMPARE(form_->page.section(3).chkTitle.value(), 0);
    QVERIFY(form_->output.txtTag.text().find("商品状態") == std::string::npos);
  }

  void resizeKeepsThePreviewTopAndRecordsHome() {
    window_->resize(1200, 700);
    QApplication::processEvents();
    int top = window_->WBrowser()->mapTo(window_.get(), QPoint(0, 0)).y();
    window_->resize(1200, 600);
    QApplication::processEvents();
    QCOMPARE(window_->WBrowser()->mapTo(window_.get(), QPoint(0, 0)).y(), top);
    QCOMPARE(window_->WBrowser()->width(), window_->imgMove()->width());
    QCOMPARE(window_->imgMove()->home(), window_->imgMove()->sizes());
  }

  void dragStopsAtTheLimitAndDoubleClickGoesHome() {
    window_->resize(1200, 700);
    QApplication::processEvents();
    QList<int> home = window_->imgMove()->sizes();
    QSplitterHandle* handle = window_->imgMove()->handle(1);
    QPoint grip(handle->width() / 2, handle->height() / 2);
    auto send = [handle](QEvent::Type type, QPoint local, Qt::MouseButtons buttons) {
      QPointF global = handle->mapToGlobal(QPointF(local));
      QMouseEvent e(type, QPointF(local), global, Qt::LeftButton, buttons, Qt::NoModifier);
      QApplication::sendEvent(handle, &e);
    };
    send(QEvent::MouseButtonPress, grip, Qt::LeftButton);
    send(QEvent::MouseMove, grip - QPoint(0, 2000), Qt::LeftButton);
    send(QEvent::MouseButtonRelease, grip - QPoint(0, 2000), Qt::NoButton);
    QApplication::processEvents();
    int handleTop = handle->mapTo(window_.get(), QPoint(0, 0)).y();
    int previewTop = window_->WBrowser()->mapTo(window_.get(), QPoint(0, 0)).y();
    QVERIFY2(handleTop >= 7, "the handle stays below the window's top edge");
    QCOMPARE(previewTop, handleTop + handle->height());  // the preview moves with the handle
    QVERIFY(window_->imgMove()->sizes() != home);
    QTest::mouseDClick(handle, Qt::LeftButton, {}, grip);
    QCOMPARE(window_->imgMove()->sizes(), home);
  }

  void previewWindowShowsThePage() {
    acceptNextMessageBox();
    form_->output.cmdPreview.click();
    gui::frmWeb* preview = platform_->existingPreview();
    QVERIFY(preview && preview->isVisible());
    QCOMPARE(preview->tabWeb->count(), 2);
    QCOMPARE(preview->tabWeb->tabText(0), QStringLiteral("プレビュー"));
    QCOMPARE(preview->tabWeb->tabText(1), QStringLiteral("HTMLタグ"));
    QCOMPARE(gui::str(preview->rtxtTag->toPlainText()), form_->output.txtTag.text());
    QSignalSpy loaded(preview->WBrowser, &QWebEngineView::loadFinished);
    QVERIFY(loaded.count() > 0 || loaded.wait(20000));
    QCOMPARE(preview->WBrowser->url().fileName(), QStringLiteral("temp_yahoo.htm"));
  }

  // Last: closing the main window ends the program's event loop.
  void closingTheMainWindowClosesThePreviewToo() {
    acceptNextMessageBox();
    form_->output.cmdPreview.click();
    QVERIFY(platform_->existingPreview());
    window_->close();
    QVERIFY(!platform_->existingPreview());
    QVERIFY(!platform_->splashWindow()->isVisible());
  }

 private:
  fs::path dir_;
  std::unique_ptr<gui::QtPlatform> platform_;
  std::unique_ptr<frmMain> form_;
  std::unique_ptr<gui::MainWindow> window_;
};

int main(int argc, char** argv) {
  gui::registerPageScheme();
  QApplication app(argc, argv);
  GuiTest test;
  return QTest::qExec(&test, argc, argv);
}

#include "test_gui.moc"

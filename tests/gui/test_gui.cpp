// The desktop program under the offscreen platform: the window starts with its bindings, typing
// reaches the page and its file, the preview window shows the page.
#include <QAbstractScrollArea>
#include <QAccessible>
#include <QApplication>
#include <QBuffer>
#include <QCheckBox>
#include <QClipboard>
#include <QColorDialog>
#include <QComboBox>
#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QHostAddress>
#include <QImage>
#include <QLineEdit>
#include <QListWidget>
#include <QLocale>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QProcess>
#include <QProgressDialog>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSettings>
#include <QSignalSpy>
#include <QSplitterHandle>
#include <QStandardPaths>
#include <QTabWidget>
#include <QTableWidget>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QWebEngineScript>
#include <filesystem>
#include <fstream>
#include <random>

#include "app/copies/design_gallery.h"
#include "app/window/frm_main.h"
#include "app/window/window_layout.h"
#include "core/app_folder.h"
#include "gui/adaptive_area.h"
#include "gui/main_window.h"
#include "gui/page_scheme.h"
#include "gui/qt_platform.h"
#include "gui/qt_process.h"
#include "gui/qt_text.h"
#include "gui/qt_translations.h"
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

// Whether the window manager has `front` active and stacked above `behind` (X window ids).
bool windowManagerSays(const QString& front, const QString& behind) {
  QProcess xprop;
  xprop.start(QStringLiteral("xprop"),
              {QStringLiteral("-root"), QStringLiteral("_NET_ACTIVE_WINDOW"),
               QStringLiteral("_NET_CLIENT_LIST_STACKING")});
  if (!xprop.waitForFinished(5000)) return false;
  QString said = QString::fromLatin1(xprop.readAllStandardOutput());
  if (qEnvironmentVariableIsSet("BIDQUILL_TEST_WM_DEBUG")) {
    qWarning("front %s behind %s: %s", qPrintable(QString::number(front.toULongLong(), 16)),
             qPrintable(QString::number(behind.toULongLong(), 16)), qPrintable(said));
  }
  QStringList lines = said.split(QLatin1Char('\n'));
  auto ids = [&](const QString& property) {
    QList<qulonglong> out;
    for (const QString& line : lines) {
      if (!line.startsWith(property)) continue;
      for (const QString& id : line.section(QLatin1Char('#'), 1).split(QLatin1Char(','))) {
        out << id.trimmed().toULongLong(nullptr, 16);
      }
    }
    return out;
  };
  QList<qulonglong> active = ids(QStringLiteral("_NET_ACTIVE_WINDOW")),
                    stacking = ids(QStringLiteral("_NET_CLIENT_LIST_STACKING"));
  qulonglong f = front.toULongLong(), b = behind.toULongLong();
  return active.value(0) == f && stacking.contains(b) && stacking.indexOf(f) > stacking.indexOf(b);
}

// What a script of the program's own world returns in the view's page (waits for it; an
// invalid value after five seconds). The shared handle outlives a late answer.
QVariant runInPage(QWebEngineView* view, const QString& script) {
  auto result = std::make_shared<std::pair<bool, QVariant>>();
  view->page()->runJavaScript(script, QWebEngineScript::ApplicationWorld,
                              [result](const QVariant& v) {
                                *result = {true, v};
                              });
  QDeadlineTimer deadline(5000);
  while (!result->first && !deadline.hasExpired()) QTest::qWait(20);
  return result->second;
}

// The width of the shown page in CSS pixels, as the page sees it.
int pageWidth(QWebEngineView* view) {
  return runInPage(view, QStringLiteral("Object.getOwnPropertyDescriptor(Document.prototype,"
                                        " 'documentElement').get.call(document).clientWidth"))
      .toInt();
}

// Whether the view shows the bottom of its page.
bool atBottom(QWebEngineView* view) {
  return runInPage(view, QStringLiteral(
                             "(function () { var e = Object.getOwnPropertyDescriptor("
                             "Document.prototype, 'scrollingElement').get.call(document);"
                             " return window.scrollY + window.innerHeight >= e.scrollHeight - 2;"
                             " })()"))
      .toBool();
}

class GuiTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    dir_ = fs::temp_directory_path() / ("bidquill-gui-" + std::to_string(std::random_device{}()));
    fs::create_directories(dir_ / "data");
    fs::copy(BIDQUILL_TEMPLATE_DIR, dir_ / "data" / "tag", fs::copy_options::recursive);
    // Pages of this test's own: the tests may run side by side.
    qputenv("XDG_RUNTIME_DIR", QByteArray::fromStdString((dir_ / "run").string()));
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
    QCOMPARE(window_->windowTitle(), QStringLiteral("無題[*] — Bidquill"));
    QVERIFY(!window_->isWindowModified());
    QVERIFY(window_->focusWidget());
    QCOMPARE(window_->focusWidget()->objectName(), QStringLiteral("txtTitle1"));
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

  // What a screen reader reads: every control of the window's description is there, named, and
  // announced as what it is (a tick as a check box, a line box as a text box…).
  void everyControlHasASpokenNameAndItsRole() {
    using layout::Look;
    QStringList faults;
    for (const layout::Piece* p : layout::namedPieces()) {
      auto* w = window_->findChild<QWidget*>(gui::qs(p->name));
      if (w && p->look == Look::Dimension && !qobject_cast<QLineEdit*>(w))
        w = w->findChild<QLineEdit*>();
      QAccessibleInterface* a = w ? QAccessible::queryAccessibleInterface(w) : nullptr;
      if (!a) {
        faults << gui::qs(p->name) + QStringLiteral(": not in the tree");
        continue;
      }
      QList<QAccessible::Role> roles;
      switch (p->look) {
        case Look::Line:
        case Look::Area:
        case Look::Dimension:
          roles = {QAccessible::EditableText};
          break;
        case Look::Check:
          roles = {QAccessible::CheckBox};
          break;
        case Look::Combo:
          roles = {QAccessible::ComboBox};
          break;
        case Look::Option:
          roles = {QAccessible::RadioButton};
          break;
        default:  // buttons, toggles and the window's own commands
          roles = {QAccessible::Button, QAccessible::CheckBox, QAccessible::ButtonMenu};
      }
      const QString name = a->text(QAccessible::Name).trimmed();
      if (name.isEmpty()) faults << gui::qs(p->name) + ": no name";
      // Named by what it is for, never by what it holds (a size list saying 「2」).
      if (!name.isEmpty() && name == a->text(QAccessible::Value).trimmed() &&
          p->look != Look::Line && p->look != Look::Area && p->look != Look::Dimension)
        faults << gui::qs(p->name) + ": named by its value";
      if (!roles.contains(a->role()))
        faults << gui::qs(p->name) + QStringLiteral(": role %1").arg(a->role());
    }
    QVERIFY2(faults.isEmpty(), qPrintable(faults.join(QStringLiteral("; "))));
    auto* money = window_->findChild<QLineEdit*>(QStringLiteral("txtMoney3"));
    QCOMPARE(QAccessible::queryAccessibleInterface(money)->text(QAccessible::Name),
             QStringLiteral("発送方法3の料金"));
    auto* size = window_->findChild<QComboBox*>(QStringLiteral("cmbE3FS"));
    QCOMPARE(QAccessible::queryAccessibleInterface(size)->text(QAccessible::Name),
             QStringLiteral("欄 3 本文の文字の大きさ"));
    QCOMPARE(QAccessible::queryAccessibleInterface(size)->text(QAccessible::Value),
             QStringLiteral("2"));
    // And every control the tree holds, not only the described ones (the tabs, the scroll
    // bars' buttons, the preview's splitter…): named, and not by its value. The listing's page
    // is the seller's and is left out.
    std::size_t met = 0;
    std::function<void(QAccessibleInterface*)> walk = [&](QAccessibleInterface* a) {
      if (!a || qobject_cast<QWebEngineView*>(a->object())) return;
      static const QList<QAccessible::Role> controls = {
          QAccessible::PushButton, QAccessible::CheckBox,    QAccessible::RadioButton,
          QAccessible::ComboBox,   QAccessible::SpinBox,     QAccessible::ButtonMenu,
          QAccessible::PageTab,    QAccessible::EditableText};
      if (controls.contains(a->role()) && !a->state().invisible) {
        ++met;
        const QString name = a->text(QAccessible::Name).trimmed();
        QString what = a->object() ? a->object()->objectName() : QString();
        if (name.isEmpty()) faults << QStringLiteral("unnamed %1 %2").arg(a->role()).arg(what);
        if (a->role() != QAccessible::EditableText && !name.isEmpty() &&
            name == a->text(QAccessible::Value).trimmed())
          faults << QStringLiteral("%1 named by its value").arg(what);
      }
      for (int i = 0; i < a->childCount(); ++i) walk(a->child(i));
    };
    walk(QAccessible::queryAccessibleInterface(window_.get()));
    QVERIFY2(met >= layout::namedPieces().size() / 2, qPrintable(QString::number(met)));
    // The width boxes' arrows say what they do.
    for (auto* arrow : window_->findChildren<QToolButton*>()) {
      if (!arrow->objectName().startsWith(QStringLiteral("updn"))) continue;
      QString spoken = QAccessible::queryAccessibleInterface(arrow)->text(QAccessible::Name);
      if (!spoken.endsWith(QStringLiteral("増やす")) && !spoken.endsWith(QStringLiteral("減らす")))
        faults << arrow->objectName() + QStringLiteral(": ") + spoken;
    }
    QVERIFY2(faults.isEmpty(), qPrintable(faults.join(QStringLiteral("; "))));
  }

  // The whole job by keyboard: Tab goes through every control of the window and comes round.
  void tabReachesEveryControl() {
    window_->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window_.get()));
    QSet<QString> reached;
    // With each of the side's tab pages chosen (by keyboard: the tab bar takes arrows).
    auto* side = window_->findChild<QTabWidget*>(QStringLiteral("SSTab1"));
    for (int page = 0; page < side->count(); ++page) {
      side->setCurrentIndex(page);
      window_->findChild<QWidget*>(QStringLiteral("txtTitle1"))->setFocus();
      for (int k = 0; k < 300; ++k) {
        QWidget* focused = QApplication::focusWidget();
        if (!focused) break;
        // A width box's text box is named; its holder is not.
        for (QWidget* w = focused; w && w != window_.get(); w = w->parentWidget()) {
          if (!w->objectName().isEmpty()) reached << w->objectName();
        }
        QTest::keyClick(focused, Qt::Key_Tab);
      }
    }
    QStringList missed;
    for (const layout::Piece* p : layout::namedPieces()) {
      auto* w = window_->findChild<QWidget*>(gui::qs(p->name));
      // Greyed (元に戻す with nothing to take back) is rightly passed over.
      if (w && w->isEnabled() && !reached.contains(gui::qs(p->name))) missed << gui::qs(p->name);
    }
    QVERIFY2(missed.isEmpty(), qPrintable(missed.join(QStringLiteral(", "))));
  }

  // A question by keyboard: Tab reaches each button in order and Enter takes the focused one.
  // …and each of its sentences stays on one line (Qt would break 「ません。」 at half the screen).
  void aQuestionGoesByKeyboard() {
    Question q{"変更は保存されていません。閉じる前に、この出品の設定ファイルを保存しますか？",
               "Bidquill",
               {{"save", "保存"}, {"discard", "保存しない"}, {"cancel", "キャンセル"}},
               "cancel"};
    QStringList order;
    QTimer::singleShot(100, [&order] {
      QWidget* box = QApplication::activeModalWidget();
      if (!box) return;
      auto* label = box->findChild<QLabel*>(QStringLiteral("qt_msgbox_label"));
      QVERIFY(label && label->height() < 2 * label->fontMetrics().height());
      for (int k = 0; k < 3; ++k) {
        auto* b = qobject_cast<QPushButton*>(box->focusWidget());
        if (b) order << b->text();
        QTest::keyClick(box->focusWidget(), Qt::Key_Tab);
      }
      QTest::keyClick(box->focusWidget(), Qt::Key_Return);  // the first again: 保存
    });
    QCOMPARE(gui::qs(platform_->ask(q)), QStringLiteral("save"));
    QCOMPARE(order, (QStringList{QStringLiteral("保存"), QStringLiteral("保存しない"),
                                 QStringLiteral("キャンセル")}));
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

  // Ctrl+Z in a box goes through the listing's one history: typing by words, one Enter, and a
  // tick made in between, in the order they were made.
  void ctrlZTakesBackTypingEnterAndTicksInOrder() {
    window_->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window_.get()));
    auto* body = window_->findChild<QPlainTextEdit*>(QStringLiteral("txtEdit1"));
    body->setFocus();
    typeText(body, QStringLiteral("abc"));
    QTest::keyClick(body, Qt::Key_Return);
    window_->findChild<QCheckBox*>(QStringLiteral("chkSend3"))->click();
    body->setFocus();
    typeText(body, QStringLiteral("def"));
    QCOMPARE(body->toPlainText(), QStringLiteral("abc<BR>\ndef"));
    QVERIFY(window_->isWindowModified());
    auto undo = [&] { QTest::keyClick(body, Qt::Key_Z, Qt::ControlModifier); };
    undo();
    QCOMPARE(body->toPlainText(), QStringLiteral("abc<BR>\n"));
    QCOMPARE(form_->registry().find<CheckBox>("chkSend3")->value(), 1);
    undo();
    QCOMPARE(form_->registry().find<CheckBox>("chkSend3")->value(), 0);
    QVERIFY(!window_->findChild<QCheckBox*>(QStringLiteral("chkSend3"))->isChecked());
    undo();
    QCOMPARE(body->toPlainText(), QStringLiteral("abc"));
    undo();
    QCOMPARE(gui::qs(form_->page.section(1).txtEdit.text()), QString());
    QVERIFY(!window_->isWindowModified());
    QVERIFY(!window_->findChild<QPushButton*>(QStringLiteral("cmdUndo"))->isEnabled());
    QTest::keyClick(body, Qt::Key_Y, Qt::ControlModifier);
    QCOMPARE(body->toPlainText(), QStringLiteral("abc"));
    window_->findChild<QPushButton*>(QStringLiteral("cmdRedo"))->click();
    QCOMPARE(gui::qs(form_->page.section(1).txtEdit.text()), QStringLiteral("abc<BR>\n"));

    // A width box's right-click 元に戻す is the listing's too: the width typed is one step.
    auto* width = window_->findChild<QLineEdit*>(QStringLiteral("txtWidth"));
    width->setFocus();
    width->selectAll();
    typeText(width, QStringLiteral("600"));
    QAction* taken = nullptr;
    QTimer::singleShot(0, [&] {
      auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
      if (!menu) return;
      for (QAction* a : menu->actions()) {
        if (a->objectName() == QStringLiteral("edit-undo") && a->isEnabled()) taken = a;
      }
      if (taken) taken->trigger();
      menu->close();
    });
    emit width->customContextMenuRequested(QPoint(4, 4));
    QVERIFY(taken);
    QCOMPARE(width->text(), QStringLiteral("750"));
    QCOMPARE(form_->registry().find<TextBox>("txtWidth")->text(), std::string("750"));
  }

  void pastedLineBreaksBecomeWhatEnterGives() {
    auto* body = window_->findChild<QPlainTextEdit*>(QStringLiteral("txtEdit2"));
    body->setFocus();
    QApplication::clipboard()->setText(QStringLiteral("一行目\r\n二行目<br>\n三行目"));
    body->paste();
    QCOMPARE(body->toPlainText(), QStringLiteral("一行目<BR>\n二行目<br>\n三行目"));
    QCOMPARE(gui::qs(form_->page.section(2).txtEdit.text()), body->toPlainText());
  }

  void theWheelChangesAListOnlyWhenItHasTheFocus() {
    auto* size = window_->findChild<QComboBox*>(QStringLiteral("cmbT1FS"));
    QVERIFY(size);
    auto wheel = [size] {
      QPointF at(size->width() / 2.0, size->height() / 2.0);
      QWheelEvent e(at, size->mapToGlobal(at), QPoint(), QPoint(0, -120), Qt::NoButton,
                    Qt::NoModifier, Qt::NoScrollPhase, false);
      QApplication::sendEvent(size, &e);
    };
    window_->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window_.get()));
    int before = form_->boldSize.sizeBox("cmbT1FS").listIndex();
    window_->findChild<QWidget*>(QStringLiteral("txtTitle1"))->setFocus();
    wheel();
    QCOMPARE(form_->boldSize.sizeBox("cmbT1FS").listIndex(), before);
    QVERIFY(!window_->isWindowModified());
    size->setFocus();
    wheel();
    QCOMPARE(size->currentIndex(), before + 1);
  }

  void theColourDialogStartsAtTheButtonsColour() {
    QColor seen;
    QTimer::singleShot(100, [&seen] {
      if (auto* d = qobject_cast<QColorDialog*>(QApplication::activeModalWidget())) {
        seen = d->currentColor();
        d->accept();  // OK without choosing
      }
    });
    form_->registry().find<PushButton>("cmdT1BC")->click();
    QCOMPARE(seen, QColor(Qt::white));
    QCOMPARE(form_->style.TitleBackColor[1], std::string("FFFFFF"));
  }

  void aDroppedSettingsFileOpens() {
    fs::path file = dir_ / "dropped.ini";
    form_->page.section(1).txtTitle.setText("落とした題");
    QVERIFY(form_->settings.saveTo(file));
    form_->page.section(1).txtTitle.setText("別の題");
    auto* target = window_->findChild<QPlainTextEdit*>(QStringLiteral("txtEdit3"));
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(gui::qs(file.string()))});
    QPointF at(10, 10);
    QDragEnterEvent enter(at.toPoint(), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target->viewport(), &enter);
    QVERIFY(enter.isAccepted());
    // The question comes first: 保存しない.
    QTimer::singleShot(100, [] {
      if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
        if (auto* b = box->findChild<QAbstractButton*>(QStringLiteral("discard"))) b->click();
      }
    });
    QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target->viewport(), &drop);
    QTRY_COMPARE(gui::qs(form_->page.section(1).txtTitle.text()), QStringLiteral("落とした題"));
    QCOMPARE(target->toPlainText(), QString());  // no path pasted into the box
    QCOMPARE(window_->windowTitle(), QStringLiteral("dropped.ini[*] — Bidquill"));
    QVERIFY(gui::MainWindow::recentFiles().first().endsWith(QStringLiteral("dropped.ini")));
  }

  void ctrlSSavesToTheCurrentFileWithoutADialog() {
    fs::path file = dir_ / "current.ini";
    QVERIFY(form_->settings.saveTo(file));
    window_->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window_.get()));
    form_->page.section(3).txtTitle.setText("Ctrl+S の題");
    QVERIFY(window_->isWindowModified());
    QTest::keyClick(window_.get(), Qt::Key_S, Qt::ControlModifier);
    QVERIFY(!window_->isWindowModified());
    QVERIFY(readWholeFile(file)->find(*text::utf8ToCp932("Ctrl+S の題")) != std::string::npos);
  }

  void closingWithChangesAsksAndCancelKeepsTheWindow() {
    form_->page.section(2).txtTitle.setText("未保存");
    QString asked;
    QTimer::singleShot(100, [&asked] {
      if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
        asked = box->text();
        box->findChild<QAbstractButton*>(QStringLiteral("cancel"))->click();
      }
    });
    window_->close();
    QVERIFY2(asked.contains(QStringLiteral("「無題」の変更を保存しますか")), qPrintable(asked));
    QVERIFY(window_->isVisible());
    QCOMPARE(gui::qs(form_->page.section(2).txtTitle.text()), QStringLiteral("未保存"));
  }

  // Run alone with QT_SCALE_FACTOR=1.25 (a test of its own): each edit reloads the page, and
  // the position the seller scrolled to stays put.
  void theScrollPositionStaysPutAcrossEdits() {
    std::string body;
    for (int i = 0; i < 200; ++i) body += "行 " + std::to_string(i) + "<BR>\n";
    gui::QtBrowser& browser = platform_->qtMainBrowser();
    int shown = browser.pagesShown();
    form_->page.section(1).txtEdit.setText(body);
    QTRY_VERIFY_WITH_TIMEOUT(browser.pagesShown() > shown, 20000);
    QTest::qWait(300);
    window_->WBrowser()->page()->runJavaScript(QStringLiteral("window.scrollTo(0, 400)"),
                                               QWebEngineScript::ApplicationWorld);
    QTRY_VERIFY_WITH_TIMEOUT(window_->WBrowser()->page()->scrollPosition().y() > 100, 5000);
    QPointF start = window_->WBrowser()->page()->scrollPosition();
    for (int k = 0; k < 4; ++k) {
      shown = browser.pagesShown();
      form_->page.section(1).txtTitle.setText("題 " + std::to_string(k));
      QTRY_VERIFY_WITH_TIMEOUT(browser.pagesShown() > shown, 20000);
      QTest::qWait(300);
      QPointF now = window_->WBrowser()->page()->scrollPosition();
      QVERIFY2(std::abs(now.y() - start.y()) <= 1.0,
               qPrintable(QStringLiteral("%1 -> %2").arg(start.y()).arg(now.y())));
    }
    QVERIFY(browser.inPlaceUpdates() > 0);

    // At its bottom, the preview stays at the bottom as lines are added there.
    window_->WBrowser()->page()->runJavaScript(QStringLiteral("window.scrollTo(0, 1e9)"),
                                               QWebEngineScript::ApplicationWorld);
    QTest::qWait(300);
    for (int k = 0; k < 3; ++k) {
      shown = browser.pagesShown();
      body += "新しい行 " + std::to_string(k) + "<BR>\n";
      form_->page.section(1).txtEdit.setText(body);
      QTRY_VERIFY_WITH_TIMEOUT(browser.pagesShown() > shown, 20000);
      QTest::qWait(300);
      QVERIFY2(atBottom(window_->WBrowser()), "a new last line is not in view");
    }
  }

  void thePreviewRunsNoScriptAndStaysOnItsPage() {
    // Once loaded, and once more replaced in place: neither runs the page's script.
    gui::QtBrowser& browser = platform_->qtMainBrowser();
    QTRY_VERIFY_WITH_TIMEOUT(browser.pagesShown() > 0, 20000);
    int shown = browser.pagesShown();
    form_->page.section(1).txtEdit.setText(
        "<script>document.title='ran';location='http://127.0.0.1:9/'</script>"
        "<meta http-equiv=refresh content=\"0;url=http://127.0.0.1:9/\">"
        "<form id=f action=http://127.0.0.1:9/><input name=a></form>"
        "<script>document.getElementById('f').submit();window.open('http://127.0.0.1:9/')</script>"
        "<img src=none.png onerror=\"document.title='ran2'\">"
        "<iframe id=i src=\"http://127.0.0.1:9/\"></iframe>");
    QTRY_VERIFY_WITH_TIMEOUT(browser.pagesShown() > shown, 20000);
    QVERIFY(browser.inPlaceUpdates() > 0);
    // Once the page is read to its end, its inline scripts would have run; a refresh of 0
    // seconds would have left by the next turn.
    QTRY_VERIFY_WITH_TIMEOUT(
        runInPage(window_->WBrowser(), QStringLiteral("document.readyState")).toString() ==
            QStringLiteral("complete"),
        20000);
    runInPage(window_->WBrowser(), QStringLiteral("0"));
    QUrl url = window_->WBrowser()->url();
    QCOMPARE(url.scheme(), QStringLiteral("bidquill-page"));
    QCOMPARE(url.fileName(), QStringLiteral("temp.htm"));
    QString title = runInPage(window_->WBrowser(),
                              QStringLiteral("document.title + '|' + "
                                             "(document.getElementById('i').contentDocument ? "
                                             "document.getElementById('i').contentDocument.URL : "
                                             "'none')"))
                        .toString();
    QVERIFY2(!title.contains(QStringLiteral("ran")), qPrintable(title));
    QVERIFY2(!title.contains(QStringLiteral("127.0.0.1")), qPrintable(title));
  }

  // An edit in one body leaves the rest of the shown document as it was: the nodes of another
  // section are the same objects afterwards (a mark put on them stays; a style sheet is never
  // fetched or applied again), and the page is right, whatever the listing names its elements.
  void anEditReplacesOnlyWhatChanged() {
    gui::QtBrowser& browser = platform_->qtMainBrowser();
    int shown = browser.pagesShown();
    form_->page.section(2).txtEdit.setText(
        "<link id=\"look\" rel=\"stylesheet\" href=\"look.css\"><img name=\"documentElement\">"
        "<form><input name=\"childNodes\"><input name=\"nodeType\"></form>"
        "<span id=\"kept\">そのまま</span>");
    QTRY_VERIFY_WITH_TIMEOUT(browser.pagesShown() > shown, 20000);
    QTest::qWait(300);
    auto run = [this](const QString& script) { return runInPage(window_->WBrowser(), script); };
    run(
        QStringLiteral("document.getElementById('kept').bidquillMark = 1;"
                       "document.getElementById('look').bidquillMark = 1"));
    for (int k = 0; k < 3; ++k) {
      shown = browser.pagesShown();
      form_->page.section(1).txtEdit.setText("変更 " + std::to_string(k) + "<BR>\n行");
      QTRY_VERIFY_WITH_TIMEOUT(browser.pagesShown() > shown, 20000);
    }
    QVERIFY(browser.editUpdates() > 0);
    QCOMPARE(run(QStringLiteral("document.getElementById('kept').bidquillMark + "
                                "document.getElementById('look').bidquillMark"))
                 .toInt(),
             2);
    QString text = run(QStringLiteral("document.body.textContent")).toString();
    QVERIFY2(text.contains(QStringLiteral("変更 2")) && text.contains(QStringLiteral("そのまま")) &&
                 !text.contains(QStringLiteral("変更 1")),
             qPrintable(text));
  }

  // A refresh to about:blank (or any refused navigation) leaves the page shown, in the live
  // preview and in the preview window, also when its last letter arrives alone as an edit.
  void aRefusedNavigationLeavesThePageShown() {
    gui::QtBrowser& browser = platform_->qtMainBrowser();
    QTRY_VERIFY_WITH_TIMEOUT(browser.pagesShown() > 0, 20000);
    int edits = browser.editUpdates();
    for (const char* word : {"refres", "refresh"}) {
      int shown = browser.pagesShown();
      form_->page.section(1).txtEdit.setText(
          std::string("見えている<meta http-equiv=\"") + word +
          "\" content=\"0;url=about:blank\"><meta http-equiv=refresh content=\"1\">");
      QTRY_VERIFY_WITH_TIMEOUT(browser.pagesShown() > shown, 20000);
    }
    QVERIFY(browser.editUpdates() > edits);
    acceptNextMessageBox();
    form_->output.cmdPreview.click();
    QTest::qWait(2500);
    for (QWebEngineView* view : {window_->WBrowser(), platform_->existingPreview()->WBrowser}) {
      QCOMPARE(view->url().scheme(), QStringLiteral("bidquill-page"));
      QString text = runInPage(view, QStringLiteral("Object.getOwnPropertyDescriptor("
                                                    "Document.prototype, 'body')"
                                                    ".get.call(document).textContent"))
                         .toString();
      QVERIFY2(text.contains(QStringLiteral("見えている")), qPrintable(view->url().toString()));
    }
  }

  // Sellers host their photos elsewhere: remote images keep loading in the preview.
  void remoteImagesStillLoad() {
    QTcpServer server;
    QVERIFY(server.listen(QHostAddress::LocalHost));
    QByteArray png;
    {
      QImage image(4, 3, QImage::Format_RGB32);
      image.fill(Qt::red);
      QBuffer buffer(&png);
      buffer.open(QIODevice::WriteOnly);
      image.save(&buffer, "PNG");
    }
    connect(&server, &QTcpServer::newConnection, &server, [&server, png] {
      while (QTcpSocket* s = server.nextPendingConnection()) {
        connect(s, &QTcpSocket::readyRead, s, [s, png] {
          s->readAll();
          s->write("HTTP/1.1 200 OK\r\nContent-Type: image/png\r\nContent-Length: " +
                   QByteArray::number(png.size()) + "\r\nConnection: close\r\n\r\n" + png);
          s->disconnectFromHost();
        });
      }
    });
    gui::QtBrowser& browser = platform_->qtMainBrowser();
    QTRY_VERIFY_WITH_TIMEOUT(browser.pagesShown() > 0, 20000);
    int shown = browser.pagesShown();
    form_->page.section(1).txtEdit.setText(
        QStringLiteral("<img id=photo src=\"http://127.0.0.1:%1/photo.png\">")
            .arg(server.serverPort())
            .toStdString());
    QTRY_VERIFY_WITH_TIMEOUT(browser.pagesShown() > shown, 20000);
    int width = 0;
    for (int attempt = 0; attempt < 40 && width == 0; ++attempt) {
      QTest::qWait(250);
      width = runInPage(window_->WBrowser(),
                        QStringLiteral("document.getElementById('photo').naturalWidth"))
                  .toInt();
    }
    QCOMPARE(width, 4);
  }

  void thePageSchemeServesThePageFilesAndNothingElse() {
    fs::path pages = form_->paths().temp;
    fs::path outside = dir_ / "private.txt";
    std::ofstream(outside) << "secret";
    fs::remove(pages / "temp_yahoo.htm");
    fs::create_symlink(outside, pages / "temp_yahoo.htm");
    std::ofstream(pages / "other.htm") << "<p>other</p>";
    QWebEnginePage probe;
    auto loads = [&probe](const QString& path) {
      QSignalSpy done(&probe, &QWebEnginePage::loadFinished);
      QUrl url;
      url.setScheme(QStringLiteral("bidquill-page"));
      url.setPath(path);
      probe.load(url);
      if (!done.wait(10000)) return false;
      return done.first().first().toBool();
    };
    QVERIFY(loads(gui::qs((pages / "temp.htm").string())));
    QVERIFY(!loads(gui::qs((pages / "other.htm").string())));
    QVERIFY(!loads(gui::qs((pages / "temp_yahoo.htm").string())));  // a link, not the page
    QVERIFY(!loads(gui::qs((pages / ".." / "bidquill" / "temp.htm").string())));
    QVERIFY(!loads(gui::qs(outside.string())));
  }

  void browserDecodesThePageExactly() {
    const std::string tricky = "～－∥￠￡￢ 〜−‖¢£¬¥ 髙①ｱ 😀";
    form_->page.section(1).txtEdit.setText(tricky);
    QString shown;
    for (int attempt = 0; attempt < 20 && !shown.contains(QStringLiteral("😀")); ++attempt) {
      QTest::qWait(500);
      shown = runInPage(window_->WBrowser(), QStringLiteral("document.body.innerText")).toString();
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

  void thePreviewWindowShowsTheChecksAndAPhoneWidth() {
    // Named images shadow document.images and document.documentElement (DOM clobbering); the
    // program's own scripts must not be fooled by them.
    std::string tall;
    for (int i = 0; i < 80; ++i) tall += "行<br>\n";
    form_->page.section(1).txtEdit.setText(
        "<abc>新品\n<img src=\"missing-picture.png\"><img name=\"images\" src=\"x.png\">"
        "<img name=\"documentElement\"><img name=\"write\">\n" +
        tall);
    acceptNextMessageBox();
    form_->output.cmdPreview.click();
    gui::frmWeb* preview = platform_->existingPreview();
    QVERIFY(preview);
    QListWidget* list = preview->pnlChecks->lstChecks;
    // Made on a thread of its own: the window says so meanwhile.
    QTRY_VERIFY_WITH_TIMEOUT(
        list->count() >= 1 && list->item(0)->text().startsWith(QStringLiteral("欄1 本文 1行目: ")),
        10000);
    QVERIFY(preview->pnlChecks->lblPageSize->text().startsWith(QStringLiteral("ページの大きさ")));
    QVERIFY(preview->pnlChecks->cmdFix->isEnabled());
    // The image the preview could not load is listed once the page has loaded.
    QTRY_VERIFY_WITH_TIMEOUT(
        !list->findItems(QStringLiteral("missing-picture.png"), Qt::MatchContains).isEmpty(),
        20000);
    preview->chkPhone->setChecked(true);
    // The page itself is the phone's CSS px wide; the scroll bar comes on top of that.
    QTRY_COMPARE_WITH_TIMEOUT(pageWidth(preview->WBrowser), 375, 5000);
    preview->cmbPhoneWidth->setCurrentIndex(0);
    QTRY_COMPARE_WITH_TIMEOUT(pageWidth(preview->WBrowser), 320, 5000);
    preview->cmbPhoneWidth->setCurrentIndex(2);
    QTRY_COMPARE_WITH_TIMEOUT(pageWidth(preview->WBrowser), 430, 5000);
    preview->chkPhone->setChecked(false);
    QApplication::processEvents();
    QVERIFY(preview->WBrowser->width() > 375);
    // The mend writes "&lt;", copies again and leaves nothing to mend.
    acceptNextMessageBox();
    preview->pnlChecks->cmdFix->click();
    QVERIFY(gui::qs(form_->page.section(1).txtEdit.text())
                .startsWith(QStringLiteral("&lt;abc>新品\n<img")));
    QTRY_VERIFY_WITH_TIMEOUT(
        !list->findItems(QStringLiteral("missing-picture.png"), Qt::MatchContains).isEmpty(),
        20000);
    QVERIFY(!preview->pnlChecks->cmdFix->isEnabled());
  }

  // Run at each screen size and scale of its own (BIDQUILL_TEST_SCREEN=WxH, QT_SCALE_FACTOR):
  // every control is whole inside its parent, or its scroll area can scroll to it.
  void noControlIsClipped() {
    QByteArray screen = qgetenv("BIDQUILL_TEST_SCREEN");
    if (screen.isEmpty()) QSKIP("needs BIDQUILL_TEST_SCREEN");
    QList<QByteArray> wh = screen.split('x');
    double scale =
        qEnvironmentVariableIsSet("QT_SCALE_FACTOR") ? qgetenv("QT_SCALE_FACTOR").toDouble() : 1.0;
    QSize screenSize(qRound(wh[0].toInt() / scale), qRound(wh[1].toInt() / scale));
    window_->resize(screenSize);
    QApplication::processEvents();
    QTest::qWait(100);
    // A window that cannot shrink to the screen is clipped by the screen itself.
    QVERIFY2(window_->width() <= screenSize.width() && window_->height() <= screenSize.height(),
             qPrintable(QStringLiteral("the window is %1x%2 on a screen of %3x%4")
                            .arg(window_->width())
                            .arg(window_->height())
                            .arg(screenSize.width())
                            .arg(screenSize.height())));
    QStringList clipped;
    for (QWidget* w : window_->findChildren<QWidget*>()) {
      QWidget* parent = w->parentWidget();
      if (!w->isVisible() || !parent || w->isWindow() || w->objectName().startsWith("qt_")) {
        continue;
      }
      // What a scroll area holds may be larger than its viewport when the bar is there.
      if (auto* area = qobject_cast<QAbstractScrollArea*>(parent->parentWidget())) {
        if (parent == area->viewport()) {
          bool wide = w->width() > parent->width() + 1;
          bool tall = w->height() > parent->height() + 1;
          if ((wide && !area->horizontalScrollBar()->isVisible()) ||
              (tall && !area->verticalScrollBar()->isVisible())) {
            clipped << w->metaObject()->className() + QStringLiteral(" ") + w->objectName();
          }
          continue;
        }
      }
      if (!parent->rect().adjusted(-1, -1, 1, 1).contains(w->geometry())) {
        clipped << QStringLiteral("%1 %2 in %3 %4")
                       .arg(QString::fromLatin1(w->metaObject()->className()), w->objectName(),
                            QString::fromLatin1(parent->metaObject()->className()),
                            parent->objectName());
      }
      // A control smaller than it needs (its own minimum, else its hint) is cut, too.
      QSize hint = w->minimumSizeHint();
      int needW =
          w->minimumWidth() > 0 ? w->minimumWidth() : std::min(hint.width(), w->maximumWidth());
      int needH =
          w->minimumHeight() > 0 ? w->minimumHeight() : std::min(hint.height(), w->maximumHeight());
      bool control = qobject_cast<QAbstractButton*>(w) || qobject_cast<QComboBox*>(w) ||
                     qobject_cast<QLineEdit*>(w) || qobject_cast<QPlainTextEdit*>(w);
      if (control && hint.isValid() && (w->width() + 1 < needW || w->height() + 1 < needH)) {
        clipped << QStringLiteral("%1 %2 squeezed %3x%4 < %5x%6")
                       .arg(QString::fromLatin1(w->metaObject()->className()), w->objectName())
                       .arg(w->width())
                       .arg(w->height())
                       .arg(needW)
                       .arg(needH);
      }
    }
    // Nothing sideways: no horizontal scroll bar anywhere, and text boxes of 30 characters.
    for (QAbstractScrollArea* area : window_->findChildren<QAbstractScrollArea*>()) {
      if (area->isVisible() && area->horizontalScrollBar()->isVisible() &&
          !qobject_cast<QPlainTextEdit*>(area)) {
        clipped << QStringLiteral("horizontal scroll bar on %1").arg(area->objectName());
      }
    }
    for (int i : {1, 2, 3, 4, 7, 8}) {
      for (const char* box : {"txtTitle", "txtEdit"}) {
        auto* w = window_->findChild<QPlainTextEdit*>(QStringLiteral("%1%2").arg(box).arg(i));
        if (w && w->width() < gui::textBoxMinimumWidth(w)) {
          clipped << QStringLiteral("%1 only %2 px wide").arg(w->objectName()).arg(w->width());
        }
      }
    }
    // What the seller sees, for a person to look at (build/tests/screenshots).
    QDir().mkpath(QStringLiteral("screenshots"));
    window_->grab().save(
        QStringLiteral("screenshots/layout-%1@%2.png").arg(QString::fromLatin1(screen)).arg(scale));
    auto* editing = window_->findChild<QScrollArea*>(QStringLiteral("editingArea"));
    QVERIFY(editing);
    editing->verticalScrollBar()->setValue(editing->verticalScrollBar()->maximum());
    window_->grab().save(QStringLiteral("screenshots/layout-%1@%2-scrolled.png")
                             .arg(QString::fromLatin1(screen))
                             .arg(scale));
    QVERIFY2(clipped.isEmpty(), qPrintable(clipped.join(QStringLiteral("\n"))));
  }

  // Run with LANG=ja_JP.UTF-8 (a test of its own): Qt's own texts are Japanese too.
  // Whatever the system's language: Qt's own texts are Japanese, the file dialog's too.
  void qtsOwnTextsSpeakJapanese() {
    gui::loadQtTranslations();
    QCOMPARE(QCoreApplication::translate("QAbstractFileIconProvider", "Folder"),
             QStringLiteral("フォルダー"));
    QMessageBox box(QMessageBox::Question, QStringLiteral("t"), QStringLiteral("t"),
                    QMessageBox::Ok | QMessageBox::Cancel);
    QCOMPARE(box.button(QMessageBox::Cancel)->text(), QStringLiteral("キャンセル"));
    QColorDialog colours;
    QVERIFY(!colours.findChildren<QPushButton*>().isEmpty());
    QStringList captions;
    for (QPushButton* b : colours.findChildren<QPushButton*>()) captions << b->text();
    QVERIFY2(captions.join(QLatin1Char('|')).contains(QStringLiteral("キャンセル")),
             qPrintable(captions.join(QLatin1Char('|'))));
  }

  // Last: closing the main window ends the program's event loop.
  // Under a real window manager (tests/gui/under_x.sh: Xvfb and openbox): after プレビュー and
  // its message, after the mend and on a second click, the preview window is in front and has
  // the focus, as the window manager itself reports it.
  void thePreviewWindowComesToTheFrontAndStays() {
    if (QGuiApplication::platformName() != QLatin1String("xcb") ||
        qEnvironmentVariableIsEmpty("BIDQUILL_TEST_WM")) {
      QSKIP("needs an X server with a window manager");
    }
    QTest::qWait(500);
    form_->page.section(1).txtEdit.setText("<abc>新品");
    acceptNextMessageBox();
    form_->output.cmdPreview.click();
    QVERIFY2(previewStaysInFront(), "after プレビュー");
    acceptNextMessageBox();
    platform_->existingPreview()->pnlChecks->cmdFix->click();
    QVERIFY2(previewStaysInFront(), "after the mend");
    window_->activateWindow();
    QTest::qWait(500);
    acceptNextMessageBox();
    form_->output.cmdPreview.click();
    QVERIFY2(previewStaysInFront(), "after a second プレビュー");
  }

  // File dialogs start in the documents folder (else home), then in the folder last used.
  void fileDialogsStartWhereTheSellerLastWas() {
    QSettings().remove(QStringLiteral("lastFolder"));
    fs::path picked = dir_ / "listings";
    fs::create_directories(picked);
    QString seen, words;
    // Finds the open file dialog, notes where it starts and picks `pick` (or cancels).
    std::function<void(const QString&)> answer = [&seen, &words, &answer](const QString& pick) {
      QTimer::singleShot(50, [&seen, &words, &answer, pick] {
        QFileDialog* d = nullptr;
        for (QWidget* w : QApplication::topLevelWidgets()) {
          if (auto* f = qobject_cast<QFileDialog*>(w); f && f->isVisible()) d = f;
        }
        if (!d) return answer(pick);
        seen = d->directory().absolutePath();
        words = d->windowTitle() + QLatin1Char('|') + d->labelText(QFileDialog::FileName);
        if (pick.isEmpty()) {
          d->reject();
        } else {
          // As the seller types a path into the name box and presses Enter.
          d->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(pick);
          QMetaObject::invokeMethod(d, "accept");
        }
      });
    };
    answer(gui::qs((picked / "a.ini").string()));
    auto chosen = platform_->chooseFile({FileDialogMode::Save, "", "", false, ""});
    QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    QCOMPARE(seen, QFileInfo(documents).isDir() ? documents : QDir::homePath());
    QVERIFY(chosen && *chosen == (picked / "a.ini").string());
    answer(QString());
    QVERIFY(!platform_->chooseFile({FileDialogMode::Open, "", "", false, ""}));
    QCOMPARE(seen, gui::qs(picked.string()));
    // A folder: the dialog says what for, and says フォルダー.
    answer(QString());
    QVERIFY(!platform_->chooseFile({FileDialogMode::Folder, "", "", false, "フォルダーを選ぶ"}));
    QCOMPARE(words, QStringLiteral("フォルダーを選ぶ|フォルダー:"));
  }

  // 一括作成…: キャンセル while rows are being made leaves nothing written, and a run to the end
  // saves the sheet with its column. How long the event loop waited is printed.
  void theBatchKeepsTheWindowAnsweringAndCancelLeavesNothing() {
    std::string sheet = "管理番号,商品名,説明\r\n";
    std::string body = "\"" + std::string(40, 'x');
    for (int i = 0; i < 60; ++i) body += "昭和初期の木製小物入れです。\r\n";
    body += "\"";
    for (int i = 1; i <= 4000; ++i) sheet += "A-" + std::to_string(i) + ",品物," + body + "\r\n";
    fs::path items = dir_ / "items.csv", out = dir_ / "items_out.csv";
    std::ofstream(items, std::ios::binary) << *text::utf8ToCp932(sheet);

    for (bool cancel : {true, false}) {
      QElapsedTimer sinceCancel;
      qint64 cancelToEnd = -1, longestGap = 0;
      QElapsedTimer lastTick;
      lastTick.start();
      QTimer ticker;
      bool measuring = false;
      QObject::connect(&ticker, &QTimer::timeout, [&] {
        qint64 gap = lastTick.restart();
        if (measuring) longestGap = std::max(longestGap, gap);
        // Until the sheet is saved: the summary that opens then is a dialog like any other.
        if (fs::exists(out)) measuring = false;
      });
      // The dialogs, as the seller answers them: the sheet, the mapping (as offered), where to
      // save; then キャンセル once rows are being made, or nothing.
      std::function<void()> answer = [&] {
        QTimer::singleShot(5, [&] {
          QWidget* modal = QApplication::activeModalWidget();
          if (auto* f = qobject_cast<QFileDialog*>(modal)) {
            bool saving = f->acceptMode() == QFileDialog::AcceptSave;
            f->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))
                ->setText(gui::qs((saving ? out : items).string()));
            QMetaObject::invokeMethod(f, "accept");
          } else if (auto* p = window_->findChild<QProgressDialog*>();
                     p && (!modal || modal == p)) {
            // The job runs: from here the event loop's gaps count. Shown or not yet (it appears
            // after a moment), the progress is stopped once rows are made.
            if (!measuring) {
              measuring = true;
              longestGap = 0;
              lastTick.restart();
            }
            if (cancel && p->value() > 0 && !sinceCancel.isValid()) {
              answer();  // the message that follows is answered from the loop it opens
              sinceCancel.start();
              p->findChild<QPushButton*>()->click();  // キャンセル
              return;
            }
          } else if (auto* box = qobject_cast<QMessageBox*>(modal)) {
            if (sinceCancel.isValid()) cancelToEnd = sinceCancel.elapsed();
            box->accept();
            return;
          } else if (auto* d = qobject_cast<QDialog*>(modal)) {
            if (d->findChild<QTableWidget*>()) {
              QVERIFY(!d->findChildren<QComboBox*>().isEmpty());
              // A screen reader meets every column's list, named by its column.
              std::function<bool(QAccessibleInterface*, QObject*)> inTree =
                  [&](QAccessibleInterface* a, QObject* o) {
                    if (a->object() == o) return true;
                    for (int i = 0; i < a->childCount(); ++i)
                      if (a->child(i) && inTree(a->child(i), o)) return true;
                    return false;
                  };
              for (QComboBox* list : d->findChildren<QComboBox*>()) {
                QVERIFY2(inTree(QAccessible::queryAccessibleInterface(d), list),
                         qPrintable(list->accessibleName()));
              }
              // Tab goes through the table to everything below it, and round.
              d->findChild<QTableWidget*>()->setFocus();
              QSet<QString> reached;
              for (int k = 0; k < 40; ++k) {
                QWidget* focused = d->focusWidget();
                if (auto* b = qobject_cast<QAbstractButton*>(focused)) reached << b->text();
                if (qobject_cast<QLineEdit*>(focused)) reached << QStringLiteral("見出し");
                if (!focused) break;
                QTest::keyClick(focused, Qt::Key_Tab);
              }
              for (const char* name :
                   {"見出し", "1行ずつHTMLファイルも作る", "作成…", "キャンセル"})
                QVERIFY2(reached.contains(QString::fromUtf8(name)), name);
              QMetaObject::invokeMethod(d, "accept");
            } else {  // the summary
              d->accept();
              return;
            }
          }
          answer();
        });
      };
      answer();
      lastTick.restart();
      ticker.start(1);
      window_->findChild<QPushButton*>(QStringLiteral("cmdBatch"))->click();
      QTRY_VERIFY_WITH_TIMEOUT(cancel ? cancelToEnd >= 0 : fs::exists(out), 60000);
      QTest::qWait(300);
      ticker.stop();
      if (cancel) {
        QVERIFY(!fs::exists(out));
      } else {
        QVERIFY(fs::file_size(out) > fs::file_size(items));
      }
      // Figures, not assertions: timings are for reading (the closing notes quote them).
      qInfo("batch: キャンセル answered in %lld ms; the event loop's longest wait %lld ms",
            cancelToEnd, longestGap);
    }
  }

  // デザインを選ぶ… on a small window and on 1366×768 at 125 %: the cards wrap instead of
  // scrolling sideways, Tab goes from card to card in reading order, Enter applies only the
  // focused card, and what it applies is the page its sample showed, the seller's shipping kept.
  void theGalleryFitsGoesByKeyboardAndShowsWhatItApplies() {
    fs::copy(fs::path(BIDQUILL_TEMPLATE_DIR).parent_path() / "designs", dir_ / "data" / "designs");
    QVERIFY(form_->registry().find<CheckBox>("chkSend3")->setValue(1));
    std::vector<DesignSample> samples = designSamples(*form_);
    QVERIFY(samples.size() >= 8);
    for (QSize size : {QSize(1000, 600), QSize(1093, 614)}) {
      window_->resize(size);
      bool checked = false;
      QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!dialog) return;
        // A failed check closes the gallery, or the test would wait in it for ever.
        std::shared_ptr<void> closeOnFailure(nullptr, [&](void*) {
          if (!checked) dialog->reject();
        });
        auto* area = dialog->findChild<QScrollArea*>();
        QTRY_VERIFY(dialog->isVisible());
        // The samples loaded, as a seller meets them.
        for (auto* sample : dialog->findChildren<QWebEngineView*>()) {
          auto state = [sample] {
            return runInPage(sample, QStringLiteral("document.readyState")).toString();
          };
          // Read to its end, and staying so (a sample may be laid out again as the gallery is).
          // Under a loaded machine a sample was once seen loading again after that; what
          // reloads it is not known, and the verdict is that each sample got to its end.
          QDeadlineTimer deadline(20000);
          int complete = 0;
          for (; complete < 3 && !deadline.hasExpired(); QTest::qWait(50)) {
            complete = state() == QStringLiteral("complete") ? complete + 1 : 0;
          }
          QVERIFY2(complete == 3, qPrintable(state()));
        }
        QVERIFY(dialog->width() <= size.width());
        QList<QWidget*> cards;
        for (QWidget* w : area->widget()->findChildren<QWidget*>(QStringLiteral("designCard"))) {
          QVERIFY(w->geometry().right() < area->viewport()->width());
          cards.push_back(w);
        }
        QCOMPARE(cards.size(), static_cast<qsizetype>(samples.size()));
        QVERIFY(cards[1]->y() == cards[0]->y());  // more than one a row
        // A screen reader hears a card as a button named by its design.
        QAccessibleInterface* spoken = QAccessible::queryAccessibleInterface(cards[0]);
        QCOMPARE(spoken->role(), QAccessible::Button);
        QCOMPARE(spoken->text(QAccessible::Name), gui::qs(samples[0].name));
        // The last card, reached by Shift+Tab from the first, is brought into view.
        cards.back()->setFocus(Qt::BacktabFocusReason);
        QRect seen(cards.back()->mapTo(area->viewport(), QPoint(0, 0)), cards.back()->size());
        QVERIFY(area->viewport()->rect().contains(seen));
        cards[0]->setFocus(Qt::TabFocusReason);
        for (QPushButton* b : dialog->findChildren<QPushButton*>()) QVERIFY(!b->isDefault());
        QCOMPARE(dialog->focusWidget(), cards[0]);
        for (int i = 1; i < 3; ++i) {
          QTest::keyClick(dialog->focusWidget(), Qt::Key_Tab);
          QCOMPARE(dialog->focusWidget(), cards[i]);
        }
        // Enter where no card has the focus takes nothing.
        dialog->setFocus();
        QTest::keyClick(dialog, Qt::Key_Return);
        QVERIFY(dialog->isVisible());
        cards[2]->setFocus();
        QTest::keyClick(cards[2], Qt::Key_Return);
        checked = true;
      });
      window_->findChild<QPushButton*>(QStringLiteral("cmdGallery"))->click();
      QVERIFY(checked);
      QCOMPARE(form_->output.assembleNow(), samples[2].page);
      QCOMPARE(form_->registry().find<CheckBox>("chkSend3")->value(), 1);
    }
  }

  void closingTheMainWindowClosesThePreviewToo() {
    acceptNextMessageBox();
    form_->output.cmdPreview.click();
    QVERIFY(platform_->existingPreview());
    window_->close();
    QVERIFY(!platform_->existingPreview());
    QVERIFY(!platform_->splashWindow()->isVisible());
  }

 private:
  // The stacking order settles once the window manager has handled the requests, and stays.
  bool previewStaysInFront() {
    gui::frmWeb* preview = platform_->existingPreview();
    if (!preview) return false;
    QString main = QString::number(window_->winId()), web = QString::number(preview->winId());
    QDeadlineTimer deadline(5000);
    while (!windowManagerSays(web, main) && !deadline.hasExpired()) QTest::qWait(100);
    QTest::qWait(700);
    return windowManagerSays(web, main);
  }

  fs::path dir_;
  std::unique_ptr<gui::QtPlatform> platform_;
  std::unique_ptr<frmMain> form_;
  std::unique_ptr<gui::MainWindow> window_;
};

int main(int argc, char** argv) {
  gui::chooseRenderer();
  gui::registerPageScheme();
  QStandardPaths::setTestModeEnabled(true);  // recent files and recovery stay out of $HOME
  gui::RuntimeFolder runtime;
  QApplication app(argc, argv);
  runtime.release();
  GuiTest test;
  int status = QTest::qExec(&test, argc, argv);
  gui::deletePagesLeft();
  return status;
}

#include "test_gui.moc"

#include "gui/main_window.h"

#include "gui/batch_dialog.h"
#include "gui/design_gallery_dialog.h"

#include <algorithm>

#include <QApplication>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QScreen>
#include <QSettings>
#include <QShortcut>
#include <QShowEvent>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include "gui/qt_text.h"

namespace bq::gui {
namespace {

const QString kRecentKey = QStringLiteral("recentFiles");

// The one settings file a drag carries, if that is what it carries.
QString droppedSettingsFile(const QMimeData* data) {
  if (!data || !data->hasUrls() || data->urls().size() != 1) return {};
  QUrl url = data->urls().first();
  if (!url.isLocalFile()) return {};
  QString file = url.toLocalFile();
  return file.endsWith(QStringLiteral(".ini"), Qt::CaseInsensitive) ? file : QString();
}

}  // namespace

MainWindow::MainWindow(frmMain& form, QtPlatform& platform)
    : form_(form),
      platform_(platform),
      binder_(form),
      builder_(binder_, [this](const layout::Piece& p) { return command(p); }) {
  setObjectName(QStringLiteral("frmMain"));
  setWindowTitle(QStringLiteral("Bidquill"));

  auto* central = new QWidget;
  auto* v = new QVBoxLayout(central);
  v->setContentsMargins(4, 4, 4, 4);
  v->addWidget(toolStrip());

  splitter_ = new PreviewSplitter;
  QWidget* editing = editingArea();
  editing->setMinimumHeight(60);
  splitter_->addWidget(editing);
  browser_ = new PreviewView;
  browser_->setObjectName(QStringLiteral("WBrowser"));
  browser_->setMinimumHeight(80);
  splitter_->addWidget(browser_);
  // A resize leaves the editing area (and so the preview's top) where it is.
  splitter_->setStretchFactor(0, 0);
  splitter_->setStretchFactor(1, 1);
  v->addWidget(splitter_, 1);
  setCentralWidget(central);

  // As tall as the screen's free area, centred, as wide as it allows; the frame is fitted in
  // once the window system has put its title bar around it (placeInsideScreen).
  QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
  int w = std::min(1340, screen.width());
  int h = std::max(400, screen.height() - 34);
  resize(w, h);
  move(screen.left() + (screen.width() - w) / 2, screen.top());
  splitter_->setSizes({h * 11 / 20, h * 9 / 20});
  platform_.setDialogParent(this);

  // The desktop's usual keys for the document.
  auto* open = new QShortcut(QKeySequence::Open, this);
  connect(open, &QShortcut::activated, this, [this] { form_.settings.cmdOpen.click(); });
  auto* save = new QShortcut(QKeySequence::Save, this);
  connect(save, &QShortcut::activated, this, [this] { form_.document.save(); });
  auto* saveAs = new QShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S), this);
  connect(saveAs, &QShortcut::activated, this, [this] { form_.document.saveAs(); });
  // 元に戻す and やり直す, also from inside a text box (the binder leaves these keys to us).
  for (QKeySequence keys : {QKeySequence(QKeySequence::Undo)}) {
    connect(new QShortcut(keys, this), &QShortcut::activated, this,
            [this] { form_.history.undo(); });
  }
  for (QKeySequence keys :
       {QKeySequence(Qt::CTRL | Qt::Key_Y), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)}) {
    connect(new QShortcut(keys, this), &QShortcut::activated, this,
            [this] { form_.history.redo(); });
  }

  form_.document.onStateChange = [this] { documentChanged(); };
  documentChanged();
  setAcceptDrops(true);
  qApp->installEventFilter(this);
  // The seller starts with the first title.
  if (auto* first = findChild<QWidget*>(QStringLiteral("txtTitle1"))) first->setFocus();
}

void MainWindow::showEvent(QShowEvent* e) {
  QMainWindow::showEvent(e);
  if (placed_) return;
  placed_ = true;
  QTimer::singleShot(0, this, [this] { placeInsideScreen(); });
}

void MainWindow::placeInsideScreen() {
  QRect screen = screenGeometryAvailable();
  QRect frame = frameGeometry();
  int extraH = frame.height() - geometry().height();
  int extraW = frame.width() - geometry().width();
  int w = std::min(geometry().width(), screen.width() - extraW);
  int h = std::min(geometry().height(), screen.height() - extraH);
  resize(w, h);
  int x = std::clamp(frame.left(), screen.left(), screen.right() - (w + extraW) + 1);
  int y = std::clamp(frame.top(), screen.top(), screen.bottom() - (h + extraH) + 1);
  move(x, y);
}

QRect MainWindow::screenGeometryAvailable() const {
  QScreen* s = screen() ? screen() : QGuiApplication::primaryScreen();
  return s->availableGeometry();
}

void MainWindow::documentChanged() {
  setWindowTitle(qs(form_.document.windowTitleTemplate()));
  setWindowModified(form_.document.modified());
  const std::filesystem::path& file = form_.document.currentFile();
  if (file.empty()) return;
  QString path = qs(displayPath(std::filesystem::absolute(file)));
  QStringList recent = recentFiles();
  if (!recent.isEmpty() && recent.first() == path) return;
  recent.removeAll(path);
  recent.prepend(path);
  while (recent.size() > layout::kRecentFiles) recent.removeLast();
  QSettings().setValue(kRecentKey, recent);
}

QStringList MainWindow::recentFiles() {
  return QSettings().value(kRecentKey).toStringList();
}

void MainWindow::takeOverEarlierSettings() {
  // Versions before the organisation name was set kept them under "Unknown Organization".
  QSettings now;
  if (now.contains(kRecentKey)) return;
  QSettings earlier(QStringLiteral("Unknown Organization"), QCoreApplication::applicationName());
  if (earlier.contains(kRecentKey)) now.setValue(kRecentKey, earlier.value(kRecentKey));
}

void MainWindow::fillRecentMenu() {
  recentMenu_->clear();
  const QStringList recent = recentFiles();
  for (const QString& file : recent) {
    QAction* a = recentMenu_->addAction(QFileInfo(file).fileName());
    a->setToolTip(file);
    a->setStatusTip(file);
    connect(a, &QAction::triggered, this,
            [this, file] { form_.document.openFile(std::filesystem::u8path(str(file))); });
  }
  if (recent.isEmpty())
    recentMenu_->addAction(QStringLiteral("（まだありません）"))->setEnabled(false);
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
  auto type = event->type();
  if (type != QEvent::DragEnter && type != QEvent::DragMove && type != QEvent::Drop) return false;
  auto* w = qobject_cast<QWidget*>(watched);
  if (!w || w->window() != this) return false;
  auto* drop = static_cast<QDropEvent*>(event);
  QString file = droppedSettingsFile(drop->mimeData());
  if (file.isEmpty()) return false;
  // Not into a text box as its path: the file opens.
  drop->setDropAction(Qt::CopyAction);
  drop->accept();
  if (type == QEvent::Drop) {
    QTimer::singleShot(
        0, this, [this, file] { form_.document.openFile(std::filesystem::u8path(str(file))); });
  }
  return true;
}

QWidget* MainWindow::command(const layout::Piece& p) {
  if (p.name == "cmdRecent") {
    auto* recent = new QToolButton;
    recent->setText(qs(p.text));
    recent->setToolTip(qs(p.tip));
    recent->setPopupMode(QToolButton::InstantPopup);
    recentMenu_ = new QMenu(recent);
    connect(recentMenu_, &QMenu::aboutToShow, this, [this] { fillRecentMenu(); });
    recent->setMenu(recentMenu_);
    return recent;
  }
  auto* button = new QPushButton(qs(p.text));
  button->setToolTip(qs(p.tip));
  if (p.name == "cmdGallery") {
    connect(button, &QPushButton::clicked, this, [this] { chooseDesign(this, form_); });
  } else if (p.name == "cmdBatch") {
    connect(button, &QPushButton::clicked, this, [this] { startBatch(this, form_, platform_); });
  }
  return button;
}

QWidget* MainWindow::toolStrip() {
  return builder_.build(layout::toolStrip());
}

QWidget* MainWindow::editingArea() {
  return builder_.build(layout::editingArea());
}

void MainWindow::closeEvent(QCloseEvent* e) {
  // Unsaved changes are asked about first; キャンセル keeps the window and the work.
  if (!form_.document.close()) {
    e->ignore();
    return;
  }
  platform_.closeAll();
  e->accept();
  QApplication::quit();
}

}  // namespace bq::gui

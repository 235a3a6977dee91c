#include "gui/main_window.h"

#include "gui/adaptive_area.h"
#include "gui/batch_dialog.h"
#include "gui/design_gallery_dialog.h"
#include "gui/flow_layout.h"

#include <algorithm>

#include <QApplication>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QSettings>
#include <QShortcut>
#include <QShowEvent>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include "gui/qt_text.h"

namespace bq::gui {
namespace {

std::string n(const char* stem, int i, const char* tail = "") {
  return stem + std::to_string(i) + tail;
}

QLabel* label(const char* text) {
  return new QLabel(QString::fromUtf8(text));
}

constexpr int kRecentFiles = 8;
const QString kRecentKey = QStringLiteral("recentFiles");

// The one settings file a drag carries, if that is what it carries.
QString droppedSettingsFile(const QMimeData* data) {
  if (!data || !data->hasUrls() || data->urls().size() != 1) return {};
  QUrl url = data->urls().first();
  if (!url.isLocalFile()) return {};
  QString file = url.toLocalFile();
  return file.endsWith(QStringLiteral(".ini"), Qt::CaseInsensitive) ? file : QString();
}

QWidget* row(std::initializer_list<QWidget*> widgets, bool stretch = true) {
  auto* w = new QWidget;
  auto* l = new QHBoxLayout(w);
  l->setContentsMargins(0, 0, 0, 0);
  for (QWidget* c : widgets) l->addWidget(c);
  if (stretch) l->addStretch();
  return w;
}

}  // namespace

MainWindow::MainWindow(frmMain& form, QtPlatform& platform)
    : form_(form), platform_(platform), binder_(form) {
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
  while (recent.size() > kRecentFiles) recent.removeLast();
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

QWidget* MainWindow::toolStrip() {
  auto* strip = new QFrame;
  strip->setObjectName(QStringLiteral("frmToolBar"));
  strip->setFrameShape(QFrame::StyledPanel);
  auto* l = new FlowLayout(strip);
  l->setContentsMargins(6, 4, 6, 4);
  l->setSpacing(6);
  l->addWidget(binder_.button("cmdOpen"));
  auto* recent = new QToolButton;
  recent->setObjectName(QStringLiteral("cmdRecent"));
  recent->setText(QStringLiteral("最近のファイル"));
  recent->setToolTip(QStringLiteral("最近開いたり保存したりした設定ファイルを開きます"));
  recent->setPopupMode(QToolButton::InstantPopup);
  recentMenu_ = new QMenu(recent);
  connect(recentMenu_, &QMenu::aboutToShow, this, [this] { fillRecentMenu(); });
  recent->setMenu(recentMenu_);
  l->addWidget(recent);
  l->addWidget(binder_.button("cmdSave"));
  l->addWidget(binder_.button("cmdOpenDesign"));
  auto* gallery = new QPushButton(QStringLiteral("デザインを選ぶ…"));
  gallery->setObjectName(QStringLiteral("cmdGallery"));
  gallery->setToolTip(
      QStringLiteral("用意されたデザインを、今の見出しと本文の見本で見比べて選びます"));
  connect(gallery, &QPushButton::clicked, this, [this] { chooseDesign(this, form_); });
  l->addWidget(gallery);
  auto* batch = new QPushButton(QStringLiteral("一括作成…"));
  batch->setObjectName(QStringLiteral("cmdBatch"));
  batch->setToolTip(
      QStringLiteral("表計算のファイル（CSV・TSV）の行ごとに説明を作り、列に足して保存します"));
  connect(batch, &QPushButton::clicked, this, [this] { startBatch(this, form_, platform_); });
  l->addWidget(batch);
  l->addWidget(binder_.button("cmdPreview"));
  l->addWidget(binder_.check("chkRealTP"));
  l->addWidget(binder_.check("chkFirst"));
  l->addStretch();
  l->addWidget(binder_.button("cmdHome"));
  return strip;
}

QWidget* MainWindow::styleRow(const std::string& back, const std::string& font,
                              const std::string& bold, const std::string& size) {
  return row(
      {binder_.button(back), binder_.button(font), binder_.toggle(bold), binder_.combo(size)});
}

SectionCard* MainWindow::sectionCard(int i) {
  return new SectionCard(
      QStringLiteral("欄 %1").arg(i), binder_.check(n("chkTitle", i)),
      binder_.area(n("txtTitle", i), 2),
      styleRow(n("cmdT", i, "BC"), n("cmdT", i, "FC"), n("chkT", i, "B"), n("cmbT", i, "FS")),
      label("本文"), binder_.area(n("txtEdit", i), 3),
      styleRow(n("cmdE", i, "BC"), n("cmdE", i, "FC"), n("chkE", i, "B"), n("cmbE", i, "FS")));
}

QGridLayout* MainWindow::titleHead(int i) {
  auto* head = new QGridLayout;
  head->addWidget(binder_.check(n("chkTitle", i)), 0, 0);
  head->addWidget(
      styleRow(n("cmdT", i, "BC"), n("cmdT", i, "FC"), n("chkT", i, "B"), n("cmbT", i, "FS")), 0,
      1);
  head->addWidget(label("見出し"), 1, 0);
  head->addWidget(binder_.area(n("txtTitle", i), 2), 1, 1);
  return head;
}

QWidget* MainWindow::shippingTab() {
  auto* tab = new QWidget;
  auto* v = new QVBoxLayout(tab);
  v->addLayout(titleHead(5));
  v->addWidget(row({label("品名"), binder_.toggle("chkE5B_1"), binder_.button("cmdE5FC_1"),
                    label("料金"), binder_.toggle("chkE5B_2"), binder_.button("cmdE5FC_2")}));
  v->addWidget(
      row({binder_.button("cmdE5BC"), binder_.combo("cmbE5FS"), binder_.button("cmdSendLC"),
           label("品名の幅"), binder_.dimension("txtSendW")}));
  auto* rows = new QGridLayout;
  rows->setVerticalSpacing(1);
  for (int i = 1; i <= kShippingRows; ++i) {
    int r = (i - 1) % 6, c = (i - 1) / 6 * 3;
    rows->addWidget(binder_.check(n("chkSend", i)), r, c);
    QLineEdit* name = binder_.line(n("txtSend", i));
    name->setMinimumWidth(60);
    rows->addWidget(name, r, c + 1);
    QLineEdit* money = binder_.line(n("txtMoney", i));
    money->setMinimumWidth(50);
    if (i == kYuPackRow) money->setPlaceholderText(QStringLiteral("（地域別料金）"));
    rows->addWidget(money, r, c + 2);
  }
  v->addLayout(rows);
  auto* yu = new QGroupBox(QStringLiteral("ゆうパック"));
  auto* g = new QGridLayout(yu);
  g->addWidget(label("発送元"), 0, 0);
  g->addWidget(binder_.combo("cmbSend"), 0, 1, 1, 2);
  for (int k = 0; k < tariff::kWeightClasses; ++k) {
    g->addWidget(binder_.option(indexed("optYPack", k)), 1 + k / 6, k % 6);
  }
  v->addWidget(yu);
  v->addStretch();
  return tab;
}

QWidget* MainWindow::paymentTab() {
  auto* tab = new QWidget;
  auto* v = new QVBoxLayout(tab);
  v->addLayout(titleHead(6));
  v->addWidget(row({label("本文"), binder_.button("cmdE6BC"), binder_.button("cmdE6FC"),
                    binder_.toggle("chkE6B"), binder_.combo("cmbE6FS")}));
  auto* rows = new QGridLayout;
  rows->setVerticalSpacing(1);
  for (int i = 1; i <= kPaymentRows; ++i) {
    int r = (i - 1) % 8, c = (i - 1) / 8 * 2;
    rows->addWidget(binder_.check(n("chkBank", i)), r, c);
    rows->addWidget(binder_.line(n("txtBank", i)), r, c + 1);
  }
  v->addLayout(rows);
  v->addWidget(row({label("区切り記号"), binder_.line("txtBankPunc")}));
  v->addStretch();
  return tab;
}

QGroupBox* MainWindow::layoutGroup() {
  auto* box = new QGroupBox(QStringLiteral("表の設定"));
  auto* g = new QGridLayout(box);
  g->addWidget(binder_.button("cmdColor"), 0, 0);
  g->addWidget(row({label("線の太さ"), binder_.combo("cmbCellspacing")}), 0, 1);
  g->addWidget(row({label("表の余白"), binder_.combo("cmbCellpadding")}), 0, 2);
  g->addWidget(row({label("表の横幅"), binder_.dimension("txtWidth")}), 1, 0);
  g->addWidget(row({label("表の縦幅"), binder_.dimension("txtHeight")}), 1, 1);
  g->addWidget(row({label("見出しの幅"), binder_.dimension("txtTW")}), 1, 2);
  g->addWidget(row({binder_.option("optTableAlign(0)"), binder_.option("optTableAlign(1)")}), 2, 0,
               1, 3);
  g->addWidget(
      row({binder_.option("optTA(0)"), binder_.option("optTA(1)"), binder_.option("optTA(2)")}), 3,
      0, 1, 3);
  return box;
}

QGroupBox* MainWindow::bulkGroup() {
  auto* box = new QGroupBox(QStringLiteral("一括設定"));
  auto* g = new QGridLayout(box);
  g->addWidget(label("見出し"), 0, 0);
  g->addWidget(binder_.button("cmdTBC"), 0, 1);
  g->addWidget(binder_.button("cmdTFC"), 0, 2);
  g->addWidget(label("本文"), 1, 0);
  g->addWidget(binder_.button("cmdEBC"), 1, 1);
  g->addWidget(binder_.button("cmdEFC"), 1, 2);
  return box;
}

QWidget* MainWindow::editingArea() {
  std::vector<SectionCard*> cards;
  for (int i : {1, 2, 3, 4, 7, 8}) cards.push_back(sectionCard(i));
  auto* side = new QWidget;
  auto* sv = new QVBoxLayout(side);
  sv->setContentsMargins(0, 0, 0, 0);
  auto* tabs = new QTabWidget;
  tabs->setObjectName(QStringLiteral("SSTab1"));
  tabs->addTab(shippingTab(), QStringLiteral("発送について"));
  tabs->addTab(paymentTab(), QStringLiteral("支払いについて"));
  sv->addWidget(tabs);
  sv->addWidget(layoutGroup());
  sv->addWidget(bulkGroup());
  auto* area = new AdaptiveArea(std::move(cards), side);
  area->setObjectName(QStringLiteral("editingArea"));
  return area;
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

#include "gui/qt_platform.h"

#include <QApplication>
#include <QClipboard>
#include <QColorDialog>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QMainWindow>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QSettings>
#include <QStandardPaths>
#include <QStatusBar>
#include <QTreeView>

#include "gui/qt_text.h"

namespace bq::gui {

namespace {

// Where the file dialogs start next time.
const QString kLastFolderKey = QStringLiteral("lastFolder");

}  // namespace

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
  if (!request.title.empty()) dialog.setWindowTitle(qs(request.title));
  if (request.mode == FileDialogMode::Folder) {
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    // Qt's translation says ディレクトリ; the desktop says フォルダー.
    dialog.setLabelText(QFileDialog::FileName, QStringLiteral("フォルダー:"));
    dialog.setLabelText(QFileDialog::Accept, QStringLiteral("選択"));
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

namespace {

// Qt wraps a message box's text at half the screen, and Japanese may break between any two
// characters (「ませ」「ん。」). The box is made as wide as its longest line, so that each
// sentence keeps its own line; only a line wider than Qt's own limit for a box still wraps.
void keepLinesWhole(QMessageBox& box, const QString& body) {
  auto* label = box.findChild<QLabel*>(QStringLiteral("qt_msgbox_label"));
  if (!label) return;
  int longest = 0;
  for (const QString& line : body.split(QLatin1Char('\n')))
    longest = std::max(longest, label->fontMetrics().horizontalAdvance(line) + 2);
  const QScreen* screen = box.screen();
  int available = screen ? screen->availableGeometry().width() : 1024;
  // Qt's limit for a box is the screen less 480 px (at most 1000); the icon and margins take
  // the rest of it.
  int limit = (available <= 1024 ? available : std::min(available - 480, 1000)) - 120;
  label->setMinimumWidth(std::min(longest, limit));
}

}  // namespace

void QtPlatform::showMessage(const std::string& text, const std::string& title, MessageIcon icon) {
  QMessageBox::Icon i = icon == MessageIcon::Information ? QMessageBox::Information
                        : icon == MessageIcon::Warning   ? QMessageBox::Warning
                                                         : QMessageBox::Critical;
  QString body = qs(text);
  body.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  QMessageBox box(i, qs(title), body, QMessageBox::Ok, frontWindow());
  keepLinesWhole(box, body);
  box.exec();
}

std::string QtPlatform::ask(const Question& question) {
  QString body = qs(question.text);
  body.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  QMessageBox box(QMessageBox::Question, qs(question.title), body, QMessageBox::NoButton,
                  frontWindow());
  keepLinesWhole(box, body);
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
  if (!preview_) {
    preview_ = new frmWeb;
    // Its title names the listing, as the main window's does.
    if (parent_) {
      preview_->showListingTitle(parent_->windowTitle());
      QObject::connect(parent_, &QWidget::windowTitleChanged, preview_.data(),
                       &frmWeb::showListingTitle);
    }
  }
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

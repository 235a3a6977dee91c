#include "gui/batch_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QFormLayout>
#include <QFutureWatcher>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QProgressDialog>
#include <QPushButton>
#include <QScrollBar>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>
#include <QtConcurrent>
#include <chrono>
#include <memory>

#include "app/copies/offscreen_form.h"
#include "app/window/frm_main.h"
#include "batch/batch_files.h"
#include "batch/batch_job.h"
#include "gui/qt_platform.h"
#include "gui/qt_text.h"

namespace bq::gui {
namespace {

namespace fs = std::filesystem;
using batch::Target;

// A step of rows between two rounds of the window's events: short enough that typing and
// キャンセル are answered at once.
constexpr auto kStep = std::chrono::milliseconds(25);

struct Choices {
  std::vector<std::optional<Target>> columns;
  QString header;
  bool htmlFiles = false;
  std::optional<std::size_t> nameColumn;
  std::optional<std::size_t> replaceColumn;
};

// The column lists stand in a strip over the table, each above its column, rather than in the
// table's cells: Qt gives a screen reader a table's cells and never a list inside one.
class ColumnStrip : public QWidget {
 public:
  explicit ColumnStrip(QTableWidget* table) : table_(table), clip_(new QWidget(this)) {
    setAccessibleName(QStringLiteral("入れる欄"));
    QHeaderView* h = table->horizontalHeader();
    connect(h, &QHeaderView::sectionResized, this, &ColumnStrip::place);
    connect(h, &QHeaderView::geometriesChanged, this, &ColumnStrip::place);
    connect(table->horizontalScrollBar(), &QScrollBar::valueChanged, this, &ColumnStrip::place);
  }
  void add(QComboBox* box) {
    box->setParent(clip_);
    boxes_.push_back(box);
    setFixedHeight(box->sizeHint().height());
  }
  void place() {
    // The lists follow the columns as they scroll; the clip keeps them over the cells.
    if (!isVisible()) return;  // showEvent places them once both are in the dialog
    QWidget* cells = table_->viewport();
    int left = cells->mapToGlobal(QPoint()).x() - mapToGlobal(QPoint()).x();
    clip_->setGeometry(left, 0, cells->width(), height());
    QHeaderView* h = table_->horizontalHeader();
    for (int c = 0; c < static_cast<int>(boxes_.size()); ++c)
      boxes_[c]->setGeometry(h->sectionViewportPosition(c), 0, h->sectionSize(c), height());
  }

 protected:
  void resizeEvent(QResizeEvent*) override { place(); }
  void showEvent(QShowEvent*) override { place(); }

 private:
  QTableWidget* table_;
  QWidget* clip_;
  std::vector<QComboBox*> boxes_;
};

// The mapping dialog over the sheet's header and first rows; nothing when cancelled.
std::optional<Choices> askMapping(QWidget* parent, const QString& file,
                                  const batch::SheetPreview& sheet) {
  const std::vector<std::string>& headers = sheet.headers;
  const std::vector<std::vector<std::string>>& rows = sheet.rows;
  const std::vector<std::optional<Target>>& mapped = sheet.mapped;
  QDialog dialog(parent);
  dialog.setWindowTitle(QStringLiteral("一括作成 — %1").arg(QFileInfo(file).fileName()));
  auto* v = new QVBoxLayout(&dialog);
  auto* intro = new QLabel(QStringLiteral(
      "どの列をどの欄に入れるか選んでください（見出しが欄の名前や欄の見出しと同じ列は選んで"
      "あります）。選ばなかった欄は今の見出しと本文のままです。改行は貼り付けたときと同じく"
      "<BR> になります。"));
  intro->setTextFormat(Qt::PlainText);
  intro->setWordWrap(true);
  v->addWidget(intro);
  // What the mapping decided between columns, and headers the seller should look at.
  auto* notes = new QLabel;
  notes->setObjectName(QStringLiteral("lblBatchNotes"));
  notes->setTextFormat(Qt::PlainText);
  notes->setWordWrap(true);
  notes->setStyleSheet(QStringLiteral("color: #8a4b00;"));
  v->addWidget(notes);

  auto* table = new QTableWidget(static_cast<int>(rows.size()), static_cast<int>(headers.size()));
  auto* strip = new ColumnStrip(table);
  v->addWidget(strip);  // before the table, so that Tab meets the lists first
  std::vector<QComboBox*> boxes;
  const std::vector<Target> all = batch::mappableTargets();
  for (std::size_t c = 0; c < headers.size(); ++c) {
    table->setHorizontalHeaderItem(static_cast<int>(c), new QTableWidgetItem(qs(headers[c])));
    auto* box = new QComboBox;
    box->addItem(QStringLiteral("（使わない）"));
    for (const Target& t : all) box->addItem(qs(batch::targetName(t)));
    if (mapped[c]) {
      auto at = std::find(all.begin(), all.end(), *mapped[c]);
      box->setCurrentIndex(static_cast<int>(at - all.begin()) + 1);
    }
    box->setAccessibleName(QStringLiteral("「%1」列を入れる欄").arg(qs(headers[c])));
    strip->add(box);
    boxes.push_back(box);
    for (std::size_t r = 0; r < rows.size(); ++r) {
      QString cell = qs(rows[r][c]);
      cell.replace(QLatin1Char('\n'), QChar(0x21B5));  // ↵: a line break inside the cell
      auto* item = new QTableWidgetItem(cell.left(batch::kShownCellChars));
      item->setFlags(Qt::ItemIsEnabled);
      item->setToolTip(qs(rows[r][c]).left(batch::kCellTipChars));
      table->setItem(static_cast<int>(r), static_cast<int>(c), item);
    }
  }
  QStringList rowNames;
  for (std::size_t r = 0; r < rows.size(); ++r) rowNames << QString::number(r + 2);
  table->setVerticalHeaderLabels(rowNames);
  table->resizeColumnsToContents();
  for (std::size_t c = 0; c < boxes.size(); ++c) {
    int at = static_cast<int>(c);
    table->setColumnWidth(at, std::max(table->columnWidth(at), boxes[c]->sizeHint().width()));
  }
  table->setMinimumHeight(table->fontMetrics().height() * 12);
  // Tab leaves the table for the lists in it and the settings below (arrows go from cell to
  // cell); else Tab would go round its cells and nothing below could be reached by keyboard.
  table->setTabKeyNavigation(false);
  v->addWidget(table, 1);

  auto* form = new QFormLayout;
  // Bulk-listing tools want the description in a column of their own.
  auto* target = new QComboBox;
  target->setObjectName(QStringLiteral("cmbBatchReplace"));
  target->addItem(QStringLiteral("新しい列を追加する"));
  for (const std::string& h : headers)
    target->addItem(QStringLiteral("「%1」列に入れる").arg(qs(h)));
  form->addRow(QStringLiteral("説明を入れる列"), target);
  auto* header = new QLineEdit(QString::fromUtf8(batch::kDefaultHeader));
  form->addRow(QStringLiteral("追加する列の見出し"), header);
  QObject::connect(target, &QComboBox::currentIndexChanged, header,
                   [target, header] { header->setEnabled(target->currentIndex() == 0); });
  auto showNotes = [&sheet, &headers, notes, header, target] {
    QStringList lines;
    for (const std::string& n : sheet.notes) lines << qs(n);
    std::string added = target->currentIndex() == 0 ? str(header->text()) : std::string();
    for (const std::string& n : batch::headerNotes(headers, added)) lines << qs(n);
    notes->setText(lines.join(QLatin1Char('\n')));
    notes->setVisible(!lines.isEmpty());
  };
  showNotes();
  QObject::connect(header, &QLineEdit::textChanged, &dialog, showNotes);
  QObject::connect(target, &QComboBox::currentIndexChanged, &dialog, showNotes);
  auto* html = new QCheckBox(QStringLiteral("1行ずつHTMLファイルも作る"));
  auto* nameColumn = new QComboBox;
  nameColumn->addItem(QStringLiteral("（行番号）"));
  for (const std::string& h : headers) nameColumn->addItem(qs(h));
  if (sheet.nameColumn) nameColumn->setCurrentIndex(static_cast<int>(*sheet.nameColumn) + 1);
  nameColumn->setEnabled(false);
  QObject::connect(html, &QCheckBox::toggled, nameColumn, &QWidget::setEnabled);
  form->addRow(html);
  form->addRow(QStringLiteral("ファイル名にする列"), nameColumn);
  v->addLayout(form);

  auto* buttons = new QDialogButtonBox;
  auto* make = buttons->addButton(QStringLiteral("作成…"), QDialogButtonBox::AcceptRole);
  buttons->addButton(QStringLiteral("キャンセル"), QDialogButtonBox::RejectRole);
  QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
  auto* none = new QLabel;
  buttons->layout()->addWidget(none);
  auto updateMake = [&] {
    bool any =
        std::any_of(boxes.begin(), boxes.end(), [](QComboBox* b) { return b->currentIndex() > 0; });
    make->setEnabled(any);
    none->setText(any ? QString() : QStringLiteral("入れる欄を1つ以上選んでください"));
  };
  auto chosen = [&boxes, &all] {
    std::vector<std::optional<Target>> columns;
    for (QComboBox* b : boxes) {
      columns.push_back(
          b->currentIndex() > 0
              ? std::optional<Target>(all[static_cast<std::size_t>(b->currentIndex() - 1)])
              : std::nullopt);
    }
    return columns;
  };
  for (std::size_t c = 0; c < boxes.size(); ++c) {
    QObject::connect(boxes[c], &QComboBox::currentIndexChanged, &dialog, [&, c] {
      std::vector<std::optional<Target>> columns = chosen();
      batch::keepTargetIn(columns, c);
      for (std::size_t o = 0; o < boxes.size(); ++o) {
        if (!columns[o]) boxes[o]->setCurrentIndex(0);
      }
      updateMake();
    });
  }
  updateMake();
  v->addWidget(buttons);
  dialog.resize(std::min(parent->width(), 1000), dialog.sizeHint().height());
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;

  Choices c;
  c.columns = chosen();
  c.header = header->text().isEmpty() ? QString::fromUtf8(batch::kDefaultHeader) : header->text();
  c.htmlFiles = html->isChecked();
  if (nameColumn->currentIndex() > 0) {
    c.nameColumn = static_cast<std::size_t>(nameColumn->currentIndex() - 1);
  }
  if (target->currentIndex() > 0) {
    c.replaceColumn = static_cast<std::size_t>(target->currentIndex() - 1);
  }
  return c;
}

void showSummary(QWidget* parent, const batch::BatchJob& job, const QString& output) {
  QDialog dialog(parent);
  dialog.setWindowTitle(QStringLiteral("一括作成"));
  auto* v = new QVBoxLayout(&dialog);
  auto* text = new QLabel(qs(job.summary()) + QStringLiteral("\n保存しました: ") + output);
  text->setTextFormat(Qt::PlainText);
  text->setWordWrap(true);
  text->setTextInteractionFlags(Qt::TextSelectableByMouse);
  v->addWidget(text);
  if (!job.findings().empty()) {
    auto* list = new QListWidget;
    for (const batch::RowFinding& f : job.findings()) {
      QString where = f.row ? QStringLiteral("%1行目").arg(f.row) : QStringLiteral("全行共通");
      list->addItem(where + QStringLiteral(": ") + qs(f.text));
    }
    list->setWordWrap(true);
    v->addWidget(list, 1);
    dialog.resize(std::min(parent->width(), 900), 420);
  }
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close);
  buttons->button(QDialogButtonBox::Close)->setText(QStringLiteral("閉じる"));
  QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
  v->addWidget(buttons);
  dialog.exec();
}

// Why a batch could not be made; `told`: the reason says itself what was written.
void tellFailure(QtPlatform& platform, const std::string& why, bool told = false) {
  platform.showMessage("一括作成できませんでした。\r\n" + why +
                           (told ? std::string() : "\r\n\r\n何も書き込んでいません。"),
                       "Bidquill", MessageIcon::Warning);
}

// One run: the copy of the listing, the sheet, the job and where it writes. It lives until
// the last row is made or キャンセル is pressed, then deletes itself.
class BatchRun : public QObject {
 public:
  BatchRun(QWidget* parent, QtPlatform& platform, batch::Sheet sheet, fs::path output)
      : QObject(parent),
        parent_(parent),
        platform_(platform),
        sheet_(std::move(sheet)),
        output_(std::move(output)) {}
  ~BatchRun() override { delete progress_; }

  bool start(frmMain& window, const fs::path& items, batch::BatchPlan plan,
             const fs::path& htmlDir) {
    offscreen_ = std::make_unique<OffscreenForm>(window.paths().app);
    if (auto error = offscreen_->startAsCopyOf(window)) return fail(*error);
    items_ = items;
    job_ = std::make_unique<batch::BatchJob>(offscreen_->form(), sheet_, std::move(plan));
    if (auto e = job_->prepare()) {
      return fail(displayPath(items) + "\r\n" + e->message);
    }
    if (!htmlDir.empty()) {
      pages_ = std::make_unique<batch::PageFolder>();
      if (auto why = pages_->open(htmlDir)) return fail(*why);
    }
    // The sheet is written as its rows are made and replaces the output only at the end.
    if (auto why = sheetOut_.open(output_)) return fail(displayPath(output_) + "\r\n" + *why);
    job_->streamTo([this](std::string_view bytes) { return sheetOut_.append(bytes); });
    // Busy until the whole sheet is read and its rows counted.
    progress_ = new QProgressDialog(QStringLiteral("表を読んでいます…"),
                                    QStringLiteral("キャンセル"), 0, 0, parent_);
    progress_->setWindowTitle(QStringLiteral("一括作成"));
    progress_->setWindowModality(Qt::WindowModal);
    progress_->setMinimumDuration(0);
    connect(progress_, &QProgressDialog::canceled, this, [this] { cancel(); });
    QTimer::singleShot(0, this, [this] { step(); });
    return true;
  }

 private:
  // `told`: the reason already says what was written (a failed save).
  bool fail(const std::string& why, bool told = false) {
    tellFailure(platform_, why, told);
    deleteLater();
    return false;
  }

  void step() {
    if (cancelled_) return;
    std::vector<batch::HtmlFile> files;
    bool done = job_->step(std::chrono::steady_clock::now() + kStep, files);
    if (const auto& e = job_->error()) {
      finishWith(displayPath(e->row >= 0 ? items_ : output_) + "\r\n" + e->message);
      return;
    }
    if (!job_->scanning() && progress_->maximum() == 0) {
      progress_->setLabelText(QStringLiteral("説明を作っています…"));
      progress_->setMaximum(static_cast<int>(job_->rows()));
    }
    for (const batch::HtmlFile& f : files) {
      if (auto why = pages_->add(f)) {
        finishWith(why);
        return;
      }
    }
    if (!job_->scanning()) progress_->setValue(static_cast<int>(job_->done()));
    if (!done) {
      QTimer::singleShot(0, this, [this] { step(); });
      return;
    }
    // Writing and flushing a large sheet takes longer than a step: it is done on a thread (the
    // job, its output and its pages are this run's alone), and キャンセル has nothing left to stop.
    progress_->setLabelText(QStringLiteral("保存しています…"));
    // The thread uses this run's job and pages until it ends: nothing may stop the run now.
    disconnect(progress_, &QProgressDialog::canceled, this, nullptr);
    progress_->setCancelButton(nullptr);
    auto* saving = new QFutureWatcher<std::optional<std::string>>(this);
    connect(saving, &QFutureWatcherBase::finished, this,
            [this, saving] { finishWith(saving->result(), true); });
    saving->setFuture(QtConcurrent::run(
        [job = job_.get(), output = output_, pages = pages_.get(), sheetOut = &sheetOut_] {
          return batch::saveBatch(*job, output, pages, sheetOut);
        }));
  }

  void finishWith(const std::optional<std::string>& error, bool saving = false) {
    progress_->reset();
    progress_->hide();
    if (error) {
      if (pages_) pages_->drop();
      fail(*error, saving);
      return;
    }
    showSummary(parent_, *job_, qs(displayPath(output_)));
    deleteLater();
  }

  void cancel() {
    cancelled_ = true;
    if (pages_) pages_->drop();
    progress_->hide();
    platform_.showMessage("一括作成をキャンセルしました。何も書き込んでいません。", "Bidquill",
                          MessageIcon::Information);
    deleteLater();
  }

  QWidget* parent_;
  QtPlatform& platform_;
  batch::Sheet sheet_;
  fs::path output_, items_;
  std::unique_ptr<OffscreenForm> offscreen_;
  std::unique_ptr<batch::BatchJob> job_;
  std::unique_ptr<batch::PageFolder> pages_;
  files::ReplacementFile sheetOut_;
  QPointer<QProgressDialog> progress_;
  bool cancelled_ = false;
};

}  // namespace

void startBatch(QWidget* parent, frmMain& form, QtPlatform& platform) {
  auto warn = [&](const std::string& why) { tellFailure(platform, why); };
  FileDialogRequest open;
  open.filter = "表計算のファイル (*.csv *.tsv *.txt)|*.csv;*.tsv;*.txt|すべてのファイル (*)|*";
  auto chosen = platform.chooseFile(open);
  if (!chosen) return;
  fs::path items = fs::u8path(*chosen);
  batch::Sheet sheet;
  if (auto why = batch::readSheet(items, sheet)) return warn(displayPath(items) + "\r\n" + *why);
  // The header and the first rows, for the dialog; the whole sheet is read before anything is
  // made.
  batch::SheetPreview preview;
  if (auto e = batch::previewSheet(sheet, form, preview, items.filename().u8string())) {
    return warn(displayPath(items) + "\r\n" + e->message);
  }
  auto choices = askMapping(parent, qs(*chosen), preview);
  if (!choices) return;

  FileDialogRequest save;
  save.mode = FileDialogMode::Save;
  save.overwritePrompt = true;
  std::string ext = items.extension().u8string();
  save.fileName =
      (items.parent_path() / fs::u8path(batch::outputNameFor(items.filename().u8string())))
          .u8string();
  save.filter =
      ext == ".tsv" || ext == ".txt" ? "TSV (*.tsv *.txt)|*.tsv;*.txt" : "CSV (*.csv)|*.csv";
  auto output = platform.chooseFile(save);
  if (!output) return;
  std::error_code ec;
  if (fs::equivalent(items, fs::u8path(*output), ec)) {
    return warn(
        "保存先が元のファイルと同じです。元のファイルは変えません。別の名前を選んでください。");
  }
  fs::path htmlDir;
  if (choices->htmlFiles) {
    FileDialogRequest folder;
    folder.mode = FileDialogMode::Folder;
    folder.fileName = items.parent_path().u8string();
    folder.title = "1行ずつのHTMLファイルを入れるフォルダーを選んでください";
    auto dir = platform.chooseFile(folder);
    if (!dir) return;
    htmlDir = fs::u8path(*dir);
  }
  batch::BatchPlan plan;
  plan.columns = choices->columns;
  plan.header = str(choices->header);
  plan.htmlFiles = choices->htmlFiles;
  plan.nameColumn = choices->nameColumn;
  plan.replaceColumn = choices->replaceColumn;
  plan.sheetName = items.filename().u8string();
  auto* run = new BatchRun(parent, platform, std::move(sheet), fs::u8path(*output));
  run->start(form, items, std::move(plan), htmlDir);
}

}  // namespace bq::gui

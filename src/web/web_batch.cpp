#include "web/web_batch.h"

#include <chrono>
#include <utility>

#include "app/copies/design_gallery.h"
#include "batch/batch_files.h"
#include "core/app_folder.h"
#include "files/safe_file.h"
#include "web/json.h"

namespace fs = std::filesystem;

namespace bq::web {
namespace {

std::string errorJson(const std::string& message) {
  Json j;
  j.beginObject().key("error").value(message).endObject();
  return j.str();
}

}  // namespace

std::string WebBatch::sheet(const fs::path& file) {
  batch::Sheet sheet;
  if (auto why = batch::readSheet(file, sheet)) return errorJson(*why);
  batch::SheetPreview preview;
  if (auto e = batch::previewSheet(sheet, window_, preview, file.filename().u8string())) {
    return errorJson(e->message);
  }
  headers_ = preview.headers;
  Json j;
  j.beginObject().key("rows").beginArray();
  for (const auto& row : preview.rows) {
    j.beginArray();
    for (const std::string& c : row) j.value(c);
    j.endArray();
  }
  j.endArray().key("headers").beginArray();
  for (const std::string& h : preview.headers) j.value(h);
  j.endArray().key("targets").beginArray();
  for (const batch::Target& t : batch::mappableTargets()) j.value(batch::targetName(t));
  j.endArray().key("mapped").beginArray();
  for (const auto& t : preview.mapped) j.value(t ? batch::targetName(*t) : std::string());
  j.endArray().key("notes").beginArray();
  for (const std::string& n : preview.notes) j.value(n);
  j.endArray();
  j.key("defaultHeader").value(batch::kDefaultHeader);
  j.key("outputName").value(batch::outputNameFor(file.filename().u8string()));
  j.key("nameColumn").value(preview.nameColumn ? static_cast<long long>(*preview.nameColumn) : -1);
  j.key("shownCellChars").value(static_cast<long long>(batch::kShownCellChars));
  j.key("cellTipChars").value(static_cast<long long>(batch::kCellTipChars));
  j.endObject();
  return j.str();
}

std::string WebBatch::keepTargetIn(const std::vector<std::string>& columns, int column) const {
  std::vector<std::optional<batch::Target>> targets;
  for (const std::string& c : columns) {
    targets.push_back(c.empty() ? std::nullopt : batch::targetNamed(c));
  }
  batch::keepTargetIn(targets, static_cast<std::size_t>(column));
  Json j;
  j.beginArray();
  for (const auto& t : targets) j.value(t ? batch::targetName(*t) : std::string());
  j.endArray();
  return j.str();
}

std::string WebBatch::headerNotes(const std::string& added) const {
  Json j;
  j.beginArray();
  for (const std::string& n : batch::headerNotes(headers_, added)) j.value(n);
  j.endArray();
  return j.str();
}

std::string WebBatch::start(const fs::path& file, const std::vector<std::string>& columns,
                            const std::string& header, int nameColumn, int replaceColumn) {
  cancel();
  if (auto why = batch::readSheet(file, sheet_)) return errorJson(*why);
  batch::BatchPlan plan;
  for (const std::string& c : columns) {
    plan.columns.push_back(c.empty() ? std::nullopt : batch::targetNamed(c));
  }
  if (!header.empty()) plan.header = header;
  plan.htmlFiles = nameColumn >= -1;
  if (nameColumn >= 0) plan.nameColumn = static_cast<std::size_t>(nameColumn);
  plan.sheetName = file.filename().u8string();
  if (replaceColumn >= 0) plan.replaceColumn = static_cast<std::size_t>(replaceColumn);
  offscreen_ = std::make_unique<OffscreenForm>(window_.paths().app);
  if (auto error = offscreen_->startAsCopyOf(window_)) return errorJson(*error);
  job_ = std::make_unique<batch::BatchJob>(offscreen_->form(), sheet_, std::move(plan));
  job_->streamTo([this](std::string_view bytes) -> std::optional<std::string> {
    made_.append(bytes);
    return std::nullopt;
  });
  if (auto e = job_->prepare()) {
    job_.reset();
    return errorJson(e->message);
  }
  return "{}";
}

std::string WebBatch::step(int milliseconds) {
  bool finished = !job_ || job_->step(std::chrono::steady_clock::now() +
                                          std::chrono::milliseconds(milliseconds),
                                      files_);
  if (job_ && job_->error()) {
    std::string message = job_->error()->message;
    cancel();
    return errorJson(message);
  }
  Json j;
  j.beginObject()
      .key("done")
      .value(static_cast<long long>(job_ ? job_->done() : 0))
      .key("rows")
      .value(static_cast<long long>(job_ ? job_->rows() : 0))
      .key("reading")
      .value(job_ && job_->scanning())
      .key("finished")
      .value(finished)
      .endObject();
  return j.str();
}

std::string WebBatch::take() {
  taken_ = true;
  return std::exchange(made_, std::string());
}

std::string WebBatch::finish(const fs::path& output) {
  if (!job_) return errorJson("一括作成は始まっていません。");
  if (!taken_) {
    if (auto failure = files::saveFileSafely(output, made_)) return errorJson(failure->reason);
  }
  fs::path pages = output;
  pages += ".pages";
  std::error_code ec;
  if (!files_.empty()) fs::create_directories(pages, ec);
  Json j;
  j.beginObject().key("summary").value(job_->summary()).key("findings").beginArray();
  for (const batch::RowFinding& f : job_->findings()) {
    j.beginObject().key("row").value(static_cast<long long>(f.row)).key("text").value(f.text);
    j.endObject();
  }
  j.endArray().key("files").beginArray();
  for (const batch::HtmlFile& f : files_) {
    if (auto why = writeWholeFile(pages / f.name, f.bytes)) return errorJson(*why);
    j.value(f.name);
  }
  j.endArray().endObject();
  cancel();
  return j.str();
}

void WebBatch::cancel() {
  made_.clear();
  taken_ = false;
  job_.reset();
  offscreen_.reset();
  files_.clear();
  sheet_ = {};
}

std::string WebBatch::designs() {
  Json j;
  j.beginObject().key("intro").value(kGalleryIntro).key("designs").beginArray();
  for (const DesignSample& s : designSamples(window_)) {
    j.beginObject().key("name").value(s.name).key("file").value(s.file.u8string());
    j.key("page").value(s.page).key("error").value(s.error).endObject();
  }
  j.endArray().endObject();
  return j.str();
}

}  // namespace bq::web

#include "batch/batch_job.h"

#include <algorithm>
#include <array>
#include <filesystem>

#include "app/window/frm_main.h"
#include "app/window/listing_report.h"
#include "batch/csv_writer.h"
#include "text/ascii.h"
#include "text/cp932.h"

namespace bq::batch {
namespace {

// Nothing but blanks (ASCII, line breaks, the ideographic space).
bool blank(const std::string& cell) {
  for (std::size_t i = 0; i < cell.size(); ++i) {
    char c = cell[i];
    if (c == ' ' || c == '\t' || c == '\r' || c == '\n') continue;
    if (cell.compare(i, 3, "\xE3\x80\x80") == 0) {
      i += 2;
      continue;
    }
    return false;
  }
  return true;
}

std::string lowerAscii(std::string s) {
  for (char& c : s) c = text::ascii::lower(c);
  return s;
}

bool reservedOnWindows(const std::string& name) {
  std::string stem = lowerAscii(name.substr(0, name.find('.')));
  while (!stem.empty() && stem.back() == ' ') stem.pop_back();
  if (stem == "con" || stem == "prn" || stem == "aux" || stem == "nul") return true;
  return stem.size() == 4 && (stem.compare(0, 3, "com") == 0 || stem.compare(0, 3, "lpt") == 0) &&
         stem[3] >= '1' && stem[3] <= '9';
}

}  // namespace

std::string safeFileName(const std::string& cell) {
  // A file name holds 255 bytes. The staged file's temporary name adds 15 (".NAME.NUMBER.tmp"),
  // ".html" 5 and a number for a name met again (" (123456)") up to 9.
  constexpr std::size_t kMaxBytes = 255 - 15 - 5 - 9;
  std::string name;
  for (std::size_t i = 0; i < cell.size();) {
    std::size_t at = i;
    char32_t c = text::nextUtf8Char(cell, i);
    bool unsafe = c < 0x20 || c == 0x7F ||
                  (c < 0x80 && std::string_view("/\\:*?\"<>|").find(static_cast<char>(c)) !=
                                   std::string_view::npos);
    std::size_t bytes = unsafe ? 1 : i - at;
    if (name.size() + bytes > kMaxBytes) break;  // cut between characters, never inside one
    if (unsafe) {
      name += '_';
    } else {
      name.append(cell, at, i - at);
    }
  }
  auto trim = [](char c) { return c == ' ' || c == '.'; };
  while (!name.empty() && trim(name.back())) name.pop_back();
  std::size_t first = 0;
  while (first < name.size() && trim(name[first])) ++first;
  name.erase(0, first);
  if (!name.empty() && reservedOnWindows(name)) name.insert(0, "_");
  return name;
}

std::string noColumnMessage() {
  return "説明に使う列がありません。1行目の見出しを「欄2 本文」「本文2」「見出し1」のように"
         "するか、どの列をどの欄に入れるか選んでください。";
}

std::vector<std::optional<Target>> mapColumnsFor(const std::vector<std::string>& headers,
                                                 const frmMain& listing,
                                                 std::vector<std::string>* notes) {
  std::array<std::string, kSections> titles;
  for (int s = 1; s <= kSections; ++s) {
    titles[static_cast<std::size_t>(s - 1)] = listing.page.section(s).txtTitle.text();
  }
  return mapColumns(headers, titles, notes);
}

std::optional<CsvError> previewSheet(const Sheet& sheet, const frmMain& listing, SheetPreview& out,
                                     std::string_view name) {
  CsvReader reader(sheet, true, name);
  CsvRecord record;
  while (static_cast<int>(out.rows.size()) < kPreviewRows && reader.next(record)) {
    if (record.row == 1) {
      out.headers = record.cells;
    } else {
      out.rows.push_back(record.cells);
    }
  }
  if (reader.error()) return reader.error();
  out.mapped = mapColumnsFor(out.headers, listing, &out.notes);
  out.nameColumn = defaultNameColumn(out.headers);
  return std::nullopt;
}

std::string outputNameFor(const std::string& sheetName) {
  auto name = std::filesystem::u8path(sheetName);
  std::string ext = name.extension().u8string();
  return name.stem().u8string() + "_" + kDefaultHeader + (ext.empty() ? ".csv" : ext);
}

BatchJob::BatchJob(frmMain& form, const Sheet& sheet, BatchPlan plan)
    : form_(form), sheet_(sheet), plan_(std::move(plan)) {}

std::optional<CsvError> BatchJob::prepare() {
  CsvReader reader(sheet_, false, plan_.sheetName);
  CsvRecord header;
  if (!reader.next(header)) return reader.error();
  if (plan_.columns.size() > header.cells.size()) plan_.columns.resize(header.cells.size());
  if (std::none_of(plan_.columns.begin(), plan_.columns.end(),
                   [](const auto& t) { return t.has_value(); })) {
    return CsvError{1, 0, noColumnMessage()};
  }
  scanner_.emplace(sheet_, false, plan_.sheetName);
  return std::nullopt;
}

bool BatchJob::scan(std::chrono::steady_clock::time_point until) {
  CsvRecord r;
  for (int n = 1;; ++n) {
    if (!scanner_->next(r)) break;
    widest_ = std::max(widest_, r.cellsInFile);
    rows_ += r.row > 1;
    // The clock is read now and then: a record is read in far less time than a clock read.
    if (n % 256 == 0 && std::chrono::steady_clock::now() >= until) return false;
  }
  error_ = scanner_->error();
  scanner_.reset();
  return true;
}

void BatchJob::startMaking() {
  reader_.emplace(sheet_, true, plan_.sheetName);
  CsvRecord header;
  reader_->next(header);
  note_ = reader_->note();
  out_.assign(reader_->bytes().substr(0, reader_->start()));
  if (plan_.replaceColumn) {
    keepRecord(header);  // the column keeps its header
  } else {
    appendRecord(out_, reader_->bytes(), *reader_, header, widest_, plan_.header);
  }
}

void BatchJob::keepRecord(const CsvRecord& record) {
  out_.append(reader_->bytes().substr(record.begin, record.end - record.begin));
  out_.append(record.lineEnd);
}

void BatchJob::writePage(const CsvRecord& record, std::string_view encoded) {
  if (plan_.replaceColumn) {
    replaceEncodedCell(out_, reader_->bytes(), *reader_, record, *plan_.replaceColumn, encoded);
  } else {
    appendEncodedRecord(out_, reader_->bytes(), *reader_, record, widest_, encoded);
  }
}

void BatchJob::makeRow(const CsvRecord& record, std::vector<HtmlFile>& files) {
  std::array<const std::string*, 8> titles{}, bodies{};
  for (std::size_t c = 0; c < plan_.columns.size(); ++c) {
    const auto& target = plan_.columns[c];
    if (!target) continue;
    auto& slot = target->title ? titles : bodies;
    slot[static_cast<std::size_t>(target->section - 1)] = &record.cells[c];
  }
  // Only a row blank in every cell is empty: an item with a number or a price but no text yet
  // still gets its page.
  bool any = std::any_of(record.cells.begin(), record.cells.end(),
                         [](const std::string& cell) { return !blank(cell); });
  if (!any) {
    ++skipped_;
    if (plan_.replaceColumn) {
      keepRecord(record);
    } else {
      appendRecord(out_, reader_->bytes(), *reader_, record, widest_, {});
    }
    return;
  }
  // Typed as the seller pastes: line breaks become <BR> as they do in the window. A column
  // that is not mapped leaves the listing's own text.
  std::vector<std::string> typed;
  for (int s = 1; s <= kSections; ++s) {
    auto i = static_cast<std::size_t>(s - 1);
    Section& section = form_.page.section(s);
    if (titles[i]) section.txtTitle.setText(form_.pastedText(section.txtTitle, *titles[i]));
    if (bodies[i]) section.txtEdit.setText(form_.pastedText(section.txtEdit, *bodies[i]));
    if (titles[i]) typed.push_back(section.txtTitle.name());
    if (bodies[i]) typed.push_back(section.txtEdit.name());
  }
  const std::string& page = form_.output.assembleNow();
  for (const checks::Finding& f : checks::checkListing(form_)) {
    std::string text = checks::describe(f);
    // A finding in the row's own texts, or the count of more of a kind on this row's page.
    bool own = std::find(typed.begin(), typed.end(), f.control) != typed.end() ||
               (f.control.empty() && f.line == 0 && f.where == "ほか");
    if (own) {
      findings_.push_back({record.row, std::move(text)});
    } else if (listingFindings_.insert(text).second) {
      findings_.push_back({0, std::move(text)});
    }
  }
  // The page as the sheet holds it: in code page 932 with what it lacks as references (the page
  // encoder holds it so already, it is not encoded twice).
  std::string encoded;
  const bool cp932 = reader_->encoding() == text::Encoding::Cp932;
  if (cp932) {
    for (std::string_view piece : form_.output.encodedPage()) encoded.append(piece);
  }
  // Excel keeps at most 32,767 characters in a cell and cuts the rest when it opens the file:
  // counted as the cell is written ("&#128522;" is nine).
  std::size_t units = cp932 ? text::cp932Length(encoded) : text::utf16Length(page);
  if (units > kMaxCellCharacters) {
    findings_.push_back(
        {record.row,
         "説明が " + std::to_string(units) + " 文字あり、Excel のセルに入る " +
             std::to_string(kMaxCellCharacters) +
             " 文字を超えます。Excel で開くと途中で切れます。本文を短くしてください。"});
  }
  writePage(record, cp932 ? encoded : page);
  if (plan_.htmlFiles) files.push_back({fileName(record), "\xEF\xBB\xBF" + page});
  ++made_;
}

std::string BatchJob::fileName(const CsvRecord& record) {
  std::string stem;
  if (plan_.nameColumn && *plan_.nameColumn < record.cells.size()) {
    stem = safeFileName(record.cells[*plan_.nameColumn]);
  }
  if (stem.empty()) stem = "行" + std::to_string(record.row);
  std::string name = stem + ".html";
  for (int n = 2; !names_.insert(lowerAscii(name)).second; ++n) {
    name = stem + " (" + std::to_string(n) + ").html";
  }
  return name;
}

bool BatchJob::step(std::chrono::steady_clock::time_point until, std::vector<HtmlFile>& files) {
  if (error_) return true;
  if (scanner_) {
    if (!scan(until)) return false;
    if (error_) return true;
    startMaking();
  }
  if (!reader_) return true;
  CsvRecord record;
  bool more = true;
  constexpr std::size_t kHandOverBytes = 1u << 20;
  while (done_ < rows_ && (more = reader_->next(record))) {
    makeRow(record, files);
    ++done_;
    if (sink_ && out_.size() >= kHandOverBytes) handOver();
    if (error_) return true;
    if (std::chrono::steady_clock::now() >= until) break;
  }
  if (done_ < rows_ && more) return false;
  endOutput();
  return true;
}

void BatchJob::handOver() {
  text::Encoding e = reader_->encoding();
  std::string chunk;
  if (e == text::Encoding::Utf16LE || e == text::Encoding::Utf16BE) {
    chunk = toUtf16(out_, e);
    if (handedOver_) chunk.erase(0, 2);  // the mark once, at the start
  } else {
    chunk = std::move(out_);
  }
  out_.clear();
  handedOver_ = true;
  if (auto why = sink_(chunk)) error_ = CsvError{-1, 0, "出力のファイルに書き込めません: " + *why};
}

void BatchJob::endOutput() {
  if (ended_) return;
  ended_ = true;
  out_.append(reader_->bytes().substr(reader_->end()));
  if (sink_) return handOver();
  text::Encoding e = reader_->encoding();
  if (e == text::Encoding::Utf16LE || e == text::Encoding::Utf16BE) out_ = toUtf16(out_, e);
}

bool BatchJob::finish(std::vector<HtmlFile>& files) {
  while (!step(std::chrono::steady_clock::time_point::max(), files)) {
  }
  return !error_;
}

std::string BatchJob::summary() const {
  std::string s = std::to_string(made_) + " 行の説明を作りました。" + note_;
  if (skipped_) s += "空の行 " + std::to_string(skipped_) + " 行は飛ばしました。";
  if (findings_.empty()) return s + "問題は見つかりませんでした。";
  std::set<int> rows;
  for (const RowFinding& f : findings_) {
    if (f.row) rows.insert(f.row);
  }
  return s + "確認で見つかったこと: " + std::to_string(findings_.size()) + " 件（" +
         std::to_string(rows.size()) + " 行）";
}

}  // namespace bq::batch

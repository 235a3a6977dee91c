// Descriptions for a whole spreadsheet: every row typed into a fresh copy of one listing (the
// mapped columns as titles and bodies, as if pasted) and its page taken, by the same handlers
// the window runs. The job goes a few rows at a time, so a window stays responsive and can stop
// it between two rows; nothing is written until the last row is made.
#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "batch/column_map.h"
#include "batch/csv_reader.h"
#include "files/failure.h"

namespace bq {
class frmMain;
}

namespace bq::batch {

inline constexpr const char* kDefaultHeader = "説明HTML";
// The name offered for the output beside the sheet: items.csv → items_説明HTML.csv.
std::string outputNameFor(const std::string& sheetName);

struct BatchPlan {
  std::vector<std::optional<Target>> columns;  // what each column of the sheet goes into
  std::string header = kDefaultHeader;         // the added column's header
  bool htmlFiles = false;                      // one .html file per row
  std::optional<std::size_t> nameColumn;       // the column the files are named from
  std::string sheetName;  // the sheet's file name: its extension settles an open separator
  // The existing column the pages go into (bulk-listing tools want them in a column of their
  // own); none: a column is added.
  std::optional<std::size_t> replaceColumn;
};

// Excel keeps at most this many characters in a cell.
inline constexpr std::size_t kMaxCellCharacters = 32767;

// One finding of the listing checks: the sheet's row, or 0 for the listing every row starts
// from (its colours and the texts no column replaces), told once.
struct RowFinding {
  int row = 0;
  std::string text;  // "欄3 本文 2行目: …"
};

struct HtmlFile {
  std::string name;   // safe as a file name, unique in the job (letter case aside)
  std::string bytes;  // the page in UTF-8, with a byte-order mark so that any browser reads it so
};

// The message when no column goes anywhere.
std::string noColumnMessage();

// The columns the headers name for this listing (its section titles count as names).
std::vector<std::optional<Target>> mapColumnsFor(const std::vector<std::string>& headers,
                                                 const frmMain& listing,
                                                 std::vector<std::string>* notes = nullptr);

// What a mapping dialog shows: the header, the first rows, and the columns mapped already.
struct SheetPreview {
  std::vector<std::string> headers;
  std::vector<std::vector<std::string>> rows;
  std::vector<std::optional<Target>> mapped;
  std::optional<std::size_t> nameColumn;  // defaultNameColumn
  // What the mapping decided between columns that wanted the same target, in Japanese; the
  // mapping dialog shows them with headerNotes.
  std::vector<std::string> notes;
};
inline constexpr int kPreviewRows = 5;
// Reads the header and the first rows; the error of a file that cannot be read that far.
// `name`: the sheet's file name.
std::optional<CsvError> previewSheet(const Sheet& sheet, const frmMain& listing, SheetPreview& out,
                                     std::string_view name = {});

class BatchJob {
 public:
  // `form` holds the listing every row starts from (an offscreen copy: the job types into it);
  // `sheet` is the spreadsheet as read. Both outlive the job.
  BatchJob(frmMain& form, const Sheet& sheet, BatchPlan plan);
  BatchJob(frmMain& form, Sheet&& sheet, BatchPlan plan) = delete;

  // Reads the header and checks the mapping (no mapped column); quick.
  std::optional<CsvError> prepare();
  // Then every record is read once before any page is made: a bad row anywhere stops the job
  // (error()) with nothing made. Until that read is over rows() is not known.
  bool scanning() const { return scanner_.has_value(); }
  std::size_t rows() const { return rows_; }  // data rows, without the header
  std::size_t done() const { return done_; }
  const std::optional<CsvError>& error() const { return error_; }

  // Reads or makes rows until `until` passes (at least one row made once reading is over) or
  // the job is over; true when it is (all made, or error()). The .html files of the rows made
  // are added to `files` when the plan asks for them.
  bool step(std::chrono::steady_clock::time_point until, std::vector<HtmlFile>& files);
  // Everything at once (the command line, tests); false on an error.
  bool finish(std::vector<HtmlFile>& files);

  // After the last step: the spreadsheet with the column added, in its own encoding.
  std::string& output() { return out_; }
  // Hands the output to `sink` as it is made (about a megabyte at a time), so that memory does
  // not grow with the rows; output() then holds only what is not handed over yet. A sink that
  // fails (its reason in Japanese) stops the job with that error.
  using Sink = std::function<Failure(std::string_view)>;
  void streamTo(Sink sink) { sink_ = std::move(sink); }
  int made() const { return made_; }
  int skipped() const { return skipped_; }  // rows whose mapped cells are all empty
  const std::vector<RowFinding>& findings() const { return findings_; }
  // The summary line: rows made, skipped, and what the checks found.
  std::string summary() const;

 private:
  void makeRow(const CsvRecord& record, std::vector<HtmlFile>& files);
  // Reads on through the sheet; true when the read is over.
  bool scan(std::chrono::steady_clock::time_point until);
  void startMaking();
  std::string fileName(const CsvRecord& record);

  frmMain& form_;
  const Sheet& sheet_;
  BatchPlan plan_;
  std::optional<CsvReader> scanner_, reader_;
  std::optional<CsvError> error_;
  std::size_t widest_ = 0, rows_ = 0, done_ = 0;
  int made_ = 0, skipped_ = 0;
  std::string out_;
  Sink sink_;
  bool handedOver_ = false;  // some of the output went to the sink already
  void handOver();
  std::string note_;
  bool ended_ = false;
  // The last of the output: what follows the records, and UTF-16 again for a UTF-16 sheet.
  void endOutput();
  // A record as it was, and one with its page (in the sheet's encoding) added or put in place.
  void keepRecord(const CsvRecord& record);
  void writePage(const CsvRecord& record, std::string_view encoded);
  std::vector<RowFinding> findings_;
  std::set<std::string> listingFindings_;  // told once, under row 0
  std::set<std::string> names_;            // the file names taken, in lower case
};

// A cell as a file name: characters no system allows (/ \ : * ? " < > | and controls) become
// "_", blanks and dots at the ends go, names Windows reserves (CON, NUL, COM1 …) get a "_",
// and it is cut at a character boundary to what the file system holds with the staging's
// additions (226 bytes: 75 Japanese characters). Empty when nothing is left.
std::string safeFileName(const std::string& cell);

}  // namespace bq::batch

// Spreadsheets as Excel and LibreOffice write them: CSV or TSV in code page 932, UTF-8 (with or
// without a mark) or UTF-16 with its mark (Excel's 「Unicode テキスト」, read as UTF-8 and written
// back as UTF-16); quoted cells with doubled quotes and line breaks; CRLF, LF or CR.
// Records are read one at a time, each with the bytes it came from, so that a copy of the file
// with a column added can keep every byte of the original.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "text/cp932.h"

namespace bq::batch {

// Files larger than this are refused before they are read, with this message.
constexpr std::size_t kMaxSpreadsheet = 64u << 20;
inline constexpr const char* kSheetTooLarge =
    "ファイルが大きすぎます（64MB まで）。行を分けて、いくつかのファイルにしてください。";

struct CsvRecord {
  std::vector<std::string> cells;     // UTF-8, line breaks inside a cell as they were
  std::size_t cellsInFile = 0;        // as many as the record's bytes hold (before padding)
  std::size_t begin = 0, end = 0;     // the record's bytes, without its line end
  std::vector<std::size_t> cellEnds;  // where each cell's bytes end (the next begins after it)
  std::string_view lineEnd;           // "\r\n", "\n", "\r" or "" at the end of the file
  int row = 0;                        // 1 for the header, as the sheet numbers its rows
};

struct CsvError {
  int row = 0;          // -1: the output, not the sheet
  int column = 0;       // 1-based; 0 for the whole file
  std::string message;  // in Japanese: what is wrong, where, and what to do
};

// A sheet as read from its file. A UTF-16 file is decoded into UTF-8 once, on reading, and
// every reader of the sheet reads that text: a copy decoded per reader would hold a long sheet
// several times over.
struct Sheet {
  std::string bytes;                    // the file's bytes, or a UTF-16 file's text in UTF-8
  std::optional<text::Encoding> utf16;  // the UTF-16 it was decoded from, and is written back in
};
// `bytes` read as a sheet: decoded when it is clean UTF-16 (else left for the reader to tell).
Sheet sheetOf(std::string bytes);

class CsvReader {
 public:
  // `bytes` must outlive the reader. Without `cellsWanted` the records are only checked and
  // measured: a cell is "" when empty and "x" otherwise, nothing is decoded. `name`: the
  // file's name, whose extension (.tsv, .txt, .csv) settles a separator the table leaves open.
  // `decodedFrom`: the UTF-16 that `bytes` (UTF-8) was decoded from (Sheet::utf16).
  explicit CsvReader(std::string_view bytes, bool cellsWanted = true, std::string_view name = {},
                     std::optional<text::Encoding> decodedFrom = std::nullopt);
  CsvReader(const Sheet& sheet, bool cellsWanted, std::string_view name)
      : CsvReader(sheet.bytes, cellsWanted, name, sheet.utf16) {}
  CsvReader(const CsvReader&) = delete;
  CsvReader& operator=(const CsvReader&) = delete;

  // The file's encoding, decided from the whole file (text::decideEncoding), and separator
  // (",", ";" or tab), the one that makes a table of the same width on every line, or the one
  // Excel's first line "sep=X" names (that line is no record: start() is after it).
  text::Encoding encoding() const { return encoding_; }
  char separator() const { return separator_; }
  // What the records' offsets address: the file's bytes, or a UTF-16 file's text in UTF-8.
  std::string_view bytes() const { return bytes_; }
  // Where the records start (after a byte-order mark) and where they end (before a DOS
  // end-of-file mark, which is no row).
  std::size_t start() const { return start_; }
  std::size_t end() const { return end_; }
  // What the reader passed over that the seller should know of (empty: nothing).
  const std::string& note() const { return note_; }

  // The header, then one record per call; false at the end or on an error (see error()).
  // Records after the header have as many cells as the header: missing ones are empty, and
  // empty cells beyond it (Excel's trailing columns) are dropped.
  bool next(CsvRecord& record);
  const std::optional<CsvError>& error() const { return error_; }

 private:
  bool fail(int row, int column, std::string message);
  std::string decode(std::string_view cell) const;

  char decideSeparator(std::string_view name) const;

  std::string_view bytes_;
  std::string utf8_;  // a UTF-16 file's text
  std::size_t end_ = 0;
  std::size_t bad_ = std::string_view::npos;  // the first byte that does not read
  std::string note_;
  text::Encoding encoding_ = text::Encoding::Cp932;
  char separator_ = ',';
  std::string stops_ = ",\r\n";  // what ends an unquoted cell
  std::size_t start_ = 0, at_ = 0;
  int row_ = 0;
  std::size_t columns_ = 0;  // the header's width
  std::optional<CsvError> error_;
  bool cellsWanted_ = true;
};

// A UTF-8 copy of a UTF-16 sheet back in its encoding, with its mark.
std::string toUtf16(std::string_view utf8, text::Encoding encoding);

// "A", "B", … "Z", "AA": a column as the sheet names it.
std::string columnName(int column);

}  // namespace bq::batch

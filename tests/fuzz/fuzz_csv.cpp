// libFuzzer target for the spreadsheet reader and writer: any bytes are read without a crash or
// a sanitizer report, the measuring read finds what the full read finds, records come in order
// inside the file, every record of a well-formed file has the header's width, the records' bytes
// put back together are the file, and the file with a column added reads back record for record.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "batch/csv_reader.h"
#include "batch/csv_writer.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string bytes(reinterpret_cast<const char*>(data), size);
  bq::batch::CsvReader reader(bytes);
  // What the records address: the file, or a UTF-16 file's text in UTF-8.
  std::string_view text = reader.bytes();
  std::string rejoined(text.substr(0, std::min(reader.start(), text.size())));
  // The batch's first read only checks and measures: it must find the same records and errors.
  bq::batch::CsvReader scanner(bytes, false);
  bq::batch::CsvRecord r, s;
  std::size_t width = 0, at = reader.start(), count = 0;
  while (reader.next(r)) {
    if (!scanner.next(s) || s.begin != r.begin || s.end != r.end ||
        s.cellsInFile != r.cellsInFile || s.cells.size() != r.cells.size()) {
      std::abort();
    }
    ++count;
    if (r.begin != at || r.end < r.begin || r.end > text.size()) std::abort();
    if (r.row == 1) width = r.cells.size();
    if (r.cells.size() != width) std::abort();
    rejoined.append(text.substr(r.begin, r.end - r.begin)).append(r.lineEnd);
    at = r.end + r.lineEnd.size();
  }
  if (scanner.next(s) || scanner.error().has_value() != reader.error().has_value() ||
      (reader.error() && (scanner.error()->row != reader.error()->row ||
                          scanner.error()->column != reader.error()->column))) {
    std::abort();
  }
  if (reader.error()) return 0;
  // What follows the records (an end-of-file mark) is kept as it was.
  if (rejoined + std::string(text.substr(reader.end())) != text) std::abort();

  // With a column added (each record's first cell again), the file reads back as many records,
  // each one cell wider than the widest, the new cell last.
  std::string out;
  auto first = [](const bq::batch::CsvRecord& rec) { return rec.cells.front(); };
  if (bq::batch::appendColumn(bytes, "説明HTML", first, out)) std::abort();
  bq::batch::CsvReader again(out);
  std::size_t records = 0, wide = 0;
  while (again.next(r)) {
    if (++records == 1) wide = r.cells.size();
    if (r.cells.size() != wide) std::abort();
  }
  if (again.error() || records != count) std::abort();
  return 0;
}

// libFuzzer target for the spreadsheet reader: any bytes are read without a crash or a
// sanitizer report, records come in order inside the file, every record of a well-formed file
// has the header's width, and the records' bytes put back together are the file.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "batch/csv_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string bytes(reinterpret_cast<const char*>(data), size);
  bq::batch::CsvReader reader(bytes);
  std::string rejoined = bytes.substr(0, std::min(reader.start(), bytes.size()));
  bq::batch::CsvRecord r;
  std::size_t width = 0, at = reader.start();
  while (reader.next(r)) {
    if (r.begin != at || r.end < r.begin || r.end > bytes.size()) std::abort();
    if (r.row == 1) width = r.cells.size();
    if (r.cells.size() != width) std::abort();
    rejoined.append(bytes, r.begin, r.end - r.begin).append(r.lineEnd);
    at = r.end + r.lineEnd.size();
  }
  if (!reader.error() && rejoined != bytes) std::abort();
  return 0;
}

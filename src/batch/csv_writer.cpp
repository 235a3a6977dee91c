#include "batch/csv_writer.h"

#include <algorithm>

namespace bq::batch {

std::string csvCell(const std::string& utf8, char separator, text::Encoding encoding) {
  std::string value = encoding == text::Encoding::Cp932 ? text::utf8ToCp932Html(utf8) : utf8;
  if (value.find_first_of(std::string{separator, '"', '\r', '\n'}) == std::string::npos) {
    return value;
  }
  std::string quoted = "\"";
  for (char c : value) {
    if (c == '"') quoted += '"';
    quoted += c;
  }
  return quoted + '"';
}

std::optional<CsvError> appendColumn(std::string_view bytes, const std::string& header,
                                     const std::function<std::string(const CsvRecord&)>& valueFor,
                                     std::string& out) {
  // First the widest record (Excel leaves empty trailing cells on some), then the copy.
  std::size_t widest = 0;
  {
    CsvReader reader(bytes);
    CsvRecord r;
    while (reader.next(r)) widest = std::max(widest, r.cellsInFile);
    if (reader.error()) return reader.error();
  }
  CsvReader reader(bytes);
  std::string copy(bytes.substr(0, reader.start()));
  CsvRecord r;
  while (reader.next(r)) {
    copy.append(bytes.substr(r.begin, r.end - r.begin));
    copy.append(widest - r.cellsInFile + 1, reader.separator());
    copy += csvCell(r.row == 1 ? header : valueFor(r), reader.separator(), reader.encoding());
    copy.append(r.lineEnd);
  }
  if (reader.error()) return reader.error();
  out = std::move(copy);
  return std::nullopt;
}

}  // namespace bq::batch

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

std::optional<CsvError> widestRecord(std::string_view bytes, std::size_t& widest) {
  widest = 0;
  CsvReader reader(bytes);
  CsvRecord r;
  while (reader.next(r)) widest = std::max(widest, r.cellsInFile);
  return reader.error();
}

void appendRecord(std::string& out, std::string_view bytes, const CsvReader& reader,
                  const CsvRecord& record, std::size_t widest, const std::string& value) {
  out.append(bytes.substr(record.begin, record.end - record.begin));
  out.append(widest - record.cellsInFile + 1, reader.separator());
  out += csvCell(value, reader.separator(), reader.encoding());
  out.append(record.lineEnd);
}

std::optional<CsvError> appendColumn(std::string_view bytes, const std::string& header,
                                     const std::function<std::string(const CsvRecord&)>& valueFor,
                                     std::string& out) {
  std::size_t widest = 0;
  if (auto error = widestRecord(bytes, widest)) return error;
  CsvReader reader(bytes);
  std::string copy(bytes.substr(0, reader.start()));
  CsvRecord r;
  while (reader.next(r))
    appendRecord(copy, bytes, reader, r, widest, r.row == 1 ? header : valueFor(r));
  if (reader.error()) return reader.error();
  out = std::move(copy);
  return std::nullopt;
}

}  // namespace bq::batch

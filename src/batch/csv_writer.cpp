#include "batch/csv_writer.h"

#include <algorithm>

namespace bq::batch {

namespace {

// A cell already in the file's encoding, quoted when it must be (code page 932 is read bytewise:
// no trail byte is a quote, a separator or a line end).
void appendCell(std::string& out, std::string_view value, char separator) {
  const char stops[] = {separator, '"', '\r', '\n'};
  if (value.find_first_of(std::string_view(stops, 4)) == std::string_view::npos) {
    out.append(value);
    return;
  }
  out += '"';
  for (std::size_t at = 0;;) {
    std::size_t quote = value.find('"', at);
    out.append(value.substr(at, quote == std::string_view::npos ? quote : quote + 1 - at));
    if (quote == std::string_view::npos) break;
    out += '"';  // a quote is written twice
    at = quote + 1;
  }
  out += '"';
}

}  // namespace

std::optional<CsvError> widestRecord(std::string_view bytes, std::size_t& widest) {
  widest = 0;
  CsvReader reader(bytes, false);
  CsvRecord r;
  while (reader.next(r)) widest = std::max(widest, r.cellsInFile);
  return reader.error();
}

void appendEncodedRecord(std::string& out, std::string_view bytes, const CsvReader& reader,
                         const CsvRecord& record, std::size_t widest, std::string_view encoded) {
  out.append(bytes.substr(record.begin, record.end - record.begin));
  out.append(widest - record.cellsInFile + 1, reader.separator());
  appendCell(out, encoded, reader.separator());
  out.append(record.lineEnd);
}

void replaceEncodedCell(std::string& out, std::string_view bytes, const CsvReader& reader,
                        const CsvRecord& record, std::size_t column, std::string_view encoded) {
  const std::vector<std::size_t>& ends = record.cellEnds;
  if (column < ends.size()) {
    std::size_t from = column == 0 ? record.begin : ends[column - 1] + 1;
    out.append(bytes.substr(record.begin, from - record.begin));
    appendCell(out, encoded, reader.separator());
    out.append(bytes.substr(ends[column], record.end - ends[column]));
  } else {
    out.append(bytes.substr(record.begin, record.end - record.begin));
    out.append(column - ends.size() + 1, reader.separator());
    appendCell(out, encoded, reader.separator());
  }
  out.append(record.lineEnd);
}

void appendRecord(std::string& out, std::string_view bytes, const CsvReader& reader,
                  const CsvRecord& record, std::size_t widest, const std::string& value) {
  if (reader.encoding() == text::Encoding::Cp932) {
    appendEncodedRecord(out, bytes, reader, record, widest, text::utf8ToCp932Html(value));
  } else {
    appendEncodedRecord(out, bytes, reader, record, widest, value);
  }
}

std::optional<CsvError> appendColumn(std::string_view bytes, const std::string& header,
                                     const std::function<std::string(const CsvRecord&)>& valueFor,
                                     std::string& out) {
  std::size_t widest = 0;
  if (auto error = widestRecord(bytes, widest)) return error;
  CsvReader reader(bytes);
  std::string_view text = reader.bytes();  // a UTF-16 file's text is read as UTF-8
  std::string copy(text.substr(0, reader.start()));
  CsvRecord r;
  while (reader.next(r))
    appendRecord(copy, text, reader, r, widest, r.row == 1 ? header : valueFor(r));
  if (reader.error()) return reader.error();
  copy.append(text.substr(reader.end()));
  text::Encoding e = reader.encoding();
  out = e == text::Encoding::Utf16LE || e == text::Encoding::Utf16BE ? toUtf16(copy, e)
                                                                     : std::move(copy);
  return std::nullopt;
}

}  // namespace bq::batch

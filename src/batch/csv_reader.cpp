#include "batch/csv_reader.h"

namespace bq::batch {

std::string columnName(int column) {
  std::string name;
  for (int c = column; c > 0; c = (c - 1) / 26) {
    name.insert(name.begin(), static_cast<char>('A' + (c - 1) % 26));
  }
  return name;
}

CsvReader::CsvReader(std::string_view bytes, bool cellsWanted)
    : bytes_(bytes), cellsWanted_(cellsWanted) {
  if (bytes_.size() > kMaxSpreadsheet) {
    fail(0, 0, kSheetTooLarge);
    return;
  }
  if (bytes_.find('\0') != std::string_view::npos) {
    fail(0, 0,
         "テキストのファイルではありません。表計算ソフトで「CSV」または「テキスト（タブ区切り）」"
         "として保存したファイルを選んでください。");
    return;
  }
  encoding_ = text::detectEncoding(bytes_);
  if (encoding_ == text::Encoding::Utf16LE || encoding_ == text::Encoding::Utf16BE) {
    fail(0, 0, "UTF-16 のファイルには対応していません。「CSV UTF-8」で保存し直してください。");
    return;
  }
  start_ = at_ = encoding_ == text::Encoding::Utf8Bom ? 3 : 0;
  // A sheet copied as text is separated by tabs: more tabs than commas on the first line.
  std::string_view first = bytes_.substr(start_, bytes_.find_first_of("\r\n", start_) - start_);
  std::size_t tabs = 0, commas = 0;
  for (char c : first) {
    tabs += c == '\t';
    commas += c == ',';
  }
  separator_ = tabs > commas ? '\t' : ',';
  stops_ = {separator_, '\r', '\n'};
}

bool CsvReader::fail(int row, int column, std::string message) {
  error_ = CsvError{row, column, std::move(message)};
  at_ = bytes_.size() + 1;
  return false;
}

std::string CsvReader::decode(std::string_view cell) const {
  return encoding_ == text::Encoding::Cp932 ? text::cp932ToUtf8(cell) : text::toValidUtf8(cell);
}

bool CsvReader::next(CsvRecord& r) {
  if (at_ > bytes_.size() || (at_ == bytes_.size() && row_ > 0)) return false;
  r.cells.clear();
  r.row = ++row_;
  r.begin = at_;
  std::size_t i = at_, n = bytes_.size();
  // Cells (code page 932 is read bytewise: no trail byte is a quote, separator or line end).
  for (;;) {
    std::string raw;
    if (i < n && bytes_[i] == '"') {
      ++i;
      for (;;) {
        std::size_t q = bytes_.find('"', i);
        if (q == std::string_view::npos) {
          return fail(r.row, static_cast<int>(r.cells.size()) + 1,
                      std::to_string(r.row) + "行目の" +
                          columnName(static_cast<int>(r.cells.size()) + 1) +
                          "列で「\"」が閉じていません。そのセルの引用符を確かめてください。");
        }
        raw.append(bytes_.substr(i, q - i));
        i = q + 1;
        if (i < n && bytes_[i] == '"') {  // a doubled quote is one quote
          raw += '"';
          ++i;
          continue;
        }
        break;
      }
      // Anything after the closing quote up to the separator belongs to the cell, as Excel
      // reads it.
      std::size_t stop = bytes_.find_first_of(stops_, i);
      if (stop == std::string_view::npos) stop = n;
      raw.append(bytes_.substr(i, stop - i));
      i = stop;
    } else {
      std::size_t stop = bytes_.find_first_of(stops_, i);
      if (stop == std::string_view::npos) stop = n;
      raw.assign(bytes_.substr(i, stop - i));
      i = stop;
    }
    if (cellsWanted_) {
      r.cells.push_back(decode(raw));
    } else {
      r.cells.emplace_back(raw.empty() ? 0 : 1, 'x');
    }
    if (i < n && bytes_[i] == separator_) {
      ++i;
      continue;
    }
    break;
  }
  r.end = i;
  std::size_t endLength = i >= n ? 0 : (bytes_.compare(i, 2, "\r\n") == 0 ? 2 : 1);
  r.lineEnd = bytes_.substr(std::min(i, n), endLength);
  at_ = i + endLength;
  if (at_ == n && endLength == 0) at_ = n + 1;  // nothing follows the last record

  r.cellsInFile = r.cells.size();
  if (r.row == 1) {
    columns_ = r.cells.size();
    bool empty = columns_ == 1 && r.cells[0].empty();
    if (empty) {
      return fail(1, 0,
                  "1行目に見出しがありません。1行目に各列の名前（管理番号、商品名、説明 など）を"
                  "入れてください。");
    }
    return true;
  }
  while (r.cells.size() > columns_ && r.cells.back().empty()) r.cells.pop_back();
  if (r.cells.size() > columns_) {
    int column = static_cast<int>(columns_) + 1;
    return fail(r.row, column,
                std::to_string(r.row) + "行目の" + columnName(column) +
                    "列は見出しのない列です。見出しを付けるか、その列の内容を消してください。");
  }
  r.cells.resize(columns_);
  return true;
}

}  // namespace bq::batch

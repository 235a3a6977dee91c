#include "batch/csv_reader.h"

#include <algorithm>

namespace bq::batch {

std::string columnName(int column) {
  std::string name;
  for (int c = column; c > 0; c = (c - 1) / 26) {
    name.insert(name.begin(), static_cast<char>('A' + (c - 1) % 26));
  }
  return name;
}

namespace {

// Text in UTF-16 without its byte-order mark: its ASCII characters (separators, digits, line
// ends) leave a zero byte at odd places (little-endian) or even ones (big-endian), and only
// few characters (一, U+4E00) one at the other.
bool looksLikeUtf16WithoutMark(std::string_view bytes) {
  std::size_t n = std::min<std::size_t>(bytes.size() & ~std::size_t{1}, 1 << 16);
  std::size_t zeros[2] = {0, 0};
  for (std::size_t i = 0; i < n; ++i) zeros[i % 2] += bytes[i] == '\0';
  std::size_t pairs = n / 2, most = std::max(zeros[0], zeros[1]);
  std::size_t fewest = std::min(zeros[0], zeros[1]);
  return pairs >= 4 && most >= 2 && most * 8 >= pairs && fewest * 8 <= most;
}

}  // namespace

Sheet sheetOf(std::string bytes) {
  text::Decided decided = text::decideEncoding(bytes);
  bool utf16 =
      decided.encoding == text::Encoding::Utf16LE || decided.encoding == text::Encoding::Utf16BE;
  if (!utf16 || !decided.clean()) return {std::move(bytes), std::nullopt};
  return {text::utf16ToUtf8(std::string_view(bytes).substr(decided.mark),
                            decided.encoding == text::Encoding::Utf16BE),
          decided.encoding};
}

CsvReader::CsvReader(std::string_view bytes, bool cellsWanted, std::string_view name,
                     std::optional<text::Encoding> decodedFrom)
    : bytes_(bytes), cellsWanted_(cellsWanted) {
  if (bytes_.size() > kMaxSpreadsheet) {
    fail(0, 0, kSheetTooLarge);
    return;
  }
  text::Decided decided = decodedFrom
                              ? text::Decided{text::Encoding::Utf8, 0, std::string_view::npos}
                              : text::decideEncoding(bytes_);
  encoding_ = decodedFrom ? *decodedFrom : decided.encoding;
  if (!decodedFrom &&
      (encoding_ == text::Encoding::Utf16LE || encoding_ == text::Encoding::Utf16BE)) {
    if (!decided.clean()) {
      std::size_t line = text::lineAt(bytes_, decided, decided.bad);
      fail(static_cast<int>(line), 0,
           std::to_string(line) +
               "行目に UTF-16 として読めない文字があります。表計算ソフトで開き直し、保存し直して"
               "ください。");
      return;
    }
    // Read as UTF-8; what is written from it goes back into UTF-16 (toUtf16).
    utf8_ = text::utf16ToUtf8(bytes_.substr(decided.mark), encoding_ == text::Encoding::Utf16BE);
    bytes_ = utf8_;
    decided = text::Decided{encoding_, 0, std::string_view::npos};
  }
  if (bytes_.find('\0') != std::string_view::npos && looksLikeUtf16WithoutMark(bytes_)) {
    fail(0, 0,
         "UTF-16 のテキストですが、先頭にその印（バイト順マーク）がないため読めません。表計算ソフト"
         "で「Unicode テキスト」または「CSV UTF-8」として保存し直したファイルを選んでください。");
    return;
  }
  if (bytes_.find('\0') != std::string_view::npos) {
    fail(0, 0,
         "テキストのファイルではありません。表計算ソフトで「CSV」または「テキスト（タブ区切り）」"
         "として保存したファイルを選んでください。");
    return;
  }
  start_ = at_ = decided.mark;
  bad_ = decided.bad;
  end_ = bytes_.size();
  if (end_ > start_ && bytes_[end_ - 1] == '\x1A') {
    --end_;
    note_ = "ファイルの終わりにある印（0x1A）は行として読まずに、そのまま残しました。";
  }
  // Excel's first line "sep=;" names the separator; it is no header, and is written back as it is.
  std::string_view rest = bytes_.substr(start_, end_ - start_);
  if (rest.size() >= 5 && (rest.compare(0, 4, "sep=") == 0 || rest.compare(0, 4, "SEP=") == 0) &&
      (rest.size() == 5 || rest[5] == '\r' || rest[5] == '\n') &&
      (rest[4] == ',' || rest[4] == ';' || rest[4] == '\t' || rest[4] == '|')) {
    separator_ = rest[4];
    start_ += 5;
    if (start_ < end_ && bytes_[start_] == '\r') ++start_;
    if (start_ < end_ && bytes_[start_] == '\n') ++start_;
    at_ = start_;
  } else {
    separator_ = decideSeparator(name);
  }
  stops_ = {separator_, '\r', '\n'};
}

char CsvReader::decideSeparator(std::string_view name) const {
  // The width of the first line, and whether every other line that holds something has it.
  auto table = [&](char separator) {
    std::size_t header = 0, cells = 1;
    bool same = true, first = true, quoted = false, cellStart = true, content = false;
    auto lineEnds = [&] {
      if (first) {
        header = cells;
        first = false;
      } else if (content && cells != header) {
        same = false;
      }
      cells = 1;
      cellStart = true;
      content = false;
    };
    for (std::size_t i = start_; i < end_; ++i) {
      char c = bytes_[i];
      if (quoted) {
        if (c == '"') {
          if (i + 1 < end_ && bytes_[i + 1] == '"') {
            ++i;
          } else {
            quoted = false;
          }
        }
        continue;
      }
      if (c == '\r' || c == '\n') {
        if (c == '\r' && i + 1 < end_ && bytes_[i + 1] == '\n') ++i;
        lineEnds();
        continue;
      }
      content = true;
      if (c == separator) {
        ++cells;
        cellStart = true;
      } else {
        quoted = c == '"' && cellStart;
        cellStart = false;
      }
    }
    if (content) lineEnds();
    return header > 1 && same ? header : 0;
  };
  // The separator that makes a table; of several, the one that makes the widest (a sheet
  // separated by ";" with one "," in a cell of every line is read by ";").
  std::size_t tabs = table('\t'), commas = table(','), semicolons = table(';');
  std::size_t widest = std::max({tabs, commas, semicolons});
  int tables = (tabs > 0) + (commas > 0) + (semicolons > 0);
  if (widest > 0 &&
      (tables == 1 || (tabs == widest) + (commas == widest) + (semicolons == widest) == 1)) {
    return tabs == widest ? '\t' : commas == widest ? ',' : ';';
  }
  std::string extension;
  if (std::size_t dot = name.rfind('.'); dot != std::string_view::npos) {
    for (char c : name.substr(dot))
      extension += static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
  }
  if (extension == ".tsv" || extension == ".txt") return '\t';
  if (extension == ".csv") return ',';
  // Neither settles it: a sheet copied as text has more tabs than commas on its first line.
  std::string_view first = bytes_.substr(start_, bytes_.find_first_of("\r\n", start_) - start_);
  return std::count(first.begin(), first.end(), '\t') > std::count(first.begin(), first.end(), ',')
             ? '\t'
             : ',';
}

std::string toUtf16(std::string_view utf8, text::Encoding encoding) {
  std::string le = text::utf8ToUtf16LE(utf8);
  if (encoding == text::Encoding::Utf16LE) return "\xFF\xFE" + le;
  for (std::size_t i = 0; i + 1 < le.size(); i += 2) std::swap(le[i], le[i + 1]);
  return "\xFE\xFF" + le;
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
  if (at_ > end_ || (at_ == end_ && row_ > 0)) return false;
  r.cells.clear();
  r.cellEnds.clear();
  r.row = ++row_;
  r.begin = at_;
  std::size_t i = at_, n = end_;
  // Cells (code page 932 is read bytewise: no trail byte is a quote, separator or line end).
  for (;;) {
    std::string raw;
    std::size_t cellBegin = i;
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
    if (bad_ >= cellBegin && bad_ < i) {
      int column = static_cast<int>(r.cells.size()) + 1;
      return fail(r.row, column,
                  std::to_string(r.row) + "行目の" + columnName(column) +
                      "列に、UTF-8 としてもシフトJIS（コードページ932）としても読めない文字があり"
                      "ます。ほかのファイルから貼り付けた文字かもしれません。そのセルを確かめ、"
                      "表計算ソフトで「CSV UTF-8」として保存し直してください。");
    }
    r.cellEnds.push_back(i);
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

// Spreadsheets as Excel writes them, read cell by cell; every bad file refused with its row and
// column; and the records' bytes, put back together, are the file.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "batch/column_map.h"
#include "batch/csv_reader.h"
#include "batch/csv_writer.h"

namespace bq::test {
namespace {

using batch::CsvReader;
using batch::CsvRecord;

std::string data(const std::string& name) {
  std::ifstream in(std::string(BIDQUILL_TEST_DATA) + "/spreadsheets/" + name, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

std::vector<CsvRecord> readAll(CsvReader& reader) {
  std::vector<CsvRecord> all;
  CsvRecord r;
  while (reader.next(r)) all.push_back(r);
  return all;
}

// The records' bytes and line ends, from the start, make the file again.
std::string rejoined(const std::string& bytes, const CsvReader& reader,
                     const std::vector<CsvRecord>& records) {
  std::string out = bytes.substr(0, reader.start());
  for (const CsvRecord& r : records) {
    out += bytes.substr(r.begin, r.end - r.begin);
    out += r.lineEnd;
  }
  return out;
}

TEST(CsvReader, ExcelCodePage932WithQuotedLineBreaksAndTrailingColumns) {
  std::string bytes = data("excel-cp932.csv");
  CsvReader reader(bytes);
  auto rows = readAll(reader);
  ASSERT_FALSE(reader.error()) << reader.error()->message;
  EXPECT_EQ(reader.encoding(), text::Encoding::Cp932);
  EXPECT_EQ(reader.separator(), ',');
  ASSERT_EQ(rows.size(), 5u);
  EXPECT_EQ(rows[0].cells, (std::vector<std::string>{"管理番号", "商品名", "状態", "説明"}));
  EXPECT_EQ(rows[1].cells[3], "昭和初期のものです。\r\n引き出しは三段です。");
  EXPECT_EQ(rows[2].cells[1], "\"特選\" 茶碗");
  EXPECT_EQ(rows[2].cells[3], "口縁に小さな欠け、\r\n高台に \"窯印\" あり。");
  EXPECT_EQ(rows[3].cells, (std::vector<std::string>{"A-003", "ガラス瓶", "", "説明なし"}));
  EXPECT_EQ(rows[4].cells, (std::vector<std::string>{"", "", "", ""}));
  EXPECT_EQ(rows[2].row, 3);
  EXPECT_EQ(rows[1].lineEnd, "\r\n");
  EXPECT_EQ(rejoined(bytes, reader, rows), bytes);
}

TEST(CsvReader, Utf8WithAMarkAndTabsCopiedFromASheet) {
  std::string bytes = data("excel-utf8-bom.csv");
  CsvReader utf8(bytes);
  auto rows = readAll(utf8);
  ASSERT_FALSE(utf8.error());
  EXPECT_EQ(utf8.encoding(), text::Encoding::Utf8Bom);
  EXPECT_EQ(rows[0].cells[0], "管理番号");  // no mark in the first cell
  EXPECT_EQ(rows[2].cells[1], "\"特選\" 茶碗");
  EXPECT_EQ(rejoined(bytes, utf8, rows), bytes);

  std::string tsv = data("sheet-copy.tsv");
  CsvReader sheet(tsv);
  rows = readAll(sheet);
  ASSERT_FALSE(sheet.error());
  EXPECT_EQ(sheet.separator(), '\t');
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[2].cells[1], ", を含む");
  EXPECT_EQ(rows[2].lineEnd, "");
  EXPECT_EQ(rejoined(tsv, sheet, rows), tsv);

  // Excel in European locales and Numbers separate by ";", with "," inside cells; Excel's
  // "sep=" line names the separator and is no header.
  for (std::string semi : {"番号;本文2;価格\r\n1;一, 二;100\r\n2;三, 四;200\r\n",
                           "sep=;\r\n番号;本文2;価格\r\n1;一, 二;100\r\n2;三, 四;200\r\n"}) {
    CsvReader european(semi, true, "items.csv");
    rows = readAll(european);
    ASSERT_FALSE(european.error());
    EXPECT_EQ(european.separator(), ';');
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].cells[0], "番号");
    EXPECT_EQ(rows[1].cells[1], "一, 二");
    std::string out;
    ASSERT_FALSE(batch::appendColumn(
        semi, "説明HTML", [](const CsvRecord&) { return "a;b"; }, out));
    EXPECT_EQ(out.substr(0, out.find("\r\n1;") + 2),
              semi.substr(0, semi.find("\r\n1;")) + ";説明HTML\r\n");
    EXPECT_NE(out.find("100;\"a;b\""), std::string::npos) << out;
  }
}

TEST(CsvReader, BadFilesAreRefusedWithTheirRowAndColumn) {
  struct Case {
    std::string bytes;
    int row, column;
    const char* says;
  } cases[] = {
      {"番号,説明\r\n1,\"閉じない\r\n2,x\r\n", 2, 2, "2行目のB列で「\"」が閉じていません"},
      {"番号,説明\r\n1,a,余分\r\n", 2, 3, "2行目のC列は見出しのない列です"},
      {std::string("a,b\r\n\0\x01", 7), 0, 0, "テキストのファイルではありません"},
      {"", 1, 0, "1行目に見出しがありません"},
      {"\r\n1,2\r\n", 1, 0, "1行目に見出しがありません"},
      {"\xFF\xFE"
       "a",
       1, 0, "1行目に UTF-16 として読めない文字があります"},
      // A UTF-8 sheet with one cell pasted from a Shift_JIS source: refused at that cell.
      {"番号,説明\r\n1,良品\r\n2,\x8F\xA4\r\n", 3, 2, "3行目のB列に、UTF-8 としても"},
  };
  for (const Case& c : cases) {
    CsvReader reader(c.bytes);
    readAll(reader);
    ASSERT_TRUE(reader.error()) << c.says;
    EXPECT_EQ(reader.error()->row, c.row) << c.says;
    EXPECT_EQ(reader.error()->column, c.column) << c.says;
    EXPECT_NE(reader.error()->message.find(c.says), std::string::npos) << reader.error()->message;
  }
  std::string huge(batch::kMaxSpreadsheet + 1, 'a');
  CsvReader tooLarge(huge);
  CsvRecord r;
  EXPECT_FALSE(tooLarge.next(r));
  EXPECT_NE(tooLarge.error()->message.find("64MB"), std::string::npos);
  EXPECT_EQ(batch::columnName(1), "A");
  EXPECT_EQ(batch::columnName(27), "AA");
}

TEST(CsvWriter, TheFileAgainWithOneColumnKeepingEveryByteEncodingAndLineEnd) {
  for (const char* name : {"excel-cp932.csv", "excel-utf8-bom.csv", "sheet-copy.tsv"}) {
    std::string bytes = data(name), out;
    auto page = [](const CsvRecord& r) {
      return r.cells[0].empty() ? std::string() : "<b>" + r.cells[0] + "</b>\n\"引用\" 😀";
    };
    ASSERT_FALSE(batch::appendColumn(bytes, "説明HTML", page, out)) << name;
    CsvReader original(bytes), copy(out);
    auto before = readAll(original), after = readAll(copy);
    ASSERT_FALSE(copy.error()) << name;
    ASSERT_EQ(after.size(), before.size()) << name;
    EXPECT_EQ(copy.encoding(), original.encoding()) << name;
    std::size_t added = after[0].cells.size() - 1;
    EXPECT_EQ(after[0].cells[added], "説明HTML") << name;
    for (std::size_t i = 0; i < before.size(); ++i) {
      // The record's own bytes come first, unchanged, and its line end is kept.
      EXPECT_EQ(out.substr(after[i].begin, before[i].end - before[i].begin),
                bytes.substr(before[i].begin, before[i].end - before[i].begin))
          << name << " row " << i + 1;
      EXPECT_EQ(after[i].lineEnd, before[i].lineEnd) << name;
      if (i == 0) continue;
      std::string expected = page(before[i]);
      // What code page 932 cannot hold is a character reference there, as in the page.
      if (original.encoding() == text::Encoding::Cp932) {
        expected = text::cp932ToUtf8(text::utf8ToCp932Html(expected));
      }
      EXPECT_EQ(after[i].cells[added], expected) << name << " row " << i + 1;
    }
  }
  std::string out = "untouched";
  EXPECT_TRUE(batch::appendColumn(
      "a,b\r\n1,\"open", "x", [](const CsvRecord&) { return ""; }, out));
  EXPECT_EQ(out, "untouched");
}

TEST(ColumnMap, HeadersNameTitlesAndBodiesOrTheDesignsTitles) {
  std::array<std::string, 8> titles = {"商品名",   "商品説明", "商品状態", "",
                                       "発送方法", "支払方法", "注意事項", ""};
  auto map =
      batch::mapColumns({"管理番号", "欄1 本文", "本文２", "見出し3", "欄４　見出し", "商品状態",
                         "注意事項", "発送方法", "本文5", "見出し6", "本文1", "欄9 本文", ""},
                        titles);
  using batch::Target;
  std::vector<std::optional<Target>> expected = {
      std::nullopt,    Target{1, false}, Target{2, false}, Target{3, true},
      Target{4, true}, Target{3, false}, Target{7, false},
      std::nullopt,  // section 5's body is the shipping table
      std::nullopt,    Target{6, true},
      std::nullopt,  // 欄1 本文 has a column already
      std::nullopt,    std::nullopt};
  ASSERT_EQ(map.size(), expected.size());
  for (std::size_t i = 0; i < map.size(); ++i) {
    EXPECT_EQ(map[i].has_value(), expected[i].has_value()) << i;
    if (map[i] && expected[i]) {
      EXPECT_TRUE(*map[i] == *expected[i]) << i;
    }
  }
  EXPECT_EQ(batch::targetName({2, true}), "欄2 見出し");

  // The dialogs' and the command line's rules: a column taking a target takes it from the
  // others, and the files are named from 管理番号 unless the seller chooses.
  map[5] = Target{1, false};
  batch::keepTargetIn(map, 5);
  EXPECT_FALSE(map[1].has_value());
  EXPECT_TRUE(map[5] && *map[5] == (Target{1, false}));
  EXPECT_EQ(batch::defaultNameColumn({"商品名", "管理番号"}), std::optional<std::size_t>(1));
  EXPECT_FALSE(batch::defaultNameColumn({"商品名", "管理 番号"}).has_value());

  // A column headed with the section's name wins over one equal to its title, wherever it
  // stands; every column that loses a target, each header met twice and an added header the
  // sheet has are told.
  std::vector<std::string> notes;
  std::vector<std::string> headers = {"商品名", "説明", "本文1", "欄1 本文", "説明"};
  map = batch::mapColumns(headers, titles, &notes);
  EXPECT_FALSE(map[0]);
  EXPECT_TRUE(map[2] && *map[2] == (Target{1, false}));
  ASSERT_EQ(notes.size(), 2u);
  EXPECT_EQ(notes[0],
            "D列「欄1 本文」も欄1 本文を指していますが、欄1 本文にはC列「本文1」を入れます。");
  EXPECT_EQ(notes[1],
            "A列「商品名」は欄1の見出しと同じ名前ですが、欄1 本文にはC列「本文1」を入れます。");
  notes = batch::headerNotes(headers, "説明");
  ASSERT_EQ(notes.size(), 2u);
  EXPECT_NE(notes[0].find("B列とE列"), std::string::npos) << notes[0];
  EXPECT_NE(notes[1].find("追加する列の見出し「説明」"), std::string::npos);
}

}  // namespace
}  // namespace bq::test

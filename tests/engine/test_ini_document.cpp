#include <gtest/gtest.h>

#include "settings/conversions.h"
#include "settings/ini_document.h"

namespace bq {
namespace {

TEST(IniDocument, ANewFileHasNoBlankLinesAndCrLfAfterEveryLine) {
  IniDocument doc;
  doc.write("Data", "Width", "750");
  doc.write("Check", "1", "1");
  doc.write("Data", "Height", "");
  doc.write("Text", "Title1", "商品名");
  EXPECT_EQ(doc.serialize(),
            "[Data]\r\nWidth=750\r\nHeight=\r\n[Check]\r\n1=1\r\n[Text]\r\nTitle1="
            "\x8F\xA4\x95\x69\x96\xBC\r\n");
}

TEST(IniDocument, ReadsTheFirstSectionAndKeyWholeWithoutTrimmingTheValue) {
  auto doc = IniDocument::parse(
      "; comment=1\r\n[data]\nwidth= 750 \r[Data]\r\nWidth=9\r\n[Data]\r\nWidth=8\r\n"
      "[TextBank]\r\n Punk =， \r\n no key here\r\nPunk=second\r\nQ=\"quoted\"\r\n");
  EXPECT_EQ(doc.read("Data", "Width"), " 750 ");
  EXPECT_EQ(doc.read("TextBank", "punk"), "， ");
  EXPECT_EQ(doc.read("TextBank", "Q"), "\"quoted\"");
  EXPECT_FALSE(doc.read("TextBank", "no key here").has_value());
  EXPECT_FALSE(doc.read("Nope", "Width").has_value());
  EXPECT_EQ(doc.encoding(), text::Encoding::Utf8);
}

TEST(IniDocument, UpdatesInPlaceAndKeepsEveryOtherLineByteForByte) {
  const std::string foreign =
      "; settings of another program\r\n"
      "\r\n"
      "[Other]\r\n"
      "Path=C:\\\x83\x65\x83\x58\x83\x67\r\n"  // テスト in code page 932
      "Broken=\x85\x40\xFF\r\n"                // bytes that are not valid code page 932
      "\r\n"
      "[data]\n"
      "WIDTH = 100\n"
      "Keep=me\n"
      "\n"
      "[Tail]\r\n"
      "x=1";  // no line break at the end
  auto doc = IniDocument::parse(foreign);
  ASSERT_EQ(doc.encoding(), text::Encoding::Cp932);
  doc.write("Data", "Width", "750");
  doc.write("Data", "Height", "200");
  doc.write("New", "k", "v");
  EXPECT_EQ(doc.serialize(),
            "; settings of another program\r\n\r\n[Other]\r\nPath=C:\\\x83\x65\x83\x58\x83\x67\r\n"
            "Broken=\x85\x40\xFF\r\n\r\n[data]\nWIDTH=750\nKeep=me\nHeight=200\r\n\n"
            "[Tail]\r\nx=1\r\n[New]\r\nk=v\r\n");
}

TEST(IniDocument, ContinuationLinesOfAWindowsTextGoWithTheirKey) {
  auto doc = IniDocument::parse(
      "[Text]\r\nEdit1=first\r\nsecond\r\n\r\nthird\r\n\r\n\r\nEdit2=other\r\nEdit3=x\r\n"
      "more\r\n; a comment\r\n[Next]\r\n");
  EXPECT_EQ(doc.continuation("Text", "Edit1"), (std::vector<std::string>{"second", "", "third"}));
  EXPECT_TRUE(doc.continuation("Text", "Edit2").empty());
  EXPECT_EQ(doc.continuation("Text", "Edit3"), (std::vector<std::string>{"more"}));
  doc.write("Text", "Edit1", "new", true);
  doc.write("Text", "Edit3", "y", true);
  EXPECT_EQ(doc.serialize(),
            "[Text]\r\nEdit1=new\r\n\r\n\r\nEdit2=other\r\nEdit3=y\r\n; a comment\r\n[Next]\r\n");
}

TEST(IniDocument, HeadersNeedAClosingBracketAndRunToTheLastOne) {
  auto doc =
      IniDocument::parse("[a]b] \r\nk=1\r\n[\r\n[c\r\nk=2\r\n[Text]\r\nEdit1=x\r\n[y\r\n\r\n");
  EXPECT_EQ(doc.read("a]b", "k"), "1");
  EXPECT_FALSE(doc.read("c", "k"));
  EXPECT_EQ(doc.read("a]b", "K"), "1");  // "[c" is no header, so k=2 is a later duplicate
  EXPECT_EQ(doc.continuation("Text", "Edit1"), (std::vector<std::string>{"[y"}));
  // In code page 932 "]" may be the second byte of a character (\x83\x5D is ゾ).
  auto sjis = IniDocument::parse("[\x83\x5D\r\nk=1\r\n[Text]\r\nEdit1=\x83\x5D\r\n[\x83\x5D\r\n");
  EXPECT_EQ(sjis.encoding(), text::Encoding::Cp932);
  EXPECT_EQ(sjis.continuation("Text", "Edit1"), (std::vector<std::string>{"[ゾ"}));
}

TEST(IniDocument, OnlyLinesThatCannotBeKeysContinueAText) {
  EXPECT_TRUE(isPlainName("Font"));
  EXPECT_TRUE(isPlainName("メモ"));
  EXPECT_TRUE(isPlainName("ver.2_x-y"));
  EXPECT_TRUE(isPlainName("ＡＢＣ１２"));
  EXPECT_FALSE(isPlainName("<font color"));
  EXPECT_FALSE(isPlainName("<a href"));
  EXPECT_FALSE(isPlainName("送料（税込）"));
  EXPECT_FALSE(isPlainName("a b"));
  EXPECT_FALSE(isPlainName(""));
  EXPECT_FALSE(isPlainName("・注意"));
  auto doc = IniDocument::parse(
      "[Text]\r\nEdit1=<p>\r\n<font color=\"red\">x</font>\r\n送料（税込）=500円\r\n"
      "=equals\r\nnote=mine\r\nmore\r\n");
  EXPECT_EQ(
      doc.continuation("Text", "Edit1"),
      (std::vector<std::string>{"<font color=\"red\">x</font>", "送料（税込）=500円", "=equals"}));
  EXPECT_EQ(doc.read("Text", "note"), "mine");
  // Erasing a text's continuation leaves the key after it.
  doc.write("Text", "Edit1", "new", true);
  EXPECT_EQ(doc.serialize(), "[Text]\r\nEdit1=new\r\nnote=mine\r\nmore\r\n");
}

TEST(IniDocument, ManyEditsInOnePassKeepTheirOrderAndTheLastEditWins) {
  auto doc = IniDocument::parse("[A]\r\nx=1\r\n\r\n[B]\r\ny=2");
  doc.apply({{"A", "new1", std::string("a"), false},
             {"C", "c1", std::string("1"), false},
             {"B", "y", std::nullopt, false},
             {"A", "x", std::string("9"), false},
             {"b", "z", std::string("3"), false},
             {"C", "c2", std::string("2"), false},
             {"A", "new1", std::string("b"), false}});
  EXPECT_EQ(doc.serialize(), "[A]\r\nx=9\r\nnew1=b\r\n\r\n[B]\r\nz=3\r\n[C]\r\nc1=1\r\nc2=2\r\n");
}

TEST(IniDocument, BadBytesAfterAUtf8MarkReadAsReplacementsAndAreKept) {
  std::string bytes = "\xEF\xBB\xBF[Text]\r\nTitle1=a\xFF b\r\n";
  auto doc = IniDocument::parse(bytes);
  EXPECT_EQ(doc.encoding(), text::Encoding::Utf8Bom);
  EXPECT_EQ(doc.read("Text", "Title1"), "a\xEF\xBF\xBD b");
  EXPECT_EQ(doc.serialize(), bytes);
}

TEST(IniDocument, AHugeTextAndAHugeBlankFileReadInOnePass) {
  std::string lines = "[Text]\r\nEdit1=first\r\n";
  for (int i = 0; i < 128000; ++i) lines += "line\r\n";
  lines += "Edit2=x\r\n";
  auto doc = IniDocument::parse(lines);
  EXPECT_EQ(doc.continuation("Text", "Edit1").size(), 128000u);
  doc.write("Text", "Edit1", "one", true);
  EXPECT_EQ(doc.serialize(), "[Text]\r\nEdit1=one\r\nEdit2=x\r\n");
  auto blank = IniDocument::parse(std::string(4 * 1024 * 1024, '\n'));
  EXPECT_FALSE(blank.read("Data", "Width"));
}

TEST(IniDocument, Utf16FilesReadAndWriteInTheirOwnForm) {
  IniDocument doc;
  doc.write("Text", "Title1", "abc");
  doc.convertToUtf16();
  doc.write("Text", "Title2", "😀");
  std::string bytes = doc.serialize();
  ASSERT_EQ(bytes.substr(0, 2), "\xFF\xFE");
  auto back = IniDocument::parse(bytes);
  EXPECT_EQ(back.read("Text", "Title2"), "😀");
  EXPECT_EQ(back.encoding(), text::Encoding::Utf16LE);
  EXPECT_TRUE(back.canHold("😀"));
}

TEST(IniDocument, RemovesOnlyTheNamedKey) {
  auto doc = IniDocument::parse("[A]\r\nx=1\r\ny=2\r\n");
  EXPECT_TRUE(doc.remove("a", "X"));
  EXPECT_FALSE(doc.remove("A", "x"));
  EXPECT_EQ(doc.serialize(), "[A]\r\ny=2\r\n");
}

TEST(Conversions, NumbersFlagsAndEscapes) {
  EXPECT_EQ(toInt32(" -2147483648 "), INT32_MIN);
  EXPECT_FALSE(toInt32("2147483648"));
  EXPECT_FALSE(toInt32(""));
  EXPECT_FALSE(toInt32("1.5"));
  EXPECT_EQ(toInt16("32767"), 32767);
  EXPECT_FALSE(toInt16("32768"));
  EXPECT_EQ(toFlag("tRuE"), true);
  EXPECT_EQ(toFlag(" 0 "), false);
  EXPECT_EQ(toFlag("-1"), true);
  EXPECT_FALSE(toFlag("yes"));
  EXPECT_FALSE(toFlag(""));
  std::string text = "a\\n\r\nb\\";
  EXPECT_EQ(escapeLines(text), "a\\\\n\\r\\nb\\\\");
  EXPECT_EQ(unescapeLines(escapeLines(text)), text);
}

}  // namespace
}  // namespace bq

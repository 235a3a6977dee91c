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
  std::set<std::string> own{"Edit1", "Edit2", "Edit3"};
  EXPECT_EQ(doc.continuation("Text", "Edit1", own),
            (std::vector<std::string>{"second", "", "third"}));
  EXPECT_TRUE(doc.continuation("Text", "Edit2", own).empty());
  EXPECT_EQ(doc.continuation("Text", "Edit3", own), (std::vector<std::string>{"more"}));
  doc.write("Text", "Edit1", "new", &own);
  doc.write("Text", "Edit3", "y", &own);
  EXPECT_EQ(doc.serialize(),
            "[Text]\r\nEdit1=new\r\n\r\n\r\nEdit2=other\r\nEdit3=y\r\n; a comment\r\n[Next]\r\n");
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

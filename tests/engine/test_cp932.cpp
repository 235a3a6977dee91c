#include <gtest/gtest.h>

#include "text/cp932.h"

namespace bq::text {
namespace {

std::string hex(const std::string& bytes) {
  static const char* d = "0123456789ABCDEF";
  std::string out;
  for (unsigned char b : bytes) {
    out += d[b >> 4];
    out += d[b & 15];
  }
  return out;
}

struct Mapping {
  const char* name;
  const char* utf8;
  const char* cp932Hex;
};

class Cp932Encode : public ::testing::TestWithParam<Mapping> {};

// Where several codes decode to one character, Windows picks one; files must match.
TEST_P(Cp932Encode, EncodesAsWindowsDoesAndDecodesBack) {
  const Mapping& m = GetParam();
  auto bytes = utf8ToCp932(m.utf8);
  ASSERT_TRUE(bytes.has_value());
  EXPECT_EQ(hex(*bytes), m.cp932Hex);
  EXPECT_EQ(cp932ToUtf8(*bytes), m.utf8);
}

INSTANTIATE_TEST_SUITE_P(
    Windows31J, Cp932Encode,
    ::testing::Values(Mapping{"ascii", "A~\\", "417E5C"}, Mapping{"kana", "ｱﾟ", "B1DF"},
                      Mapping{"hiragana", "あ", "82A0"}, Mapping{"fullwidth_tilde", "～", "8160"},
                      Mapping{"ibm_taka", "髙", "FBFC"}, Mapping{"nec_approx", "≒", "81E0"},
                      Mapping{"nec_roman", "Ⅰ", "8754"}, Mapping{"ibm_small_roman", "ⅰ", "FA40"},
                      Mapping{"because", "∵", "81E6"}, Mapping{"fullwidth_not", "￢", "81CA"},
                      Mapping{"user_defined", "\xEE\x80\x80", "F040"}),
    [](const auto& p) { return std::string(p.param.name); });

TEST(Cp932, LookAlikesAreNotExact) {
  for (const char* s : {"〜", "−", "‖", "¢", "£", "¬", "¥", "😀", "𠀋", "é"}) {
    EXPECT_FALSE(isCp932Exact(s)) << s;
    EXPECT_FALSE(utf8ToCp932(s).has_value()) << s;
  }
  EXPECT_TRUE(isCp932Exact("商品名 ｱｲｳ ～ ＼ ①"));
}

TEST(Cp932, HtmlOutputCarriesTheRestAsCharacterReferences) {
  EXPECT_EQ(utf8ToCp932Html("a〜b😀"), std::string("a") + "&#12316;" + "b" + "&#128512;");
  auto bytes = utf8ToCp932Html("価格¥100");
  EXPECT_EQ(cp932ToUtf8(bytes), "価格&#165;100");
}

TEST(Cp932, InvalidBytesDecodeToReplacement) {
  EXPECT_EQ(cp932ToUtf8("\x81"), "\xEF\xBF\xBD");       // lead byte at the end
  EXPECT_EQ(cp932ToUtf8("\x85\x40"), "\xEF\xBF\xBD@");  // unmapped row
  EXPECT_EQ(cp932ToUtf8("a\x82\xA0z"), "aあz");
}

TEST(Cp932, DetectsByteOrderMarksUtf8AndFallsBackToCp932) {
  EXPECT_EQ(detectEncoding("\xFF\xFEx\0"), Encoding::Utf16LE);
  EXPECT_EQ(detectEncoding("\xFE\xFF\0x"), Encoding::Utf16BE);
  EXPECT_EQ(detectEncoding("\xEF\xBB\xBFx"), Encoding::Utf8Bom);
  EXPECT_EQ(detectEncoding("商品"), Encoding::Utf8);
  EXPECT_EQ(detectEncoding("plain"), Encoding::Cp932);
  EXPECT_EQ(detectEncoding("\x8F\xA4\x95\x69"), Encoding::Cp932);  // 商品 in code page 932
  EXPECT_EQ(decodeText("\x8F\xA4\x95\x69"), "商品");
  std::string utf16 = "\xFF\xFE" + utf8ToUtf16LE("商😀");
  EXPECT_EQ(decodeText(utf16), "商😀");
  // A UTF-8 mark over bytes that are not UTF-8: what cannot be read becomes U+FFFD.
  EXPECT_EQ(decodeText("\xEF\xBB\xBF<b>\xFF\xC3</b>"), "<b>\xEF\xBF\xBD\xEF\xBF\xBD</b>");
}

TEST(Cp932, TheWholeFileDecidesAndTheFirstByteThatDoesNotReadIsPlaced) {
  auto at = [](std::string_view bytes) {
    Decided d = decideEncoding(bytes);
    return std::make_tuple(d.encoding, d.mark, d.clean() ? 0 : lineAt(bytes, d, d.bad));
  };
  // UTF-8 with one cell pasted from a Shift_JIS source: UTF-8, its line named.
  EXPECT_EQ(at("a,商品\nb,良品\nc,\x8F\xA4\n"), std::make_tuple(Encoding::Utf8, 0u, 3u));
  // A UTF-8 mark over code page 932 text: the text wins, the mark is kept aside.
  EXPECT_EQ(at("\xEF\xBB\xBF[Text]\r\nTitle1=\x8F\xA4\x95\x69\r\n"),
            std::make_tuple(Encoding::Cp932, 3u, 0u));
  // …and with one bad byte: still code page 932, the bad byte's line named.
  EXPECT_EQ(at("\xEF\xBB\xBF[Text]\r\nTitle1=\x8F\xA4\x95\x69\r\nTitle2=\xFD\r\n"),
            std::make_tuple(Encoding::Cp932, 3u, 3u));
  // Code page 932 with a byte no program writes as text; a lone lead byte at the very end.
  EXPECT_EQ(at("\x8F\xA4\r\n\x95\x69\xFD"), std::make_tuple(Encoding::Cp932, 0u, 2u));
  EXPECT_EQ(at("\x8F\xA4\n\n\x95"), std::make_tuple(Encoding::Cp932, 0u, 3u));
  // UTF-16: a surrogate without its pair, counted in the file's own line feeds.
  std::string utf16 = "\xFF\xFE" + utf8ToUtf16LE("a\nb\n") + std::string("\x00\xD8", 2);
  EXPECT_EQ(at(utf16), std::make_tuple(Encoding::Utf16LE, 2u, 3u));
}

TEST(Cp932, CountsCharactersNotBytes) {
  EXPECT_EQ(utf8Length("a商😀"), 3u);
  EXPECT_EQ(utf8Offset("a商😀b", 2), 4u);
  EXPECT_EQ(utf8Offset("ab", 9), 2u);
}

}  // namespace
}  // namespace bq::text

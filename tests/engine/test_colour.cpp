#include "engine/engine_fixture.h"
#include "style/mdl_color.h"

namespace bq::test {
namespace {

struct ColourCase {
  const char* name;
  std::int64_t number;
  const char* hex;
  const char* code;
};

class ColourConversion : public ::testing::TestWithParam<ColourCase> {};

TEST_P(ColourConversion, NumberToHexAndToHtmlCode) {
  EXPECT_EQ(ColorToHex(GetParam().number), GetParam().hex);
  EXPECT_EQ(HtmlColorCode(GetParam().number), GetParam().code);
}

INSTANTIATE_TEST_SUITE_P(Table, ColourConversion,
                         ::testing::Values(ColourCase{"red", 255, "FF", "FF0000"},
                                           ColourCase{"green", 0x008000, "8000", "008000"},
                                           ColourCase{"blue", 0xFF0000, "FF0000", "0000FF"},
                                           ColourCase{"black", 0, "0", "000000"},
                                           ColourCase{"white", 0xFFFFFF, "FFFFFF", "FFFFFF"},
                                           ColourCase{"odd_blue", 0x0A0000, "A0000", "00000A"},
                                           ColourCase{"odd_green", 0x000A00, "A00", "000A00"},
                                           ColourCase{"odd_red", 0x00000A, "A", "0A0000"},
                                           ColourCase{"low_green", 0x000100, "100", "000100"},
                                           ColourCase{"seven_digits", 0x1234567, "1234567",
                                                      "673412"},
                                           ColourCase{"system_colour", -2147483643, "", ""}),
                         [](const auto& p) { return std::string(p.param.name); });

TEST(RewriteMarker, ReplacesExactNonOverlappingOccurrences) {
  EXPECT_EQ(RewriteMarker("a=1 a=1 A=1 a=11", "a=", "1", "2"), "a=2 a=2 A=1 a=21");
  EXPECT_EQ(RewriteMarker("bgcolor=#ffffff", "bgcolor=#", "FFFFFF", "000000"), "bgcolor=#ffffff");
  EXPECT_EQ(RewriteMarker("x=x=x=", "x=", "x=", "y"), "x=yx=");
  EXPECT_EQ(RewriteMarker("size= size=2", "size=", "", "5"), "size=5 size=52");
  EXPECT_EQ(RewriteMarker("", "size=", "", "5"), "");
}

using Colours = Engine;

TEST_F(Colours, OneTitleBackgroundRewritesOnlyItsOwnFragment) {
  start();
  platform.queueColour(255);
  click("cmdT3BC");
  EXPECT_NE(text("txtTag1_3").find("bgcolor=#FF0000"), std::string::npos);
  EXPECT_EQ(value("TitleBackColor(3)"), "FF0000");
  EXPECT_EQ(c<PushButton>("cmdT3BC").foreColor(), 255);
  EXPECT_EQ(text("txtHTMLColor"), "FF0000");
  EXPECT_NE(page().find("bgcolor=#FF0000"), std::string::npos);
  for (int i : {1, 2, 4, 5, 6, 7, 8})
    EXPECT_EQ(text("txtTag1_" + std::to_string(i)), tag("tag1.tpf"));
  // The same colour again changes nothing more.
  std::string once = text("txtTag1_3");
  platform.queueColour(255);
  click("cmdT3BC");
  EXPECT_EQ(text("txtTag1_3"), once);
}

TEST_F(Colours, TheDialogStartsAtTheButtonsColourAndOffersTheLastChoice) {
  start();
  platform.queueColour(0x123456);
  click("cmdE2FC");
  EXPECT_EQ(platform.colourRequests.back(), std::make_pair(0, 0));
  platform.queueColour(0x00FF00);
  click("cmdT1BC");
  // White, the title background now; the remembered choice is the one before.
  EXPECT_EQ(platform.colourRequests.back(), std::make_pair(0xFFFFFF, 0x123456));
  platform.queueColour(0x0000FF);
  click("cmdTBC");  // the bulk button starts at section 1's colour
  EXPECT_EQ(platform.colourRequests.back(), std::make_pair(0x00FF00, 0x00FF00));
}

TEST_F(Colours, CancelChangesNothing) {
  start();
  platform.queueCancel();
  click("cmdE2FC");
  EXPECT_EQ(text("txtTag2_2"), tag("tag2.tpf"));
  EXPECT_EQ(value("EditFontColor(2)"), "000000");
  EXPECT_EQ(c<PushButton>("cmdE2FC").foreColor(), 0);
  EXPECT_EQ(text("txtHTMLColor"), "");
}

TEST_F(Colours, AFragmentThatLostItsMarkerStaysButTheButtonAndValueMoveOn) {
  writeTemplate("tag1.tpf", "<tr><td bgcolor=#ffffff><font color=#000000 size=2><!strong>");
  start();
  platform.queueColour(0x00FF00);
  click("cmdT1BC");
  EXPECT_EQ(text("txtTag1_1"), tag("tag1.tpf"));
  EXPECT_EQ(value("TitleBackColor(1)"), "00FF00");
  EXPECT_EQ(c<PushButton>("cmdT1BC").foreColor(), 0x00FF00);
}

TEST_F(Colours, ANegativeNumberLeavesTheBareMarkerThatTheNextColourFills) {
  start();
  auto& slot = *form->colours.slot("cmdE1BC");
  form->colours.ApplySlotColor(slot, -2147483633);
  EXPECT_NE(text("txtTag2_1").find("bgcolor=#>"), std::string::npos);
  EXPECT_EQ(value("EditBackColor(1)"), "");
  platform.queueColour(0x123456);
  click("cmdE1BC");
  EXPECT_NE(text("txtTag2_1").find("bgcolor=#563412>"), std::string::npos);
}

TEST_F(Colours, BulkButtonsGiveAllEightSectionsOneColourHiddenOnesToo) {
  start();
  platform.queueColour(255);
  click("cmdT2BC");
  platform.queueColour(0xFF0000);
  click("cmdTBC");
  for (int i = 1; i <= 8; ++i) {
    std::string s = std::to_string(i);
    EXPECT_NE(text("txtTag1_" + s).find("bgcolor=#0000FF"), std::string::npos) << i;
    EXPECT_EQ(value("TitleBackColor(" + s + ")"), "0000FF");
    EXPECT_EQ(c<PushButton>("cmdT" + s + "BC").foreColor(), 0xFF0000);
  }
  EXPECT_EQ(count(page(), "bgcolor=#0000FF"), 6u);  // sections 4 and 8 stay out of the page
}

TEST_F(Colours, BulkBodyBackgroundReachesTheShippingRows) {
  start();
  click("chkSend1");
  platform.queueColour(0x00FFFF);  // yellow
  click("cmdEBC");
  EXPECT_NE(text("txtTag2_5").find("bgcolor=#FFFF00"), std::string::npos);
  for (int i = 1; i <= 12; ++i) {
    std::string s = std::to_string(i);
    EXPECT_NE(value("ShipRowLead(" + s + ")").find("bgcolor=#FFFF00"), std::string::npos);
    EXPECT_NE(value("ShipRowMid(" + s + ")").find("bgcolor=#FFFF00"), std::string::npos);
  }
  EXPECT_EQ(value("EditBackColor(6)"), "FFFF00");
  EXPECT_NE(value("EditText(5)").find("bgcolor=#FFFF00"), std::string::npos);
}

TEST_F(Colours, BulkBodyFontColourAlsoRecoloursBothShippingColumns) {
  start();
  platform.queueColour(0x0000FF);
  click("cmdEFC");
  EXPECT_EQ(value("ShippingNameFontColor"), "FF0000");
  EXPECT_EQ(value("ShippingPriceFontColor"), "FF0000");
  EXPECT_NE(value("ShipRowLead(4)").find("font color=#FF0000"), std::string::npos);
  EXPECT_NE(value("ShipRowMid(4)").find("font color=#FF0000"), std::string::npos);
  EXPECT_NE(text("txtTag2_5").find("font color=#FF0000"), std::string::npos);
  EXPECT_EQ(c<PushButton>("cmdE5FC_2").foreColor(), 0x0000FF);
  for (int i : {1, 2, 3, 4, 6, 7, 8})
    EXPECT_EQ(value("EditFontColor(" + std::to_string(i) + ")"), "FF0000");
}

TEST_F(Colours, TableLineColourRewritesTheHeadAndFillsTheSwatch) {
  start();
  platform.queueColour(0x808080);
  click("cmdColor");
  EXPECT_NE(text("rtxtTagHead").find("bgcolor=#808080"), std::string::npos);
  EXPECT_EQ(c<PushButton>("cmdColor").fillColor(), 0x808080);
  EXPECT_EQ(value("TableLineColor"), "808080");
}

}  // namespace
}  // namespace bq::test

namespace bq::test {
namespace {

// One member of each per-section family, for every section: the index picks the button, the
// fragment and the remembered value, and nothing of the other sections moves.
class ColourFamily : public Engine, public ::testing::WithParamInterface<int> {};

TEST_P(ColourFamily, EachMemberRewritesItsOwnSection) {
  int i = GetParam();
  std::string s = std::to_string(i);
  start();
  auto others = [&](const std::string& stem, const std::string& file) {
    for (int j = 1; j <= 8; ++j) {
      if (j == i) continue;
      EXPECT_EQ(text(stem + std::to_string(j)), tag(file)) << stem << j;
    }
  };
  platform.queueColour(0x112233);
  click("cmdT" + s + "FC");
  EXPECT_NE(text("txtTag1_" + s).find("font color=#332211"), std::string::npos);
  EXPECT_EQ(value("TitleFontColor(" + s + ")"), "332211");
  others("txtTag1_", "tag1.tpf");
  platform.queueColour(0x445566);
  click("cmdE" + s + "BC");
  EXPECT_NE(text("txtTag2_" + s).find("bgcolor=#665544"), std::string::npos);
  EXPECT_EQ(value("EditBackColor(" + s + ")"), "665544");
  others("txtTag2_", "tag2.tpf");
  c<ComboBox>("cmbT" + s + "FS").setListIndex(6);
  EXPECT_NE(text("txtTag1_" + s).find("size=7"), std::string::npos);
  click("chkT" + s + "B");
  EXPECT_NE(text("txtTag1_" + s).find("<strong>"), std::string::npos);
  others("txtTag1_", "tag1.tpf");
}

INSTANTIATE_TEST_SUITE_P(Sections, ColourFamily, ::testing::Range(1, 9));

}  // namespace
}  // namespace bq::test

#include "engine/engine_fixture.h"
#include "style/dimension_box.h"

namespace bq::test {
namespace {

using Bold = Engine;

TEST_F(Bold, TitleAndBodyOfOneSectionDoNotDisturbEachOther) {
  start();
  click("chkT2B");
  EXPECT_NE(text("txtTag1_2").find("<strong>"), std::string::npos);
  EXPECT_EQ(text("txtTag2_2").find("</strong>"), 0u);
  EXPECT_NE(text("txtTag2_2").find("<!strong>"), std::string::npos);  // body still inert
  click("chkE2B");
  EXPECT_NE(text("txtTag3_2").find("</strong>"), std::string::npos);
  click("chkT2B");
  EXPECT_EQ(text("txtTag1_2"), tag("tag1.tpf"));
  EXPECT_EQ(text("txtTag2_2").find("<!/strong>"), 0u);
  EXPECT_NE(text("txtTag2_2").find("<strong>"), std::string::npos);  // body still bold
  EXPECT_NE(page().find("<strong>"), std::string::npos);
}

TEST_F(Bold, SectionFiveTitleAlsoSwitchesTheShippingHead) {
  start();
  click("chkT5B");
  EXPECT_NE(text("rtxtSendHead").find("</strong>"), std::string::npos);
  EXPECT_NE(text("txtTag1_5").find("<strong>"), std::string::npos);
}

TEST_F(Bold, SizeListsRewriteTheRememberedSize) {
  start();
  c<ComboBox>("cmbT4FS").setListIndex(4);
  c<ComboBox>("cmbT4FS").setListIndex(2);
  EXPECT_NE(text("txtTag1_4").find("size=3"), std::string::npos);
  EXPECT_EQ(value("TitleFontSize(4)"), "3");
  c<ComboBox>("cmbE5FS").setListIndex(5);
  EXPECT_NE(value("ShipRowLead(7)").find("size=6"), std::string::npos);
  EXPECT_NE(value("ShipRowMid(7)").find("size=6"), std::string::npos);
  EXPECT_NE(text("txtTag2_5").find("size=6"), std::string::npos);
  // A cleared list never writes its idle text into a fragment.
  c<ComboBox>("cmbT1FS").setListIndex(-1);
  EXPECT_EQ(text("txtTag1_1").find("フォントサイズ"), std::string::npos);
}

using Layout = Engine;

TEST_F(Layout, WidthAcceptsUpToTenThousandAndRefusesMore) {
  start();
  type("txtWidth", "9999");
  EXPECT_NE(text("rtxtTagHead").find("width=9999 "), std::string::npos);
  EXPECT_EQ(c<UpDown>("updnWidth").value(), 9999);
  type("txtWidth", "10001");
  ASSERT_EQ(platform.messages.size(), 1u);
  EXPECT_EQ(platform.messages[0].text, "10000以下の数値を入力してください");
  EXPECT_EQ(platform.messages[0].title, "情報");
  EXPECT_EQ(text("txtWidth"), "9999");
  EXPECT_NE(text("rtxtTagHead").find("width=9999 "), std::string::npos);
  type("txtWidth", "10000");
  EXPECT_NE(text("rtxtTagHead").find("width=10000 "), std::string::npos);
  EXPECT_EQ(platform.messages.size(), 1u);
}

TEST_F(Layout, TextThatIsNotAWholeNumberLeavesTheWidthInForce) {
  start();
  for (const char* bad : {"", "abc", "-5", "7 5", "１２px"}) {
    type("txtHeight", bad);
    EXPECT_EQ(value("TableHeight"), "200") << bad;
    EXPECT_NE(text("rtxtTagHead").find("height=200 "), std::string::npos) << bad;
  }
  form->dimension("txtHeight")->focusLost();
  EXPECT_EQ(text("txtHeight"), "200");
  type("txtHeight", "250.5");  // rounds to the even neighbour
  EXPECT_EQ(value("TableHeight"), "250");
  EXPECT_NE(text("rtxtTagHead").find("height=250 "), std::string::npos);
}

TEST_F(Layout, SpinnersStepByTenAndTitleWidthTouchesOnlyTitles) {
  start();
  c<UpDown>("updnWidth").stepBy(1);
  EXPECT_EQ(text("txtWidth"), "760");
  EXPECT_NE(text("rtxtTagHead").find("width=760 "), std::string::npos);
  type("txtTW", "120");
  for (int i = 1; i <= 8; ++i) {
    EXPECT_NE(text("txtTag1_" + std::to_string(i)).find("width=120 "), std::string::npos);
  }
  EXPECT_NE(text("rtxtTagHead").find("width=760 "), std::string::npos);
  EXPECT_NE(value("ShipRowLead(1)").find("width=100 "), std::string::npos);
}

TEST_F(Layout, AlignmentRoundTrips) {
  start();
  std::string head = text("rtxtTagHead"), pr = text("rtxtTagPR");
  click("optTableAlign(0)");
  EXPECT_NE(text("rtxtTagHead").find("<left>"), std::string::npos);
  EXPECT_NE(text("rtxtTagHead").find("!align=left"), std::string::npos);
  EXPECT_NE(text("rtxtTagPR").find("</left>"), std::string::npos);
  click("optTableAlign(1)");
  EXPECT_EQ(text("rtxtTagHead"), head);
  EXPECT_EQ(text("rtxtTagPR"), pr);

  click("optTA(2)");
  for (int i = 1; i <= 8; ++i) {
    EXPECT_NE(text("txtTag1_" + std::to_string(i)).find("align=right "), std::string::npos);
  }
  EXPECT_EQ(text("rtxtTagHead"), head);
  click("optTA(1)");
  EXPECT_EQ(text("txtTag1_8"), tag("tag1.tpf"));
}

TEST_F(Layout, CellSpacingAndPaddingRewriteTheHead) {
  start();
  c<ComboBox>("cmbCellspacing").setListIndex(4);
  c<ComboBox>("cmbCellpadding").setListIndex(29);
  EXPECT_NE(text("rtxtTagHead").find("cellspacing=5 cellpadding=30 "), std::string::npos);
  c<ComboBox>("cmbCellspacing").setListIndex(-1);  // a cleared list changes nothing
  EXPECT_NE(text("rtxtTagHead").find("cellspacing=5 cellpadding=30 "), std::string::npos);
  EXPECT_EQ(value("CellSpacing"), "5");
}

TEST(DimensionParse, AcceptsOnlyPlainNonNegativeNumbers) {
  EXPECT_EQ(parseDimension(" 42 "), 42.0);
  EXPECT_EQ(parseDimension("2.5"), 2.5);
  EXPECT_FALSE(parseDimension("+1"));
  EXPECT_FALSE(parseDimension("1e3"));
  EXPECT_FALSE(parseDimension("."));
  EXPECT_EQ(roundHalfEven(2.5), 2);
  EXPECT_EQ(roundHalfEven(3.5), 4);
  // As a Japanese input method types them.
  EXPECT_EQ(parseDimension("７５０"), 750.0);
  EXPECT_EQ(parseDimension("　１２．５ "), 12.5);
  EXPECT_FALSE(parseDimension("７５０ｐｘ"));
}

TEST_F(Layout, ARefusedWidthIsShownAsRefusedAndThePageKeepsTheLastValue) {
  start();
  DimensionBox& width = *f().dimension("txtWidth");
  type("txtWidth", "７００");
  EXPECT_FALSE(width.refused());
  EXPECT_NE(text("rtxtTagHead").find("width=700"), std::string::npos);
  for (const char* bad : {"7OO", "-5", "123456789012345678901234567890123"}) {
    type("txtWidth", bad);
    EXPECT_TRUE(width.refused()) << bad;
    EXPECT_NE(text("rtxtTagHead").find("width=700"), std::string::npos);
    EXPECT_NE(width.allowedRange().find("0 から 10000"), std::string::npos);
    EXPECT_NE(width.allowedRange().find("700 が使われています"), std::string::npos);
  }
  type("txtWidth", "");
  EXPECT_FALSE(width.refused());  // on the way to a new number
  type("txtWidth", "x");
  width.focusLost();
  EXPECT_FALSE(width.refused());
  EXPECT_EQ(text("txtWidth"), "700");
}

TEST_F(Layout, FittingToTheScreenFollowsTheWidthAndComesBackByteForByte) {
  start();
  click("chkSend1");
  type("txtEdit2", "<IMG style=\"border:0\" src=a.png width=600><img height=40 src=b.png>");
  std::string fixed = text("txtTag");
  click("chkFit");
  type("txtWidth", "700");
  std::string page = text("txtTag");
  // Without its style the table is as wide as its contents; the title stacks on a phone.
  EXPECT_NE(page.find("<table style=\"width:100%;max-width:700px;overflow-wrap:anywhere\" "
                      "data-width=700 height=200"),
            std::string::npos);
  EXPECT_NE(page.find("border=0><tbody style=\"display:flex;flex-direction:column;gap:1px;"
                      "min-height:200px\">"),
            std::string::npos);
  EXPECT_NE(
      page.find("<tr style=\"display:flex;flex-wrap:wrap;gap:inherit;flex:1 0 auto\">\n"
                "<td style=\"box-sizing:border-box;min-width:min(100%,calc((480px - 100%)*999))"),
      std::string::npos);
  EXPECT_NE(page.find("<IMG style=\"max-width:100%;height:auto;border:0\" src=a.png"),
            std::string::npos);
  // A height of its own is the most it takes: its shape is kept.
  EXPECT_NE(page.find("<img style=\"max-width:100%;height:auto;max-height:40px\" height=40"),
            std::string::npos);
  // The seller's text stays as typed; the colour and size markers still rewrite the fitted cells.
  EXPECT_EQ(text("txtEdit2").rfind("<IMG style=\"border:0\"", 0), 0u);
  click("chkT1B");
  click("chkT1B");
  // Values the fitted forms carry as well change in both.
  c<ComboBox>("cmbCellspacing").setListIndex(4);
  type("txtHeight", "300");
  type("txtTW", "120");
  type("txtSendW", "90");
  EXPECT_NE(text("txtTag").find("gap:5px;min-height:300px"), std::string::npos);
  EXPECT_EQ(count(text("txtTag"), "width:min(100%,120px)"), 6u);  // the shown titles
  EXPECT_EQ(count(text("txtTag"), "width:min(100%,90px)"), 1u);   // the ticked method
  c<ComboBox>("cmbCellspacing").setListIndex(0);
  type("txtHeight", "200");
  type("txtTW", "100");
  type("txtSendW", "100");
  type("txtWidth", "750");
  click("chkFit");
  EXPECT_EQ(text("txtTag"), fixed);
}

}  // namespace
}  // namespace bq::test

#include <set>

#include "engine/engine_fixture.h"
#include "shipping/tariff.h"

namespace bq::test {
namespace {

TEST(Tariff, EveryRowCoversAllDestinationsOnceWithTheShipFromInZoneOne) {
  for (int from = 0; from < tariff::kPrefectures; ++from) {
    std::multiset<int> seen;
    for (int zone = 1; zone <= tariff::kZones; ++zone) {
      auto list = tariff::zoneDestinations(from, zone);
      EXPECT_GE(list.size(), 2u) << from << " zone " << zone;
      for (int to : list) {
        seen.insert(to);
        // An exception list holds exactly the zone's members, only in its own order.
        EXPECT_EQ(tariff::zoneOf(from, to), zone) << from << " -> " << to;
      }
    }
    EXPECT_EQ(seen.size(), 47u) << from;
    EXPECT_EQ(std::set<int>(seen.begin(), seen.end()).size(), 47u) << from;
    EXPECT_EQ(tariff::zoneOf(from, from), 1) << from;
  }
}

TEST(Tariff, HeavierClassesNeverCostLess) {
  const int expected[] = {0, 160, 320, 400, 480, 560, 640, 720, 800, 880, 1080, 1280};
  for (int k = 0; k < tariff::kWeightClasses; ++k) {
    EXPECT_EQ(tariff::weightSurcharge(k), expected[k]);
  }
}

using Shipping = Engine;

TEST_F(Shipping, TokyoTwoKilogramTextComesOutCharacterForCharacter) {
  start();
  EXPECT_EQ(value("ZoneRateText"),
            "＜610円の地域＞<br>山形県、宮城県、福島県、茨城県、栃木県、群馬県、埼玉県、千葉県、"
            "東京都、神奈川県、山梨県、新潟県、長野県、富山県、石川県、福井県、静岡県、愛知県、"
            "岐阜県、三重県、滋賀県、京都府、大阪府、奈良県<br><br>＜710円の地域＞<br>青森県、"
            "岩手県、秋田県、兵庫県、和歌山県<br><br>＜820円の地域＞<br>鳥取県、岡山県、島根県、"
            "広島県、山口県、香川県、徳島県、愛媛県、高知県<br><br>＜1020円の地域＞<br>北海道、"
            "福岡県、佐賀県、大分県、熊本県、長崎県、宮崎県、鹿児島県、沖縄県");
}

TEST_F(Shipping, OtherPrefecturesAndClassesFollowTheTable) {
  start();
  click("optYPack(3)");                     // 8kg
  c<ComboBox>("cmbSend").setListIndex(37);  // 愛媛県: written orders of zones 1 and 3
  std::string t = value("ZoneRateText");
  EXPECT_EQ(t.find("＜1010円の地域＞<br>静岡県、愛知県"), 0u);
  EXPECT_NE(t.find("福岡県、熊本県、大分県、佐賀県、長崎県"), std::string::npos);
  EXPECT_NE(t.find("＜1220円の地域＞<br>茨城県、栃木県、群馬県、埼玉県、千葉県、東京都、神奈川県、"
                   "山梨県、長野県、新潟県<br><br>"),
            std::string::npos);
  // The last block ends with its last name, without a line break.
  EXPECT_EQ(t.substr(t.rfind("＞<br>")),
            "＞<br>北海道、青森県、岩手県、秋田県、山形県、宮城県、福島県");
  c<ComboBox>("cmbSend").setListIndex(0);
  EXPECT_EQ(value("ZoneRateText").find("＜1010円の地域＞<br>北海道、青森県<br><br>"), 0u);
}

TEST_F(Shipping, NoRowCheckedLeavesHeadAndEnd) {
  start();
  EXPECT_EQ(value("EditText(5)"), tag("send_head.tpf") + tag("tag4.tpf"));
}

TEST_F(Shipping, RowsComeInRowOrderAndTheLastLosesItsTemplateTail) {
  start();
  click("chkSend10");
  click("chkSend3");
  click("chkSend1");
  type("txtMoney1", "120円");
  type("txtMoney3", "無視される");
  std::string body = value("EditText(5)");
  std::string lead = tag("send_tag1.tpf"), mid = tag("send_tag2.tpf"), tail = tag("send_tag3.tpf");
  EXPECT_EQ(body, tag("send_head.tpf") + lead + "普通郵便" + mid + "120円" + tail + lead +
                      "ゆうパック" + mid + value("ZoneRateText") + tail + lead + "手渡し" + mid +
                      tag("tag4.tpf"));
  EXPECT_NE(page().find(body), std::string::npos);
}

TEST_F(Shipping, APriceColumnInBoldKeepsEveryTail) {
  start();
  click("chkSend2");
  click("chkE5B_2");
  EXPECT_NE(value("EditText(5)").find("</strong></font></td></tr>\n" + tag("tag4.tpf")),
            std::string::npos);
  click("chkE5B_2");  // not bold again: the tails equal the template and the last is dropped
  EXPECT_EQ(value("EditText(5)").find(tag("send_tag3.tpf") + tag("tag4.tpf")), std::string::npos);
  click("chkE5B_1");
  EXPECT_NE(value("ShipRowLead(2)").find("<strong>"), std::string::npos);
  EXPECT_EQ(value("ShipRowMid(2)").find("</strong>"), 0u);
}

TEST_F(Shipping, NameColourThenPriceColourOnlyTheFirstReachesTheSectionFragment) {
  start();
  platform.queueColour(0x0000FF);
  click("cmdE5FC_1");
  platform.queueColour(0x00FF00);
  click("cmdE5FC_2");
  EXPECT_NE(text("txtTag2_5").find("font color=#FF0000"), std::string::npos);
  EXPECT_NE(value("ShipRowLead(1)").find("font color=#FF0000"), std::string::npos);
  EXPECT_NE(value("ShipRowMid(1)").find("font color=#00FF00"), std::string::npos);
  EXPECT_EQ(value("ShippingPriceFontColor"), "00FF00");
}

TEST_F(Shipping, LineColourAndWidthRewriteTheirOwnFragments) {
  start();
  platform.queueColour(0x000080);
  click("cmdSendLC");
  EXPECT_NE(text("rtxtSendHead").find("bordercolor=#800000"), std::string::npos);
  EXPECT_EQ(c<PushButton>("cmdSendLC").fillColor(), 0x000080);
  type("txtSendW", "10001");
  EXPECT_EQ(text("txtSendW"), "100");
  type("txtSendW", "abc");
  type("txtSendW", "180");
  for (int i = 1; i <= 12; ++i) {
    EXPECT_NE(value("ShipRowLead(" + std::to_string(i) + ")").find("width=180 "),
              std::string::npos);
  }
  EXPECT_EQ(value("ShippingTableWidth"), "180");
}

TEST_F(Shipping, HidingSectionFiveAndShowingItRebuildsTheTable) {
  start();
  click("chkTitle5");
  click("chkSend6");
  EXPECT_EQ(page().find("ヤマト運輸"), std::string::npos);
  click("chkTitle5");
  EXPECT_NE(page().find("ヤマト運輸"), std::string::npos);
}

}  // namespace
}  // namespace bq::test

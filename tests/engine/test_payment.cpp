#include "engine/engine_fixture.h"

namespace bq::test {
namespace {

using Payment = Engine;

TEST_F(Payment, ListsCheckedNamesJoinedInRowOrder) {
  start();
  EXPECT_EQ(value("EditText(6)"), "");
  click("chkBank13");
  EXPECT_EQ(value("EditText(6)"), "代金引換");
  click("chkBank12");
  click("chkBank2");
  EXPECT_EQ(value("EditText(6)"), "銀行振込， 郵便振替， 代金引換");
  EXPECT_NE(page().find("銀行振込， 郵便振替， 代金引換"), std::string::npos);
}

TEST_F(Payment, EmptyNamesAndSeparatorsOfAnyLength) {
  start();
  click("chkBank4");  // empty name
  click("chkBank2");
  EXPECT_EQ(value("EditText(6)"), "銀行振込， ");
  type("txtBankPunc", "");
  EXPECT_EQ(value("EditText(6)"), "銀行振込");
  type("txtBankPunc", "・★・");  // multi-byte separator, removed whole
  EXPECT_EQ(value("EditText(6)"), "銀行振込・★・");
  click("chkBank4");
  type("txtBankPunc", "<br>とても長い区切り記号<br>");
  EXPECT_EQ(value("EditText(6)"), "銀行振込");
}

TEST_F(Payment, StyleControlsRebuildTheList) {
  start();
  click("chkBank1");
  click("chkE6B");
  EXPECT_NE(text("txtTag2_6").find("<strong>"), std::string::npos);
  EXPECT_NE(text("txtTag3_6").find("</strong>"), std::string::npos);
  platform.queueColour(0x0000FF);
  click("cmdE6FC");
  EXPECT_NE(text("txtTag2_6").find("font color=#FF0000"), std::string::npos);
  c<ComboBox>("cmbE6FS").setListIndex(3);
  EXPECT_EQ(value("EditFontSize(6)"), "4");
  click("chkTitle6");
  click("chkTitle6");
  EXPECT_NE(page().find("Yahoo!ペイメント"), std::string::npos);
}

}  // namespace
}  // namespace bq::test

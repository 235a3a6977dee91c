#include <gtest/gtest.h>

#include "forms/controls.h"
#include "forms/registry.h"

namespace bq {
namespace {

TEST(Controls, TextAndCheckBoxesFireOnlyOnARealChange) {
  TextBox box("txtA");
  int changes = 0;
  box.onChange([&] { ++changes; });
  box.setText("x");
  box.setText("x");
  box.setText("");
  EXPECT_EQ(changes, 2);

  CheckBox chk("chkA", {}, 0);
  int clicks = 0;
  chk.onClick([&] { ++clicks; });
  EXPECT_TRUE(chk.setValue(0));
  EXPECT_TRUE(chk.setValue(1));
  EXPECT_FALSE(chk.setValue(3));  // rejected, nothing fired
  chk.click();
  EXPECT_EQ(clicks, 2);
  EXPECT_EQ(chk.value(), 0);
}

TEST(Controls, HandlersRunBeforeTheSetterReturnsAndMayReEnter) {
  TextBox box("txtW", "750");
  std::vector<std::string> seen;
  box.onChange([&] {
    seen.push_back(box.text());
    if (box.text() == "99999") box.setText("750");  // the refusal path sets itself back
  });
  box.setText("99999");
  EXPECT_EQ(box.text(), "750");
  EXPECT_EQ(seen, (std::vector<std::string>{"99999", "750"}));
}

TEST(Controls, ComboFiresOnEverySelectionAndRejectsIndexesBeyondTheList) {
  ComboBox cmb("cmbX", {"1", "2"}, "idle");
  int clicks = 0;
  cmb.onClick([&] { ++clicks; });
  EXPECT_EQ(cmb.text(), "idle");
  EXPECT_TRUE(cmb.setListIndex(1));
  EXPECT_TRUE(cmb.setListIndex(1));
  EXPECT_FALSE(cmb.setListIndex(2));
  EXPECT_FALSE(cmb.setListIndex(-2));
  EXPECT_EQ(clicks, 2);
  EXPECT_EQ(cmb.text(), "2");
}

TEST(Controls, OptionGroupKeepsOneSelectedAndClicksOnlyOnSelection) {
  OptionGroup g;
  OptionButton a("opt(0)", "a", g), b("opt(1)", "b", g);
  int clicksA = 0, clicksB = 0;
  a.onClick([&] { ++clicksA; });
  b.onClick([&] { ++clicksB; });
  a.click();
  a.click();
  b.setValue(1);
  EXPECT_EQ(a.value(), 0);
  EXPECT_EQ(b.value(), 1);
  EXPECT_EQ(g.selected(), 1);
  b.setValue(0);  // releasing leaves none selected, without a click
  EXPECT_EQ(g.selected(), -1);
  EXPECT_EQ(clicksA, 1);
  EXPECT_EQ(clicksB, 1);
}

TEST(Controls, UpDownRejectsValuesOutsideItsRangeAndStepsInside) {
  UpDown u("updn", 9995, 0, 10000, 10);
  int changes = 0;
  u.onChange([&] { ++changes; });
  EXPECT_FALSE(u.setValue(10001));
  u.stepBy(1);
  EXPECT_EQ(u.value(), 10000);
  u.stepBy(1);
  EXPECT_EQ(changes, 1);
}

TEST(Controls, ReplaceSelectionCountsCharactersAndMovesTheCaret) {
  TextBox box("txtT", "商品名です");
  box.setSelection(1, 2);
  box.replaceSelection("<BR>");
  EXPECT_EQ(box.text(), "商<BR>です");
  EXPECT_EQ(box.selStart(), 5u);
  EXPECT_EQ(box.selLength(), 0u);
}

TEST(Registry, NamesArrayMembersWithTheIndexAndRefusesDuplicates) {
  Registry r;
  OptionGroup g;
  OptionButton b(indexed("optTA", 2), "right", g);
  r.add(b);
  EXPECT_EQ(r.find("optTA(2)"), &b);
  EXPECT_EQ(r.find<TextBox>("optTA(2)"), nullptr);
  EXPECT_THROW(r.add(b), std::logic_error);
  r.addValue("TitleTag(1)", [] { return std::string("x"); });
  EXPECT_EQ(r.readValue("TitleTag(1)"), "x");
  EXPECT_FALSE(r.hasValue("TitleTag(9)"));
}

}  // namespace
}  // namespace bq

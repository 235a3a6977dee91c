#include "style/style_state.h"

namespace bq {

void StyleState::setStartValues() {
  for (int i = 1; i <= 8; ++i) {
    TitleFontSize[i] = EditFontSize[i] = "2";
    TitleBackColor[i] = EditBackColor[i] = "FFFFFF";
    TitleFontColor[i] = "000000";
    if (i != 5) EditFontColor[i] = "000000";
  }
  ShippingNameFontColor = ShippingPriceFontColor = "000000";
  TableAlignOpen = "<center>";
  TableAlignClose = "</center>";
  TableAlignAttr = "align=center";
  TitleAlign = "center";
  TableFitted = false;
  TableWidth = "750";
  TableHeight = "200";
  TitleWidth = "100";
  CellSpacing = "1";
  CellPadding = "3";
  TableLineColor = "333333";
  ShippingLineColor = "CCCCCC";
}

void StyleState::registerIn(Registry& r) {
  auto family = [&r](const char* name, std::array<std::string, 9>& values) {
    for (int i = 1; i <= 8; ++i) r.addValue(indexed(name, i), [&values, i] { return values[i]; });
  };
  family("TitleFontSize", TitleFontSize);
  family("EditFontSize", EditFontSize);
  family("TitleFontColor", TitleFontColor);
  family("TitleBackColor", TitleBackColor);
  family("EditFontColor", EditFontColor);
  family("EditBackColor", EditBackColor);
  auto one = [&r](const char* name, std::string& value) {
    r.addValue(name, [&value] { return value; });
  };
  one("TableLineColor", TableLineColor);
  one("TableWidth", TableWidth);
  one("TableHeight", TableHeight);
  one("TitleWidth", TitleWidth);
  one("CellSpacing", CellSpacing);
  one("CellPadding", CellPadding);
  one("TableAlignOpen", TableAlignOpen);
  one("TableAlignClose", TableAlignClose);
  one("TableAlignAttr", TableAlignAttr);
  one("TitleAlign", TitleAlign);
  one("ShippingNameFontColor", ShippingNameFontColor);
  one("ShippingPriceFontColor", ShippingPriceFontColor);
  one("ShippingLineColor", ShippingLineColor);
  one("ShippingTableWidth", ShippingTableWidth);
}

}  // namespace bq

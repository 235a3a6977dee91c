// The remembered style values: each is the value its fragments carry right now after their
// marker, and so what the next change of that style searches for.
#pragma once

#include <array>
#include <string>

#include "forms/registry.h"

namespace bq {

struct StyleState {
  // Indexed by section, 1..8 (index 0 unused).
  std::array<std::string, 9> TitleFontSize, EditFontSize;
  std::array<std::string, 9> TitleFontColor, TitleBackColor, EditFontColor, EditBackColor;

  std::string TableLineColor;
  std::string TableWidth, TableHeight, TitleWidth;
  std::string CellSpacing, CellPadding;
  std::string TableAlignOpen, TableAlignClose, TableAlignAttr, TitleAlign;
  bool TableFitted = false;  // the fragments carry the fitted forms (chkFit)

  std::string ShippingNameFontColor, ShippingPriceFontColor, ShippingLineColor;
  std::string ShippingTableWidth;

  // The values the templates carry as delivered.
  void setStartValues();
  void registerIn(Registry& r);
};

}  // namespace bq

// Section 5's body: the table of the checked shipping methods and their prices, built from
// twelve rows of controls and per-row copies of the row fragments.
#pragma once

#include <array>
#include <memory>
#include <string>

#include "core/actions.h"
#include "forms/controls.h"
#include "forms/registry.h"
#include "page/page_model.h"
#include "page/page_output.h"
#include "style/dimension_box.h"
#include "style/fragment.h"
#include "style/style_state.h"

namespace bq {

inline constexpr int kShippingRows = 12;
inline constexpr int kYuPackRow = 3;

struct ShippingRow {
  explicit ShippingRow(int index);
  CheckBox chkSend;
  TextBox txtSend;
  TextBox txtMoney;
};

class ShippingTable {
 public:
  ShippingTable(PageModel& page, PageHolders& holders, StyleState& style,
                const std::string& zoneRateText, Platform& platform, Actions& actions);

  void BuildShippingSection();
  // Start-up: the row fragments from their templates, and the end of the table.
  void copyTemplates();

  ShippingRow& row(int i) { return *rows_.at(static_cast<std::size_t>(i - 1)); }
  void registerIn(Registry& r);
  // The rows' pieces, for the colour, bold and size controls of section 5's body.
  ShippingRowPieces rowPieces();

  // Indexed by row, 1..12 (index 0 unused).
  std::array<std::string, kShippingRows + 1> ShipRowLead, ShipRowMid, ShipRowTail, ShipRow;
  std::string ShipTableEnd;

  DimensionBox width;  // txtSendW / updnSendW

 private:
  PageModel& page_;
  PageHolders& holders_;
  StyleState& style_;
  const std::string& zoneRateText_;
  Actions& actions_;
  std::array<std::unique_ptr<ShippingRow>, kShippingRows> rows_;
};

}  // namespace bq

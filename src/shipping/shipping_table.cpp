#include "shipping/shipping_table.h"

#include "style/fragment.h"
#include "style/mdl_color.h"

namespace bq {

ShippingRow::ShippingRow(int i)
    : chkSend("chkSend" + std::to_string(i), {}, 0),
      txtSend("txtSend" + std::to_string(i)),
      txtMoney("txtMoney" + std::to_string(i)) {
  // The Yu-Pack row is named by the program and priced by the zone-rate text.
  if (i == kYuPackRow) {
    txtSend.setReadOnly(true);
    txtMoney.setReadOnly(true);
  }
}

ShippingTable::ShippingTable(PageModel& page, PageHolders& holders, StyleState& style,
                             const std::string& zoneRateText, Platform& platform, Actions& actions)
    : width("txtSendW", "updnSendW", 100, "発送方法の表で、発送方法の名前の列の幅（ピクセル）",
            platform,
            [this](const std::string& w) {
              actions_.Refitting([&] {
                Fragments leads;
                appendMembers(leads, ShipRowLead, 1, kShippingRows);
                rewriteAll(leads, "width=", style_.ShippingTableWidth, w);
                style_.ShippingTableWidth = w;
              });
              BuildShippingSection();
              actions_.RefreshPreview();
            }),
      page_(page),
      holders_(holders),
      style_(style),
      zoneRateText_(zoneRateText),
      actions_(actions) {
  for (int i = 1; i <= kShippingRows; ++i) {
    auto& r = rows_[static_cast<std::size_t>(i - 1)];
    r = std::make_unique<ShippingRow>(i);
    auto rebuild = [this] { BuildShippingSection(); };
    r->chkSend.onClick(rebuild);
    r->txtSend.onChange(rebuild);
    r->txtMoney.onChange(rebuild);
  }
}

void ShippingTable::copyTemplates() {
  ShipTableEnd = holders_.rtxtTag4.text();
  for (int i = 1; i <= kShippingRows; ++i) {
    ShipRowLead[i] = holders_.rtxtSendTag1.text();
    ShipRowMid[i] = holders_.rtxtSendTag2.text();
    ShipRowTail[i] = holders_.rtxtSendTag3.text();
  }
}

void ShippingTable::BuildShippingSection() {
  std::string body = holders_.rtxtSendHead.text();
  for (int i = 1; i <= kShippingRows; ++i) {
    ShippingRow& r = row(i);
    if (r.chkSend.value() != 1) {
      ShipRow[i].clear();
      continue;
    }
    const std::string& price = i == kYuPackRow ? zoneRateText_ : r.txtMoney.text();
    ShipRow[i] = ShipRowLead[i] + r.txtSend.text() + ShipRowMid[i] + price + ShipRowTail[i];
    body += ShipRow[i];
  }
  body += ShipTableEnd;
  // The last row loses its tail while that tail is still the template as loaded.
  page_.section(5).EditText =
      ReplaceAll(body, holders_.rtxtSendTag3.text() + ShipTableEnd, ShipTableEnd);
  actions_.RefreshPreview();
}

void ShippingTable::registerIn(Registry& r) {
  for (auto& row : rows_) {
    r.add(row->chkSend);
    r.add(row->txtSend);
    r.add(row->txtMoney);
  }
  r.add(width.txt);
  r.add(width.updn);
  for (int i = 1; i <= kShippingRows; ++i) {
    r.addValue(indexed("ShipRowLead", i), [this, i] { return ShipRowLead[i]; });
    r.addValue(indexed("ShipRowMid", i), [this, i] { return ShipRowMid[i]; });
    r.addValue(indexed("ShipRowTail", i), [this, i] { return ShipRowTail[i]; });
    r.addValue(indexed("ShipRow", i), [this, i] { return ShipRow[i]; });
  }
  r.addValue("ShipTableEnd", [this] { return ShipTableEnd; });
}

ShippingRowPieces ShippingTable::rowPieces() {
  ShippingRowPieces p;
  appendMembers(p.leads, ShipRowLead, 1, kShippingRows);
  appendMembers(p.mids, ShipRowMid, 1, kShippingRows);
  appendMembers(p.tails, ShipRowTail, 1, kShippingRows);
  return p;
}

}  // namespace bq

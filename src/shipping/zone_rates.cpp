#include "shipping/zone_rates.h"

namespace bq {

ZoneRates::ZoneRates(Actions& actions) : actions_(actions) {
  for (int k = 0; k < tariff::kWeightClasses; ++k) {
    auto& b = optYPack[static_cast<std::size_t>(k)];
    b = std::make_unique<OptionButton>(indexed("optYPack", k), tariff::kWeightClassCaptions[k],
                                       weightGroup);
    b->onClick([this] {
      int selected = weightGroup.selected();
      WeightSurcharge = selected < 0 ? 0 : tariff::weightSurcharge(selected);
      BuildZoneRateText();
    });
  }
  // The lightest class is selected by the window's design, without a click.
  weightGroup.select(optYPack[0].get());
  cmbSend.onClick([this] { BuildZoneRateText(); });
}

void ZoneRates::fillPrefectures() {
  cmbSend.setItems({tariff::kPrefectureNames.begin(), tariff::kPrefectureNames.end()});
}

void ZoneRates::BuildZoneRateText() {
  int from = cmbSend.listIndex();
  if (from >= 0 && from < tariff::kPrefectures) {
    std::string text;
    for (int zone = 1; zone <= tariff::kZones; ++zone) {
      text +=
          "＜" + std::to_string(tariff::kZoneBasePrice[zone] + WeightSurcharge) + "円の地域＞<br>";
      bool first = true;
      for (int to : tariff::zoneDestinations(from, zone)) {
        if (!first) text += "、";
        text += tariff::kPrefectureNames[static_cast<std::size_t>(to)];
        first = false;
      }
      if (zone < tariff::kZones) text += "<br><br>";
    }
    ZoneRateText = text;
  }
  actions_.BuildShippingSection();
}

void ZoneRates::registerIn(Registry& r) {
  r.add(cmbSend);
  for (auto& b : optYPack) r.add(*b);
  r.addValue("ZoneRateText", [this] { return ZoneRateText; });
  r.addValue("WeightSurcharge", [this] { return std::to_string(WeightSurcharge); });
}

}  // namespace bq

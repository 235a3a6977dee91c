// The Yu-Pack row's price cell: the ship-from prefecture, the parcel's weight class and the
// zone-rate text built from the tariff.
#pragma once

#include <array>
#include <memory>
#include <string>

#include "core/actions.h"
#include "forms/controls.h"
#include "forms/registry.h"
#include "shipping/tariff.h"

namespace bq {

class ZoneRates {
 public:
  explicit ZoneRates(Actions& actions);

  // Rebuilds ZoneRateText from the selected prefecture and weight class, then always the
  // shipping section.
  void BuildZoneRateText();
  // Start-up: the 47 prefectures, in list order.
  void fillPrefectures();

  void registerIn(Registry& r);

  ComboBox cmbSend{"cmbSend", {}, "発送元"};
  OptionGroup weightGroup;
  std::array<std::unique_ptr<OptionButton>, tariff::kWeightClasses> optYPack;

  std::string ZoneRateText;
  int WeightSurcharge = 0;

 private:
  Actions& actions_;
};

}  // namespace bq

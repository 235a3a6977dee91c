// The Yu-Pack tariff, compiled into the program: the 47 prefectures, the zone of every
// destination for every ship-from prefecture, the zone prices and the weight classes.
#pragma once

#include <array>
#include <string>
#include <vector>

namespace bq::tariff {

inline constexpr int kPrefectures = 47;
inline constexpr int kZones = 4;
inline constexpr int kWeightClasses = 12;

// The prefectures in list order (also the order of the ship-from list).
extern const std::array<const char*, kPrefectures> kPrefectureNames;

// Zone 1..4 of destination `to` when shipping from `from` (both list indexes).
int zoneOf(int from, int to);

// Price of a 2 kg parcel in each zone, in yen (index 1..4).
extern const std::array<int, kZones + 1> kZoneBasePrice;

extern const std::array<const char*, kWeightClasses> kWeightClassCaptions;

// What each class adds to the price of the class below it; a class's surcharge is the sum of
// these figures up to and including its own, so heavier parcels never cost less.
extern const std::array<int, kWeightClasses> kWeightStep;
int weightSurcharge(int weightClass);

// The destinations of one zone, as list indexes, in the order they are printed: the listing
// order, or the written order of the few zones that depart from it.
std::vector<int> zoneDestinations(int from, int zone);

}  // namespace bq::tariff

// Whether the page fits a phone's screen: laid out on the narrowest phone in common use, as a
// phone gives a page that says width=device-width, does anything make it wider, so that the
// buyer scrolls sideways? Each cell is measured by the model browsers use for a page's minimum
// width (checks/min_width). A page fitted to the screen stacks each title above its body on a
// phone; a fixed one keeps its two columns and its width.
#pragma once

#include <string>
#include <vector>

#include "checks/listing_checks.h"
#include "checks/min_width.h"

namespace bq::checks {

// The phone widths (CSS px) the previews offer: the narrowest phone in common use, the most
// common, the widest. The check lays the page out at the narrowest: what fits it fits them all.
inline constexpr int kPhoneWidths[] = {320, 375, 430};
inline constexpr int kCommonPhoneWidth = kPhoneWidths[1];
inline constexpr int kPhoneWidth = kPhoneWidths[0];

// One cell's text as the checks' sources hold it, and the size it is drawn at.
struct PhoneCell {
  std::size_t source;  // index into the sources
  int fontPx = 13;
};

struct PhoneSection {
  std::string where;  // "欄3"
  PhoneCell title;
  std::vector<PhoneCell> body;  // the body, or the payment list's names and separator
  // The shipping table in the body: its methods' names and their prices, row by row.
  std::vector<PhoneCell> shippingNames, shippingPrices;
};

struct PhoneLayout {
  bool fitted = false;  // 画面の幅に合わせる
  int tableWidth = 750;
  int cellSpacing = 1, cellPadding = 3;
  std::vector<PhoneSection> sections;  // the shown ones
};

// What makes the page wider than a phone's screen; nothing when it fits.
std::vector<Finding> checkPhoneWidth(const std::vector<Source>& sources, const PhoneLayout& page);

}  // namespace bq::checks

// The page's eight sections, and which of them have bodies the program makes: the one place
// that says so, for the page, the style controls, the checks and the spreadsheet mapping.
#pragma once

namespace bq {

inline constexpr int kSections = 8;
// Section 5 shows the shipping table and section 6 the payment list: their bodies are made by the
// program from their own controls, never typed.
inline constexpr int kShippingSection = 5;
inline constexpr int kPaymentSection = 6;
inline constexpr bool bodyIsGenerated(int section) {
  return section == kShippingSection || section == kPaymentSection;
}

}  // namespace bq

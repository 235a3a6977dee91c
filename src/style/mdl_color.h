// Colour numbers (0x00BBGGRR, as colour dialogs and buttons hold them), HTML colour codes
// (RRGGBB) and the one routine by which every style control changes a fragment.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace bq {

// The number in capital hexadecimal without leading zeros; empty for a negative number.
std::string ColorToHex(std::int64_t n);

// The HTML code of a colour number: ColorToHex padded to six digits, then the digit pairs
// swapped from blue-green-red into red-green-blue. Empty for a negative number.
std::string HtmlColorCode(std::int64_t n);

// Every occurrence of text `from` replaced by `to`, scanning from the start, not overlapping,
// case-sensitive.
std::string ReplaceAll(std::string_view text, std::string_view from, std::string_view to);

// Every marker+old replaced by marker+new; with old empty, every bare marker.
std::string RewriteMarker(std::string_view text, std::string_view marker, std::string_view oldValue,
                          std::string_view newValue);

}  // namespace bq

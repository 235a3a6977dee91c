#include "style/mdl_color.h"

namespace bq {

std::string ColorToHex(std::int64_t n) {
  if (n < 0) return {};
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string hex;
  do {
    hex.insert(hex.begin(), kDigits[n & 0xF]);
    n >>= 4;
  } while (n != 0);
  return hex;
}

std::string HtmlColorCode(std::int64_t n) {
  std::string h = ColorToHex(n);
  if (h.empty()) return h;
  if (h.size() < 6) h.insert(0, 6 - h.size(), '0');
  // Last two digits, then digits 3 and 4, then the first two. A number above 0xFFFFFF (only an
  // edited settings file holds one) is not padded and loses its middle digits this way.
  return h.substr(h.size() - 2) + h.substr(2, 2) + h.substr(0, 2);
}

std::string ReplaceAll(std::string_view text, std::string_view from, std::string_view to) {
  std::string out;
  if (from.empty()) return std::string(text);
  std::size_t pos = 0;
  for (std::size_t hit; (hit = text.find(from, pos)) != std::string_view::npos;
       pos = hit + from.size()) {
    if (out.empty()) out.reserve(text.size() + 16);
    out.append(text, pos, hit - pos);
    out.append(to);
  }
  if (pos == 0) return std::string(text);
  out.append(text, pos, std::string_view::npos);
  return out;
}

std::string RewriteMarker(std::string_view text, std::string_view marker, std::string_view oldValue,
                          std::string_view newValue) {
  std::string from(marker);
  from += oldValue;
  std::string to(marker);
  to += newValue;
  return ReplaceAll(text, from, to);
}

}  // namespace bq

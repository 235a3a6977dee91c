// How stored text turns back into control values. Blanks, tabs, form feeds and the DOS
// end-of-file byte around numbers and flags are allowed;
// everything else fails the conversion, which stops a load at that key.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace bq {

std::optional<std::int32_t> toInt32(const std::string& text);
std::optional<std::int16_t> toInt16(const std::string& text);
// "True"/"False" in any case, or a number (0 is false).
std::optional<bool> toFlag(const std::string& text);

// Line breaks and backslashes written as \n, \r and \\, so that a text fits on one line.
std::string escapeLines(const std::string& text);
std::string unescapeLines(std::string text);

}  // namespace bq

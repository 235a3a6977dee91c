#include "settings/conversions.h"

#include <cerrno>
#include <cstdlib>
#include <limits>

namespace bq {
namespace {

// Windows trims these around numbers, the DOS end-of-file byte among them.
constexpr const char* kBlanks = " \t\v\f\x1A";

std::string trimmed(const std::string& s) {
  std::size_t b = s.find_first_not_of(kBlanks);
  if (b == std::string::npos) return {};
  return s.substr(b, s.find_last_not_of(kBlanks) - b + 1);
}

std::optional<long long> toInteger(const std::string& text) {
  std::string t = trimmed(text);
  if (t.empty() || t.size() > 20) return std::nullopt;
  std::size_t digits = (t[0] == '-' || t[0] == '+') ? 1 : 0;
  if (digits == t.size()) return std::nullopt;
  for (std::size_t i = digits; i < t.size(); ++i) {
    if (t[i] < '0' || t[i] > '9') return std::nullopt;
  }
  errno = 0;
  long long v = std::strtoll(t.c_str(), nullptr, 10);
  if (errno == ERANGE) return std::nullopt;
  return v;
}

}  // namespace

std::optional<std::int32_t> toInt32(const std::string& text) {
  auto v = toInteger(text);
  if (!v || *v < std::numeric_limits<std::int32_t>::min() ||
      *v > std::numeric_limits<std::int32_t>::max()) {
    return std::nullopt;
  }
  return static_cast<std::int32_t>(*v);
}

std::optional<std::int16_t> toInt16(const std::string& text) {
  auto v = toInteger(text);
  if (!v || *v < -32768 || *v > 32767) return std::nullopt;
  return static_cast<std::int16_t>(*v);
}

std::optional<bool> toFlag(const std::string& text) {
  std::string t = trimmed(text);
  std::string lower;
  for (char c : t) lower += static_cast<char>((c >= 'A' && c <= 'Z') ? c - 'A' + 'a' : c);
  if (lower == "true") return true;
  if (lower == "false") return false;
  if (auto v = toInteger(t)) return *v != 0;
  return std::nullopt;
}

std::string escapeLines(const std::string& text) {
  std::string out;
  out.reserve(text.size() + 16);
  for (char c : text) {
    switch (c) {
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      default:
        out += c;
    }
  }
  return out;
}

std::string unescapeLines(std::string text) {
  // In place: the text only gets shorter, and a long text is not held twice.
  std::size_t to = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c == '\\' && i + 1 < text.size()) {
      char e = text[++i];
      c = e == 'n' ? '\n' : e == 'r' ? '\r' : e;
    }
    text[to++] = c;
  }
  text.resize(to);
  return text;
}

}  // namespace bq

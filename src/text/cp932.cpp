#include "text/cp932.h"

#include <algorithm>

#include <array>
#include <cstdint>

namespace bq::text {
namespace {

constexpr std::uint16_t kDoubleByte[] = {
#include "text/cp932_table.inc"
};
constexpr int kTrails = 188;
constexpr char32_t kReplacement = 0xFFFD;

int leadIndex(unsigned char b) {
  if (b >= 0x81 && b <= 0x9F) return b - 0x81;
  if (b >= 0xE0 && b <= 0xFC) return b - 0xE0 + 31;
  return -1;
}

int trailIndex(unsigned char b) {
  if (b >= 0x40 && b <= 0x7E) return b - 0x40;
  if (b >= 0x80 && b <= 0xFC) return b - 0x80 + 63;
  return -1;
}

// Single bytes beyond ASCII, as Windows maps them.
char32_t singleByte(unsigned char b) {
  if (b < 0x80) return b;
  if (b >= 0xA1 && b <= 0xDF) return 0xFF61 + (b - 0xA1);
  if (b == 0x80) return 0x80;
  if (b == 0xA0) return 0xF8F0;
  if (b >= 0xFD) return 0xF8F1 + (b - 0xFD);
  return 0;
}

unsigned codeAt(int lead, int trail) {
  unsigned l = lead < 31 ? 0x81 + lead : 0xE0 + (lead - 31);
  unsigned t = trail < 63 ? 0x40 + trail : 0x80 + (trail - 63);
  return (l << 8) | t;
}

// Several codes decode to the same character (NEC and IBM extensions); Windows encodes to the
// lowest code outside the NEC-selected rows ED and EE, which is what makes 髙 FBFC.
bool preferred(unsigned candidate, unsigned current) {
  bool candNec = (candidate >> 8) == 0xED || (candidate >> 8) == 0xEE;
  bool curNec = (current >> 8) == 0xED || (current >> 8) == 0xEE;
  if (candNec != curNec) return curNec;
  return candidate < current;
}

// BMP character -> code (single byte or lead<<8|trail); 0 = not representable.
const std::array<std::uint16_t, 0x10000>& encodeTable() {
  static const auto table = [] {
    std::array<std::uint16_t, 0x10000> t{};
    for (int lead = 0; lead < 60; ++lead) {
      for (int trail = 0; trail < kTrails; ++trail) {
        char32_t u = kDoubleByte[lead * kTrails + trail];
        if (u == 0) continue;
        unsigned code = codeAt(lead, trail);
        if (t[u] == 0 || preferred(code, t[u])) t[u] = static_cast<std::uint16_t>(code);
      }
    }
    for (unsigned b = 0x01; b <= 0xFF; ++b) {
      char32_t u = singleByte(static_cast<unsigned char>(b));
      if (u != 0) t[u] = static_cast<std::uint16_t>(b);
    }
    return t;
  }();
  return table;
}

void appendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

// Reads one character of UTF-8 at i and advances i; invalid bytes read as U+FFFD.
char32_t nextChar(std::string_view s, std::size_t& i) {
  auto b0 = static_cast<unsigned char>(s[i]);
  if (b0 < 0x80) {
    ++i;
    return b0;
  }
  int len = b0 >= 0xF0 ? 4 : b0 >= 0xE0 ? 3 : b0 >= 0xC0 ? 2 : 0;
  if (len == 0 || i + len > s.size() || b0 > 0xF4) {
    ++i;
    return kReplacement;
  }
  char32_t c = b0 & (0x7F >> len);
  for (int k = 1; k < len; ++k) {
    auto b = static_cast<unsigned char>(s[i + k]);
    if ((b & 0xC0) != 0x80) {
      ++i;
      return kReplacement;
    }
    c = (c << 6) | (b & 0x3F);
  }
  static constexpr char32_t kMin[] = {0, 0, 0x80, 0x800, 0x10000};
  if (c < kMin[len] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
    ++i;
    return kReplacement;
  }
  i += len;
  return c;
}

// Appends the code page 932 bytes of c; false when c has no exact code.
bool encodeChar(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
    return true;
  }
  if (c > 0xFFFF) return false;
  std::uint16_t code = encodeTable()[c];
  if (code == 0) return false;
  if (code > 0xFF) out += static_cast<char>(code >> 8);
  out += static_cast<char>(code & 0xFF);
  return true;
}

}  // namespace

namespace {

// The character at `i` (every one in the Basic Multilingual Plane), and where the next begins.
char32_t decodeAt(std::string_view bytes, std::size_t& i) {
  auto b = static_cast<unsigned char>(bytes[i]);
  if (b < 0x80) {
    ++i;
    return b;
  }
  int lead = leadIndex(b);
  if (lead >= 0 && i + 1 < bytes.size()) {
    int trail = trailIndex(static_cast<unsigned char>(bytes[i + 1]));
    char32_t u = trail >= 0 ? kDoubleByte[lead * kTrails + trail] : 0;
    if (u != 0) {
      i += 2;
      return u;
    }
  }
  ++i;
  char32_t u = lead >= 0 ? 0 : singleByte(b);
  return u != 0 ? u : kReplacement;
}

}  // namespace

std::string cp932ToUtf8(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size() + bytes.size() / 2);
  for (std::size_t i = 0; i < bytes.size();) {
    auto b = static_cast<unsigned char>(bytes[i]);
    if (b < 0x80) {
      out += static_cast<char>(b);
      ++i;
    } else {
      appendUtf8(out, decodeAt(bytes, i));
    }
  }
  return out;
}

std::size_t cp932CharEnd(std::string_view bytes, std::size_t i) {
  decodeAt(bytes, i);
  return i;
}

std::size_t cp932Units(std::string_view bytes) {
  std::size_t n = 0;
  for (std::size_t i = 0; i < bytes.size(); ++n) {
    if (static_cast<unsigned char>(bytes[i]) < 0x80) {
      ++i;
    } else {
      decodeAt(bytes, i);
    }
  }
  return n;
}

std::optional<std::string> utf8ToCp932(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  for (std::size_t i = 0; i < utf8.size();) {
    if (!encodeChar(out, nextChar(utf8, i))) return std::nullopt;
  }
  return out;
}

namespace {

// Code page 932 for HTML, into any sink with append(const char*, size_t).
template <class Sink>
void cp932Html(std::string_view utf8, Sink& out) {
  std::size_t i = 0;
  std::string one;
  while (i < utf8.size()) {
    // Markup is mostly ASCII: copy runs of it in one go.
    std::size_t run = i;
    while (run < utf8.size() && static_cast<unsigned char>(utf8[run]) < 0x80) ++run;
    out.append(utf8.data() + i, run - i);
    i = run;
    if (i >= utf8.size()) break;
    char32_t c = nextChar(utf8, i);
    one.clear();
    if (!encodeChar(one, c)) one = "&#" + std::to_string(static_cast<unsigned long>(c)) + ";";
    out.append(one.data(), one.size());
  }
}

struct ByteCount {
  std::size_t n = 0;
  void append(const char*, std::size_t k) { n += k; }
};

}  // namespace

std::string utf8ToCp932Html(std::string_view utf8) {
  // Sized exactly first: a long Japanese text takes two thirds of its UTF-8 size here, and the
  // page keeps these bytes.
  ByteCount count;
  cp932Html(utf8, count);
  std::string out;
  out.reserve(count.n);
  cp932Html(utf8, out);
  return out;
}

bool isCp932Exact(std::string_view utf8) {
  std::string scratch;
  for (std::size_t i = 0; i < utf8.size();) {
    scratch.clear();
    if (!encodeChar(scratch, nextChar(utf8, i))) return false;
  }
  return true;
}

bool isValidUtf8(std::string_view bytes) {
  for (std::size_t i = 0; i < bytes.size();) {
    std::size_t before = i;
    char32_t c = nextChar(bytes, i);
    if (c == kReplacement && !(i - before == 3 && bytes.substr(before, 3) == "\xEF\xBF\xBD")) {
      return false;
    }
  }
  return true;
}

std::string toValidUtf8(std::string_view bytes) {
  if (isValidUtf8(bytes)) return std::string(bytes);
  std::string out;
  out.reserve(bytes.size() + 16);
  for (std::size_t i = 0; i < bytes.size();) appendUtf8(out, nextChar(bytes, i));
  return out;
}

char32_t nextUtf8Char(std::string_view utf8, std::size_t& i) {
  return nextChar(utf8, i);
}

std::string_view withoutLoneLeadByte(std::string_view bytes) {
  std::size_t i = 0;
  while (i < bytes.size()) {
    bool lead = leadIndex(static_cast<unsigned char>(bytes[i])) >= 0;
    if (lead && i + 1 == bytes.size()) return bytes.substr(0, i);
    i += lead ? 2 : 1;
  }
  return bytes;
}

namespace {

constexpr std::size_t kNowhere = std::string_view::npos;

std::size_t firstBadUtf8(std::string_view bytes) {
  for (std::size_t i = 0; i < bytes.size();) {
    if (static_cast<unsigned char>(bytes[i]) < 0x80) {
      ++i;
      continue;
    }
    std::size_t before = i;
    char32_t c = nextChar(bytes, i);
    if (c == kReplacement && !(i - before == 3 && bytes.substr(before, 3) == "\xEF\xBF\xBD")) {
      return before;
    }
  }
  return kNowhere;
}

// Bytes Windows maps to U+0080 or the private use area: no program writes them as text.
bool unusedSingleByte(unsigned char b) {
  return b == 0x80 || b == 0xA0 || b >= 0xFD || singleByte(b) == 0;
}

std::size_t firstBadCp932(std::string_view bytes, bool loneLeadAtLineEnd) {
  for (std::size_t i = 0; i < bytes.size();) {
    auto b = static_cast<unsigned char>(bytes[i]);
    if (b < 0x80) {
      ++i;
      continue;
    }
    int lead = leadIndex(b);
    if (lead >= 0) {
      bool atEnd = i + 1 == bytes.size() || bytes[i + 1] == '\r' || bytes[i + 1] == '\n';
      if (atEnd && loneLeadAtLineEnd) {
        ++i;
        continue;
      }
      int trail = i + 1 < bytes.size() ? trailIndex(static_cast<unsigned char>(bytes[i + 1])) : -1;
      if (trail < 0 || kDoubleByte[lead * kTrails + trail] == 0) return i;
      i += 2;
      continue;
    }
    if (unusedSingleByte(b)) return i;
    ++i;
  }
  return kNowhere;
}

// The UTF-16 code unit at byte i.
char32_t utf16Unit(std::string_view bytes, std::size_t i, bool bigEndian) {
  auto a = static_cast<unsigned char>(bytes[i]);
  auto b = static_cast<unsigned char>(bytes[i + 1]);
  return bigEndian ? (a << 8 | b) : (b << 8 | a);
}

// An odd byte at the end or a surrogate without its pair.
std::size_t firstBadUtf16(std::string_view bytes, bool bigEndian) {
  auto unit = [&](std::size_t i) { return utf16Unit(bytes, i, bigEndian); };
  std::size_t n = bytes.size() & ~std::size_t{1};
  for (std::size_t i = 0; i < n; i += 2) {
    char32_t u = unit(i);
    if (u >= 0xDC00 && u <= 0xDFFF) return i;
    if (u >= 0xD800 && u <= 0xDBFF) {
      if (i + 3 >= n) return i;
      char32_t low = unit(i + 2);
      if (low < 0xDC00 || low > 0xDFFF) return i;
      i += 2;
    }
  }
  return n < bytes.size() ? n : kNowhere;
}

}  // namespace

Decided decideEncoding(std::string_view bytes, bool loneLeadAtLineEnd) {
  auto at = [](std::size_t mark, std::size_t bad) { return bad == kNowhere ? bad : mark + bad; };
  for (bool be : {false, true}) {
    if (bytes.substr(0, 2) == (be ? "\xFE\xFF" : "\xFF\xFE")) {
      return {be ? Encoding::Utf16BE : Encoding::Utf16LE, 2,
              at(2, firstBadUtf16(bytes.substr(2), be))};
    }
  }
  std::size_t mark = bytes.substr(0, 3) == "\xEF\xBB\xBF" ? 3 : 0;
  std::string_view text = bytes.substr(mark);
  std::size_t utf8 = firstBadUtf8(text);
  if (utf8 == kNowhere) {
    bool ascii = std::all_of(text.begin(), text.end(),
                             [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    Encoding e = mark ? Encoding::Utf8Bom : ascii ? Encoding::Cp932 : Encoding::Utf8;
    return {e, mark, kNowhere};
  }
  // Text in code page 932 stops reading as UTF-8 at its first character beyond ASCII; a file
  // that has read as UTF-8 past such characters is UTF-8 with a stray byte somewhere.
  std::size_t firstBeyondAscii = static_cast<std::size_t>(
      std::find_if(text.begin(), text.end(),
                   [](char c) { return static_cast<unsigned char>(c) >= 0x80; }) -
      text.begin());
  std::size_t cp932 = firstBadCp932(text, loneLeadAtLineEnd);
  // Where neither reads the whole file, a UTF-8 mark is the writer's word, unless code page 932
  // reads further than UTF-8 does (a mark put before code page 932 text with one bad byte).
  if (utf8 > firstBeyondAscii || (mark && cp932 != kNowhere && cp932 <= utf8)) {
    return {mark ? Encoding::Utf8Bom : Encoding::Utf8, mark, at(mark, utf8)};
  }
  return {Encoding::Cp932, mark, at(mark, cp932)};
}

Encoding detectEncoding(std::string_view bytes) {
  return decideEncoding(bytes).encoding;
}

std::size_t lineAt(std::string_view bytes, const Decided& decided, std::size_t offset) {
  std::size_t line = 1;
  offset = std::min(offset, bytes.size());
  if (decided.encoding == Encoding::Utf16LE || decided.encoding == Encoding::Utf16BE) {
    std::size_t low = decided.encoding == Encoding::Utf16LE ? 0 : 1;
    for (std::size_t i = decided.mark; i + 1 < offset; i += 2) {
      line += bytes[i + low] == '\n' && bytes[i + 1 - low] == '\0';
    }
    return line;
  }
  for (std::size_t i = 0; i < offset; ++i) line += bytes[i] == '\n';
  return line;
}

std::string utf16ToUtf8(std::string_view bytes, bool bigEndian) {
  std::string out;
  out.reserve(bytes.size());
  auto unit = [&](std::size_t i) { return utf16Unit(bytes, i, bigEndian); };
  std::size_t n = bytes.size() & ~std::size_t{1};
  for (std::size_t i = 0; i < n; i += 2) {
    char32_t u = unit(i);
    if (u >= 0xD800 && u <= 0xDBFF && i + 3 < n) {
      char32_t low = unit(i + 2);
      if (low >= 0xDC00 && low <= 0xDFFF) {
        appendUtf8(out, 0x10000 + ((u - 0xD800) << 10) + (low - 0xDC00));
        i += 2;
        continue;
      }
    }
    appendUtf8(out, (u >= 0xD800 && u <= 0xDFFF) ? kReplacement : u);
  }
  return out;
}

std::string utf8ToUtf16LE(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size() * 2);
  auto put = [&](char32_t u) {
    out += static_cast<char>(u & 0xFF);
    out += static_cast<char>(u >> 8);
  };
  for (std::size_t i = 0; i < utf8.size();) {
    char32_t c = nextChar(utf8, i);
    if (c >= 0x10000) {
      c -= 0x10000;
      put(0xD800 + (c >> 10));
      put(0xDC00 + (c & 0x3FF));
    } else {
      put(c);
    }
  }
  return out;
}

std::string decodeText(std::string_view bytes) {
  Decided d = decideEncoding(bytes);
  std::string_view text = bytes.substr(d.mark);
  switch (d.encoding) {
    case Encoding::Utf16LE:
    case Encoding::Utf16BE:
      return utf16ToUtf8(text, d.encoding == Encoding::Utf16BE);
    case Encoding::Utf8Bom:
    case Encoding::Utf8:
      // Bad bytes become U+FFFD, never reach a page.
      return toValidUtf8(text);
    case Encoding::Cp932:
      break;
  }
  return cp932ToUtf8(text);
}

std::size_t utf8Length(std::string_view utf8) {
  std::size_t n = 0;
  for (char c : utf8) n += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  return n;
}

std::size_t utf16Length(std::string_view utf8) {
  std::size_t n = 0;
  for (char c : utf8) {
    auto b = static_cast<unsigned char>(c);
    if ((b & 0xC0) != 0x80) n += b >= 0xF0 ? 2 : 1;
  }
  return n;
}

std::size_t cp932Length(std::string_view cp932) {
  std::size_t n = 0;
  for (std::size_t i = 0; i < cp932.size(); ++i, ++n) {
    if (leadIndex(static_cast<unsigned char>(cp932[i])) >= 0 && i + 1 < cp932.size()) ++i;
  }
  return n;
}

std::size_t utf8Offset(std::string_view utf8, std::size_t chars) {
  std::size_t i = 0;
  while (i < utf8.size() && chars > 0) {
    ++i;
    while (i < utf8.size() && (static_cast<unsigned char>(utf8[i]) & 0xC0) == 0x80) ++i;
    --chars;
  }
  return i;
}

}  // namespace bq::text

#include "batch/column_map.h"

#include <algorithm>

#include "batch/csv_reader.h"
#include "page/sections.h"

namespace bq::batch {
namespace {

// The header without blanks (ASCII and full-width) and the characters nobody sees (a no-break
// space, zero-width spaces and joiners, word joiners, byte-order marks), its full-width digits
// made ASCII.
std::string normalised(const std::string& h) {
  static const char* const kUnseen[] = {"\xE3\x80\x80",  // U+3000 ideographic space
                                        "\xC2\xA0",      // U+00A0
                                        "\xE2\x80\x8B", "\xE2\x80\x8C",
                                        "\xE2\x80\x8D",   // U+200B..D
                                        "\xE2\x81\xA0",   // U+2060
                                        "\xEF\xBB\xBF"};  // U+FEFF
  std::string out;
  for (std::size_t i = 0; i < h.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(h[i]);
    if (c == ' ' || c == '\t') continue;
    bool unseen = false;
    for (const char* u : kUnseen) {
      std::size_t n = std::char_traits<char>::length(u);
      if (h.compare(i, n, u) == 0) {
        i += n - 1;
        unseen = true;
        break;
      }
    }
    if (unseen) continue;
    // U+FF10..U+FF19: EF BC 90..99
    if (c == 0xEF && i + 2 < h.size() && static_cast<unsigned char>(h[i + 1]) == 0xBC &&
        static_cast<unsigned char>(h[i + 2]) >= 0x90 &&
        static_cast<unsigned char>(h[i + 2]) <= 0x99) {
      out += static_cast<char>('0' + (static_cast<unsigned char>(h[i + 2]) - 0x90));
      i += 2;
      continue;
    }
    out += h[i];
  }
  return out;
}

// "欄N本文", "欄N見出し", "本文N", "見出しN" (N 1..8).
std::optional<Target> byName(const std::string& n) {
  const std::string kSection = "欄", kBody = "本文", kTitle = "見出し";
  auto digit = [&](std::size_t at) -> int {
    return at < n.size() && n[at] >= '1' && n[at] <= '8' ? n[at] - '0' : 0;
  };
  if (n.compare(0, kSection.size(), kSection) == 0) {
    int s = digit(kSection.size());
    std::string rest = n.substr(kSection.size() + (s ? 1 : 0));
    if (s && rest == kBody) return Target{s, false};
    if (s && rest == kTitle) return Target{s, true};
    return std::nullopt;
  }
  for (const auto& [word, title] : {std::pair{kBody, false}, std::pair{kTitle, true}}) {
    if (n.size() == word.size() + 1 && n.compare(0, word.size(), word) == 0) {
      if (int s = digit(word.size())) return Target{s, title};
    }
  }
  return std::nullopt;
}

}  // namespace

std::string columnLabel(const std::vector<std::string>& headers, std::size_t column) {
  return columnName(static_cast<int>(column) + 1) + "列「" +
         (column < headers.size() ? headers[column] : std::string()) + "」";
}

std::vector<std::optional<Target>> mapColumns(const std::vector<std::string>& headers,
                                              const std::array<std::string, 8>& titles,
                                              std::vector<std::string>* notes) {
  std::vector<std::optional<Target>> out(headers.size());
  std::vector<std::pair<Target, std::size_t>> taken;  // target, by which column
  auto take = [&](std::size_t c, Target t, bool byTitle) {
    if (!t.title && bodyIsGenerated(t.section)) return;
    auto at = std::find_if(taken.begin(), taken.end(), [&](const auto& p) { return p.first == t; });
    if (at == taken.end()) {
      taken.push_back({t, c});
      out[c] = t;
    } else if (notes) {
      notes->push_back(columnLabel(headers, c) +
                       (byTitle ? "は欄" + std::to_string(t.section) + "の見出しと同じ名前ですが、"
                                : "も" + targetName(t) + "を指していますが、") +
                       targetName(t) + "には" + columnLabel(headers, at->second) + "を入れます。");
    }
  };
  // Names first: a column headed 「欄1 本文」 is meant more surely than one equal to a title.
  for (std::size_t c = 0; c < headers.size(); ++c) {
    if (auto t = byName(normalised(headers[c]))) take(c, *t, false);
  }
  for (std::size_t c = 0; c < headers.size(); ++c) {
    std::string n = normalised(headers[c]);
    if (out[c] || n.empty() || byName(n)) continue;
    for (int s = 1; s <= 8; ++s) {
      if (!bodyIsGenerated(s) && n == normalised(titles[static_cast<std::size_t>(s - 1)])) {
        take(c, Target{s, false}, true);
        break;
      }
    }
  }
  return out;
}

std::vector<std::string> headerNotes(const std::vector<std::string>& headers,
                                     const std::string& added) {
  std::vector<std::string> notes;
  for (std::size_t c = 0; c < headers.size(); ++c) {
    if (headers[c].empty()) continue;
    auto first = std::find(headers.begin(), headers.end(), headers[c]) - headers.begin();
    if (static_cast<std::size_t>(first) != c) {
      notes.push_back("見出し「" + headers[c] + "」の列が2つあります（" +
                      columnName(static_cast<int>(first) + 1) + "列と" +
                      columnName(static_cast<int>(c) + 1) + "列）。見出しで選ぶと" +
                      columnName(static_cast<int>(first) + 1) + "列になります。");
    }
  }
  if (!added.empty() && std::find(headers.begin(), headers.end(), added) != headers.end()) {
    notes.push_back(
        "追加する列の見出し「" + added +
        "」は、表にある列の見出しと同じです。区別できるように別の見出しにしてください。");
  }
  return notes;
}

std::optional<Target> targetNamed(const std::string& name) {
  return byName(normalised(name));
}

std::optional<std::size_t> defaultNameColumn(const std::vector<std::string>& headers) {
  auto at = std::find(headers.begin(), headers.end(), "管理番号");
  if (at == headers.end()) return std::nullopt;
  return static_cast<std::size_t>(at - headers.begin());
}

void keepTargetIn(std::vector<std::optional<Target>>& columns, std::size_t column) {
  if (column >= columns.size() || !columns[column]) return;
  for (std::size_t c = 0; c < columns.size(); ++c) {
    if (c != column && columns[c] == columns[column]) columns[c].reset();
  }
}

std::optional<std::size_t> findColumn(const std::vector<std::string>& headers,
                                      const std::string& name) {
  for (std::size_t c = 0; c < headers.size(); ++c) {
    if (headers[c] == name) return c;
  }
  for (std::size_t c = 0; c < headers.size(); ++c) {
    if (!name.empty() && normalised(headers[c]) == normalised(name)) return c;
  }
  std::size_t column = 0;
  for (char ch : name) {
    char up = static_cast<char>(ch >= 'a' && ch <= 'z' ? ch - 'a' + 'A' : ch);
    if (up < 'A' || up > 'Z' || column > headers.size()) return std::nullopt;
    column = column * 26 + static_cast<std::size_t>(up - 'A' + 1);
  }
  if (column == 0 || column > headers.size()) return std::nullopt;
  return column - 1;
}

std::vector<Target> mappableTargets() {
  std::vector<Target> all;
  for (int s = 1; s <= kSections; ++s) {
    all.push_back({s, true});
    if (!bodyIsGenerated(s)) all.push_back({s, false});
  }
  return all;
}

std::string targetName(const Target& t) {
  return "欄" + std::to_string(t.section) + (t.title ? " 見出し" : " 本文");
}

}  // namespace bq::batch

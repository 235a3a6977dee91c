// Listing checks: what the seller should know before copying the page into the auction site.
// Active content the site removes or refuses, text buyers cannot see, text that disappears,
// invitations to trade off the site, insecure images, and the page's size. Each finding names
// the section and line and says what to do. The rules work on texts alone (no Qt), so the
// preview window, the command line and the browser edition share them.
#pragma once

#include <string>
#include <vector>

namespace bq::checks {

enum class Kind {
  ActiveContent,
  HiddenText,
  LostText,
  OffSite,
  InsecureImage,
  RemoteFile,
  TooWide,  // wider than a phone's screen (checkPhoneWidth)
};

struct Finding {
  Kind kind;
  std::string where;     // "欄3 本文", "発送方法", "支払方法"
  int line = 0;          // 1-based line of the text box, 0 for the whole section
  std::string text;      // what is wrong and what to do
  std::string control;   // the text box it is in (empty for colours)
  bool fixable = false;  // a "<" that can be written "&lt;" (escapeStrayMarkup)
};

// One text box as the seller typed it.
struct Source {
  std::string where;
  std::string control;
  const std::string* text;
};

// The colours a section's text is drawn in, as colour codes ("RRGGBB").
struct Colours {
  std::string where;
  std::string font;
  std::string back;
};

std::vector<Finding> checkTexts(const std::vector<Source>& sources);
std::vector<Finding> checkColours(const std::vector<Colours>& colours);

// The WCAG contrast ratio of two colour codes (1 to 21); 21 when a code is not "RRGGBB".
double contrastRatio(const std::string& a, const std::string& b);

// "ページの大きさ: 12,345 文字、23,456 バイト（UTF-8）"
std::string pageSize(const std::string& page);

// "欄3 本文 2行目: …"
std::string describe(const Finding& f);

}  // namespace bq::checks

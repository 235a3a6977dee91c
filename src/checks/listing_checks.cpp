#include "checks/listing_checks.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <set>

#include "text/cp932.h"

namespace bq::checks {
namespace {

constexpr std::size_t npos = std::string::npos;

char lower(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}
bool isAlpha(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
bool isDigit(char c) {
  return c >= '0' && c <= '9';
}
bool isBlank(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

std::string lowered(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = lower(c);
  return out;
}

// The elements a browser knows; anything else after "<" is no tag to the seller's eye.
const std::set<std::string>& knownTags() {
  static const std::set<std::string> tags = {
      "a",        "abbr",    "acronym", "address",    "applet",     "area",   "article",
      "aside",    "audio",   "b",       "base",       "basefont",   "bdi",    "bdo",
      "bgsound",  "big",     "blink",   "blockquote", "body",       "br",     "button",
      "canvas",   "caption", "center",  "cite",       "code",       "col",    "colgroup",
      "dd",       "del",     "details", "dfn",        "dir",        "div",    "dl",
      "dt",       "em",      "embed",   "fieldset",   "figcaption", "figure", "font",
      "footer",   "form",    "frame",   "frameset",   "h1",         "h2",     "h3",
      "h4",       "h5",      "h6",      "head",       "header",     "hr",     "html",
      "i",        "iframe",  "img",     "input",      "ins",        "kbd",    "label",
      "legend",   "li",      "link",    "main",       "map",        "mark",   "marquee",
      "menu",     "meta",    "nav",     "nobr",       "noscript",   "object", "ol",
      "optgroup", "option",  "p",       "param",      "picture",    "pre",    "q",
      "rp",       "rt",      "ruby",    "s",          "samp",       "script", "section",
      "select",   "small",   "source",  "span",       "strike",     "strong", "style",
      "sub",      "summary", "sup",     "table",      "tbody",      "td",     "textarea",
      "tfoot",    "th",      "thead",   "time",       "title",      "tr",     "track",
      "tt",       "u",       "ul",      "var",        "video",      "wbr",    "xmp"};
  return tags;
}

// Elements whose content is not shown as text until their closing tag.
bool isRawText(const std::string& name) {
  return name == "script" || name == "style" || name == "textarea" || name == "title" ||
         name == "xmp";
}

std::string excerpt(std::string_view text, std::size_t at, std::size_t chars = 20) {
  std::string_view rest = text.substr(at);
  std::size_t end = rest.find('\n');
  rest = rest.substr(0, end);
  std::size_t cut = text::utf8Offset(rest, chars);
  std::string out(rest.substr(0, cut));
  if (cut < rest.size()) out += "…";
  return out;
}

struct Attribute {
  std::string name;  // lower case
  std::string value;
  std::size_t valueBegin = 0, valueEnd = 0;
};

// One tag from "<" to ">": its attributes, and where it ends (npos: it never closes before the
// next "<" or the end, so it swallows what follows).
struct Tag {
  std::string name;
  bool closing = false;
  std::vector<Attribute> attributes;
  std::size_t end = npos;  // just past ">"
};

// Whether the "<" at lt is followed by what a tag starts with: a letter, or "/" and a letter.
bool opensTag(std::string_view t, std::size_t lt) {
  char next = lt + 1 < t.size() ? t[lt + 1] : '\0';
  return isAlpha(next) || (next == '/' && lt + 2 < t.size() && isAlpha(t[lt + 2]));
}

// The tag name after "<" or "</" at lt, lower case; `end` receives where the name ends.
std::string tagName(std::string_view t, std::size_t lt, std::size_t& end) {
  std::size_t i = lt + 1;
  if (i < t.size() && t[i] == '/') ++i;
  std::size_t begin = i;
  while (i < t.size() && (isAlpha(t[i]) || isDigit(t[i]))) ++i;
  end = i;
  return lowered(t.substr(begin, i - begin));
}

// A "<" the seller meant as a character: it begins no comment and no tag the browser knows.
bool isStrayLessThan(std::string_view t, std::size_t lt) {
  if (t.substr(lt).rfind("<!--", 0) == 0) return false;
  std::size_t end;
  return !opensTag(t, lt) || !knownTags().count(tagName(t, lt, end));
}

Tag parseTag(std::string_view t, std::size_t lt) {
  Tag tag;
  std::size_t i;
  tag.closing = lt + 1 < t.size() && t[lt + 1] == '/';
  tag.name = tagName(t, lt, i);
  while (i < t.size()) {
    while (i < t.size() && (isBlank(t[i]) || t[i] == '/')) ++i;
    if (i >= t.size() || t[i] == '<') return tag;
    if (t[i] == '>') {
      tag.end = i + 1;
      return tag;
    }
    Attribute a;
    std::size_t b = i;
    while (i < t.size() && !isBlank(t[i]) && t[i] != '=' && t[i] != '>' && t[i] != '<') ++i;
    a.name = lowered(t.substr(b, i - b));
    while (i < t.size() && isBlank(t[i])) ++i;
    if (i < t.size() && t[i] == '=') {
      ++i;
      while (i < t.size() && isBlank(t[i])) ++i;
      if (i < t.size() && (t[i] == '"' || t[i] == '\'')) {
        char q = t[i++];
        std::size_t close = t.find(q, i);
        if (close == npos) return tag;  // an open quote runs to the end
        a.valueBegin = i;
        a.valueEnd = close;
        i = close + 1;
      } else {
        a.valueBegin = i;
        while (i < t.size() && !isBlank(t[i]) && t[i] != '>' && t[i] != '<') ++i;
        a.valueEnd = i;
      }
      a.value = std::string(t.substr(a.valueBegin, a.valueEnd - a.valueBegin));
    }
    tag.attributes.push_back(std::move(a));
  }
  return tag;
}

// "onclick", "onload", "oncut": "on" and an event's name (three letters or more).
bool isEventAttribute(const std::string& name) {
  return name.size() >= 5 && name.rfind("on", 0) == 0 &&
         std::all_of(name.begin() + 2, name.end(), isAlpha);
}

bool startsWithScript(const std::string& value) {
  std::string v;
  for (char c : value) {
    if (!isBlank(c)) v += lower(c);
  }
  return v.rfind("javascript:", 0) == 0 || v.rfind("vbscript:", 0) == 0;
}

class TextChecker {
 public:
  TextChecker(const Source& s, std::vector<Finding>& out) : s_(s), t_(*s.text), out_(out) {}

  void run() {
    std::size_t visibleEnd = scanTags();
    scanAddresses(visibleEnd);
  }

 private:
  int lineAt(std::size_t pos) {
    // Positions are asked for in increasing order within each pass.
    if (pos < lineFrom_) {
      lineFrom_ = 0;
      line_ = 1;
    }
    line_ += static_cast<int>(std::count(t_.begin() + static_cast<std::ptrdiff_t>(lineFrom_),
                                         t_.begin() + static_cast<std::ptrdiff_t>(pos), '\n'));
    lineFrom_ = pos;
    return line_;
  }
  void add(Kind k, std::size_t at, std::string text, bool fixable = false) {
    out_.push_back({k, s_.where, lineAt(at), std::move(text), s_.control, fixable});
  }

  // Returns where the visible text ends (the end, or where something swallows the rest).
  std::size_t scanTags() {
    std::size_t i = 0;
    while ((i = t_.find('<', i)) != npos) {
      std::string_view rest = std::string_view(t_).substr(i);
      if (rest.rfind("<!--", 0) == 0) {
        std::size_t close = t_.find("-->", i + 4);
        if (close == npos) {
          add(Kind::LostText, i,
              "「<!--」が「-->」で閉じていないため、後ろの文字がすべて表示されません。"
              "「-->」を補うか「<!--」を消してください。");
          return i;
        }
        i = close + 3;
        continue;
      }
      if (isStrayLessThan(t_, i)) {
        add(Kind::LostText, i,
            "「" + excerpt(t_, i) +
                "」の「<」はタグの始まりとして扱われ、文字が表示されないことがあります。"
                "「&lt;」と書いてください（書き換えできます）。",
            true);
        ++i;
        continue;
      }
      Tag tag = parseTag(t_, i);
      if (tag.end == npos) {
        add(Kind::LostText, i,
            "「" + excerpt(t_, i) +
                "」が「>」で閉じていないため、後ろの文字が表示されません。「>」を補ってください。");
        i += 1;
        continue;
      }
      if (!tag.closing) checkTag(tag, i);
      i = tag.end;
      if (!tag.closing && isRawText(tag.name)) {
        std::size_t close = lowered(std::string_view(t_).substr(i)).find("</" + tag.name);
        if (close == npos) {
          add(Kind::LostText, i,
              "「<" + tag.name + ">」に「</" + tag.name +
                  ">」がないため、後ろの文字がすべて表示されません。閉じるタグを補ってください。");
          return i;
        }
        i += close;
      }
    }
    return t_.size();
  }

  void checkTag(const Tag& tag, std::size_t at) {
    static const std::set<std::string> active = {"script", "iframe", "frame",  "frameset",
                                                 "object", "embed",  "applet", "form"};
    if (active.count(tag.name)) {
      std::string what = tag.name == "script" ? "スクリプト（<script>）"
                         : tag.name == "form" ? "フォーム（<form>）"
                                              : "埋め込み（<" + tag.name + ">）";
      add(Kind::ActiveContent, at,
          what +
              "はオークションサイトで削除されるか、出品できない原因になります。取り除いて"
              "ください。");
    }
    for (const Attribute& a : tag.attributes) {
      if (isEventAttribute(a.name)) {
        add(Kind::ActiveContent, at,
            "イベント属性「" + a.name +
                "=」はオークションサイトで削除されるか、出品できない原因になります。取り除いて"
                "ください。");
      }
      if (startsWithScript(a.value)) {
        add(Kind::ActiveContent, at,
            "「" + excerpt(a.value, 0) + "」はスクリプトのリンクです。取り除いてください。");
      }
      if (tag.name == "meta" && a.name == "http-equiv" && lowered(a.value) == "refresh") {
        add(Kind::ActiveContent, at,
            "自動で別のページに移る指定（meta refresh）は使えません。取り除いてください。");
      }
      if (tag.name == "img" && a.name == "src") {
        imageSources_.emplace_back(a.valueBegin, a.valueEnd);
        if (lowered(a.value).rfind("http://", 0) == 0) {
          add(Kind::InsecureImage, at,
              "画像「" + excerpt(a.value, 0, 40) +
                  "」が http で読み込まれ、安全なページでは表示されないことがあります。https の"
                  "アドレスにしてください。");
        }
      }
    }
  }

  // The sources were found in order and do not overlap.
  bool inImageSource(std::size_t pos) const {
    auto after = std::upper_bound(imageSources_.begin(), imageSources_.end(), pos,
                                  [](std::size_t p, const auto& r) { return p < r.first; });
    return after != imageSources_.begin() && pos < std::prev(after)->second;
  }

  void scanAddresses(std::size_t end) {
    std::string low = lowered(std::string_view(t_).substr(0, end));
    auto urlChar = [](char c) {
      return !isBlank(c) && c != '"' && c != '\'' && c != '<' && c != '>' &&
             static_cast<unsigned char>(c) < 0x80;
    };
    for (std::size_t i = 0; i < low.size(); ++i) {
      bool web = low.compare(i, 7, "http://") == 0 || low.compare(i, 8, "https://") == 0 ||
                 (low.compare(i, 4, "www.") == 0 && (i == 0 || !urlChar(low[i - 1])));
      if (web && !inImageSource(i)) {
        std::size_t e = i;
        while (e < low.size() && urlChar(low[e])) ++e;
        add(Kind::OffSite, i,
            "ウェブアドレス「" + t_.substr(i, std::min<std::size_t>(e - i, 60)) +
                "」があります。サイトの外での取引に誘うことは規約違反です。取り除いてください。");
        i = e;
        continue;
      }
      if (low[i] == '@') i = checkMail(low, i);
    }
  }

  std::size_t checkMail(const std::string& low, std::size_t at) {
    auto local = [](char c) {
      return isAlpha(c) || isDigit(c) || c == '.' || c == '_' || c == '%' || c == '+' || c == '-';
    };
    auto domain = [](char c) { return isAlpha(c) || isDigit(c) || c == '.' || c == '-'; };
    std::size_t b = at;
    while (b > 0 && local(low[b - 1])) --b;
    std::size_t e = at + 1;
    while (e < low.size() && domain(low[e])) ++e;
    std::string_view host = std::string_view(low).substr(at + 1, e - at - 1);
    std::size_t dot = host.rfind('.');
    bool mail = b < at && dot != npos && dot > 0 && host.size() - dot > 2 &&
                isAlpha(host[dot + 1]) && !inImageSource(at);
    if (mail) {
      add(Kind::OffSite, b,
          "メールアドレス「" + t_.substr(b, e - b) +
              "」があります。サイトの外での取引に誘うことは規約違反です。取り除いてください。");
    }
    return e > at ? e - 1 : at;
  }

  const Source& s_;
  const std::string& t_;
  std::vector<Finding>& out_;
  std::vector<std::pair<std::size_t, std::size_t>> imageSources_;
  std::size_t lineFrom_ = 0;
  int line_ = 1;
};

double luminance(const std::string& code) {
  auto channel = [&](std::size_t at) {
    double v = std::stoi(code.substr(at, 2), nullptr, 16) / 255.0;
    return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
  };
  return 0.2126 * channel(0) + 0.7152 * channel(2) + 0.0722 * channel(4);
}

bool isColourCode(const std::string& code) {
  return code.size() == 6 && std::all_of(code.begin(), code.end(), [](char c) {
           return isDigit(c) || (lower(c) >= 'a' && lower(c) <= 'f');
         });
}

std::string withSeparators(std::size_t n) {
  std::string digits = std::to_string(n);
  for (int i = static_cast<int>(digits.size()) - 3; i > 0; i -= 3) {
    digits.insert(static_cast<std::size_t>(i), ",");
  }
  return digits;
}

}  // namespace

double contrastRatio(const std::string& a, const std::string& b) {
  if (!isColourCode(a) || !isColourCode(b)) return 21;
  double la = luminance(a), lb = luminance(b);
  return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

std::vector<Finding> checkTexts(const std::vector<Source>& sources) {
  std::vector<Finding> out;
  for (const Source& s : sources) {
    std::size_t first = out.size();
    TextChecker(s, out).run();
    // Each text's findings in the order of its lines.
    std::stable_sort(out.begin() + static_cast<std::ptrdiff_t>(first), out.end(),
                     [](const Finding& a, const Finding& b) { return a.line < b.line; });
  }
  return out;
}

std::vector<Finding> checkColours(const std::vector<Colours>& colours) {
  std::vector<Finding> out;
  for (const Colours& c : colours) {
    double ratio = contrastRatio(c.font, c.back);
    if (ratio >= 1.5) continue;
    char shown[16];
    std::snprintf(shown, sizeof shown, "%.2f", ratio);
    out.push_back({Kind::HiddenText,
                   c.where,
                   0,
                   "文字の色（#" + c.font + "）と背景の色（#" + c.back +
                       "）がほとんど同じで（コントラスト比 " + shown +
                       "）、購入者には文字が見えません。隠れた文字は出品が削除される理由にも"
                       "なります。色を変えてください。",
                   {}});
  }
  return out;
}

std::string escapeStrayLessThan(const std::string& text) {
  std::string out;
  out.reserve(text.size() + 16);
  std::size_t i = 0;
  while (i < text.size()) {
    std::size_t lt = text.find('<', i);
    if (lt == npos) break;
    out.append(text, i, lt - i);
    out += isStrayLessThan(text, lt) ? "&lt;" : "<";
    i = lt + 1;
  }
  out.append(text, i, npos);
  return out;
}

std::string pageSize(const std::string& page) {
  return "ページの大きさ: " + withSeparators(text::utf8Length(page)) + " 文字、" +
         withSeparators(page.size()) + " バイト（UTF-8）";
}

std::string describe(const Finding& f) {
  std::string where = f.where;
  if (f.line > 0) where += " " + std::to_string(f.line) + "行目";
  return where + ": " + f.text;
}

}  // namespace bq::checks

#include "checks/listing_checks.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <set>
#include <type_traits>

#include "markup/markup_reader.h"
#include "text/ascii.h"
#include "text/cp932.h"

namespace bq::checks {

using namespace markup;  // the tokenizer these checks read pages with
namespace {

constexpr std::size_t npos = std::string::npos;

using namespace text::ascii;

std::string lowered(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = lower(c);
  return out;
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

// Up to `chars` characters of the line from `at`; never reads further than it shows.
std::string excerpt(std::string_view text, std::size_t at, std::size_t chars = 20) {
  std::string_view rest = text.substr(at, chars * 4 + 4);
  rest = rest.substr(0, rest.find('\n'));
  std::size_t cut = text::utf8Offset(rest, chars);
  std::string out(rest.substr(0, cut));
  // The line goes on beyond what is shown.
  if (at + cut < text.size() && text[at + cut] != '\n') out += "…";
  return out;
}

// Findings of one kind beyond the first few are only counted: a page of a million "<x>" is one
// line to read, not a million.
constexpr int kShownPerKind = 5;
constexpr int kKinds = 7;

struct Collector {
  std::vector<Finding> findings;
  int counts[kKinds] = {};
  bool moreFixable[kKinds] = {};

  bool wants(Kind k, bool fixable) {
    int i = static_cast<int>(k);
    if (++counts[i] <= kShownPerKind) return true;
    moreFixable[i] = moreFixable[i] || fixable;
    return false;
  }
  void addCounts() {
    for (int i = 0; i < kKinds; ++i) {
      if (counts[i] <= kShownPerKind) continue;
      findings.push_back({static_cast<Kind>(i),
                          "ほか",
                          0,
                          "同じ種類の問題がほかに " + std::to_string(counts[i] - kShownPerKind) +
                              " 件あります（最初の " + std::to_string(kShownPerKind) +
                              " 件だけを示しています）。",
                          {},
                          moreFixable[i]});
    }
  }
};

class TextChecker {
 public:
  TextChecker(const Source& s, Collector& out) : s_(s), t_(*s.text), reader_(t_), out_(out) {}

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
  // `text` is the message, or what makes it: a finding beyond the first few of its kind is only
  // counted, and its message never made.
  template <typename Text>
  void add(Kind k, std::size_t at, Text&& text, bool fixable = false) {
    if (!out_.wants(k, fixable)) return;
    std::string message;
    if constexpr (std::is_invocable_v<Text>) {
      message = text();
    } else {
      message = std::forward<Text>(text);
    }
    out_.findings.push_back({k, s_.where, lineAt(at), std::move(message), s_.control, fixable});
  }

  // Returns where the visible text ends (the end, or where something swallows the rest).
  std::size_t scanTags() {
    std::size_t i = 0;
    while ((i = t_.find('<', i)) != npos) {
      Markup m = reader_.read(i);
      switch (m.kind) {
        case Markup::Text:
          ++i;
          continue;
        case Markup::Stray:
          strayMarkup(m);
          if (!m.closed) return i;
          i = m.end;
          continue;
        case Markup::Comment:
          if (!m.closed) {
            add(Kind::LostText, i,
                "「<!--」が「-->」で閉じていないため、後ろの文字がすべて表示されません。"
                "「-->」を補うか「<!--」を消してください。");
            return i;
          }
          i = m.end;
          continue;
        case Markup::Element:
          break;
      }
      if (!m.closing) checkTag(m, i);
      i = m.end;
      if (!m.closing && isRawTextElement(m.name)) {
        std::size_t close = m.name == "plaintext" ? npos : rawTextEnd(t_, i, m.name);
        if (close == npos) {
          add(Kind::LostText, i,
              "「<" + m.name + ">」に「</" + m.name +
                  ">」がないため、後ろの文字がすべて表示されません。閉じるタグを補ってください。");
          return i;
        }
        if (m.name == "style") scanStyle(i, close);
        i = close;
      }
    }
    return t_.size();
  }

  // An address a style fetches from (url(…), @import "…"): a font or a picture from another
  // site, which the auction site may drop.
  void scanStyle(std::size_t from, std::size_t to) {
    std::string low = lowered(std::string_view(t_).substr(from, to - from));
    for (std::size_t i = 0; (i = low.find_first_of("u@", i)) != npos; ++i) {
      std::size_t at = npos;
      if (low.compare(i, 4, "url(") == 0) at = i + 4;
      if (low.compare(i, 7, "@import") == 0) at = i + 7;
      if (at == npos) continue;
      while (at < low.size() && (isBlank(low[at]) || low[at] == '"' || low[at] == '\'')) ++at;
      if (!remote(std::string_view(low).substr(at))) continue;
      std::size_t end = at;
      while (end < low.size() && !isBlank(low[end]) && low[end] != ')' && low[end] != '"' &&
             low[end] != '\'' && low[end] != ';') {
        ++end;
      }
      remoteFile(from + i, from + at, from + end, "スタイルが外部のファイル（フォントや画像）");
      i = end;
    }
  }

  static bool remote(std::string_view low) {
    return low.rfind("http://", 0) == 0 || low.rfind("https://", 0) == 0 || low.rfind("//", 0) == 0;
  }

  // A file the page fetches from elsewhere when shown: named, and its address is no off-site
  // address of its own.
  void remoteFile(std::size_t at, std::size_t begin, std::size_t end, const std::string& what) {
    fetched_.emplace_back(begin, end);
    std::string address = t_.substr(begin, end - begin);
    bool plain = lowered(address).rfind("http://", 0) == 0;
    add(Kind::RemoteFile, at, [&] {
      return what + "「" + excerpt(address, 0, 40) +
             "」を読み込みます。オークションサイトでは削除されるか、読み込まれないことがあります" +
             (plain ? "（http のアドレスは安全なページでは読み込まれません）" : "") +
             "。説明の中の文字と画像で表してください。";
    });
  }

  // Markup nobody meant: what the browser takes from "<" on is typed text that disappears.
  void strayMarkup(const Markup& m) {
    add(
        Kind::LostText, m.begin,
        [&] {
          std::string taken = excerpt(std::string_view(t_).substr(0, m.end), m.begin);
          std::string where =
              m.closed ? "「" + taken + "」はタグとして読まれ、表示されません。"
                       : "「" + taken + "」が「>」で閉じていないため、後ろの文字も表示されません。";
          std::string text =
              "文字として見せるには「<」を「&lt;」と書いてください（書き換えできます）。";
          std::string advice = m.neverClosed
                                   ? "タグのつもりなら「</" + m.name + ">」で閉じ、" + text
                               : m.knownName && !m.closed ? "タグのつもりなら「>」を補い、" + text
                               : m.knownName && !m.closing ? "タグのつもりなら属性を確かめ、" + text
                                                           : text;
          return where + advice;
        },
        true);
  }

  void checkTag(const Markup& tag, std::size_t at) {
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
    for (const MarkupAttribute& a : tag.attributes) {
      std::string value = t_.substr(a.valueBegin, a.valueEnd - a.valueBegin);
      if (isEventAttribute(a.name)) {
        add(Kind::ActiveContent, at,
            "イベント属性「" + a.name +
                "=」はオークションサイトで削除されるか、出品できない原因になります。取り除いて"
                "ください。");
      }
      if (startsWithScript(value)) {
        add(Kind::ActiveContent, at,
            "「" + excerpt(value, 0) + "」はスクリプトのリンクです。取り除いてください。");
      }
      if (tag.name == "meta" && a.name == "http-equiv" && lowered(value) == "refresh") {
        add(Kind::ActiveContent, at,
            "自動で別のページに移る指定（meta refresh）は使えません。取り除いてください。");
      }
      bool media =
          tag.name == "video" || tag.name == "audio" || tag.name == "source" || tag.name == "track";
      if (remote(lowered(value)) && ((tag.name == "link" && a.name == "href") ||
                                     (media && (a.name == "src" || a.name == "poster")))) {
        remoteFile(at, a.valueBegin, a.valueEnd,
                   tag.name == "link" ? "外部のファイル（<link>：スタイルシートやフォント）"
                                      : "外部の動画・音声（<" + tag.name + ">）");
      }
      if (a.name == "style") scanStyle(a.valueBegin, a.valueEnd);
      if (tag.name == "img" && a.name == "src") {
        fetched_.emplace_back(a.valueBegin, a.valueEnd);
        if (lowered(value).rfind("http://", 0) == 0) {
          add(Kind::InsecureImage, at,
              "画像「" + excerpt(value, 0, 40) +
                  "」が http で読み込まれ、安全なページでは表示されないことがあります。https の"
                  "アドレスにしてください。");
        }
      }
    }
  }

  // The sources were found in order and do not overlap.
  bool inFetchedAddress(std::size_t pos) const {
    auto after = std::upper_bound(fetched_.begin(), fetched_.end(), pos,
                                  [](std::size_t p, const auto& r) { return p < r.first; });
    return after != fetched_.begin() && pos < std::prev(after)->second;
  }

  void scanAddresses(std::size_t end) {
    std::string low = lowered(std::string_view(t_).substr(0, end));
    auto urlChar = [](char c) {
      return !isBlank(c) && c != '"' && c != '\'' && c != '<' && c != '>' &&
             static_cast<unsigned char>(c) < 0x80;
    };
    for (std::size_t i = 0; i < low.size(); ++i) {
      if (low[i] == '@') {
        i = checkMail(low, i);
        continue;
      }
      if (low[i] != 'h' && low[i] != 'w') continue;  // the only letters an address starts with
      bool web = low.compare(i, 7, "http://") == 0 || low.compare(i, 8, "https://") == 0 ||
                 (low.compare(i, 4, "www.") == 0 && (i == 0 || !urlChar(low[i - 1])));
      if (web && !inFetchedAddress(i)) {
        std::size_t e = i;
        while (e < low.size() && urlChar(low[e])) ++e;
        add(Kind::OffSite, i,
            "ウェブアドレス「" + t_.substr(i, std::min<std::size_t>(e - i, 60)) +
                "」があります。サイトの外での取引に誘うことは規約違反です。取り除いてください。");
        i = e;
        continue;
      }
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
                isAlpha(host[dot + 1]) && !inFetchedAddress(at);
    if (mail) {
      add(Kind::OffSite, b,
          "メールアドレス「" + t_.substr(b, e - b) +
              "」があります。サイトの外での取引に誘うことは規約違反です。取り除いてください。");
    }
    return e > at ? e - 1 : at;
  }

  const Source& s_;
  const std::string& t_;
  MarkupReader reader_;
  Collector& out_;
  std::vector<std::pair<std::size_t, std::size_t>> fetched_;
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
  Collector out;
  for (const Source& s : sources) {
    std::size_t first = out.findings.size();
    TextChecker(s, out).run();
    // Each text's findings in the order of its lines.
    std::stable_sort(out.findings.begin() + static_cast<std::ptrdiff_t>(first), out.findings.end(),
                     [](const Finding& a, const Finding& b) { return a.line < b.line; });
  }
  out.addCounts();
  return std::move(out.findings);
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

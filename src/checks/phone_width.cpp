#include "checks/phone_width.h"

#include <algorithm>
#include <cmath>

#include "checks/markup_reader.h"
#include "text/ascii.h"
#include "text/cp932.h"

namespace bq::checks {
namespace {

using namespace text::ascii;

constexpr const char* kTooWide = "スマートフォンの画面（幅375）より広くなります。";
constexpr const char* kFitAdvice = "表の設定で「画面の幅に合わせる」をオンにするか、";
// What the page's own margin leaves of the screen (the body's 8 px on the left).
constexpr int kPageMargin = 8;
// A title or a name that may not wrap keeps its line up to this share of the screen when fitted.
constexpr double kFittedNameShare = 0.4;

// Widths in CSS px as the CJK sans fonts draw them, a little on the wide side: at the edge the
// check says "too wide" of a page that fits rather than "fits" of one a phone cuts.
double charWidth(char32_t c, int px) {
  if (c == ' ' || c == 0xA0) return 0.3 * px;
  if (c < 0x80) return 0.62 * px;
  if (c >= 0xFF61 && c <= 0xFF9F) return 0.55 * px;  // half-width katakana
  return 1.0 * px;
}

// Characters a line may not start with: they stay with the one before.
bool staysWithPrevious(char32_t c) {
  static const std::u32string kinsoku =
      U"、。，．・：；？！ー）」』】〕〉》’”ぁぃぅぇぉっゃゅょゎァィゥェォッャュョヮヵヶ";
  return kinsoku.find(c) != std::u32string::npos;
}

bool breaksAround(char32_t c) {
  return c >= 0x2E80 && !(c >= 0xFF01 && c <= 0xFF5E && c != 0xFF0C && c != 0xFF0E);
}

int number(std::string_view v) {
  std::size_t k = 0;
  while (k < v.size() && isBlank(v[k])) ++k;
  long n = 0;
  std::size_t digits = k;
  while (k < v.size() && isDigit(v[k]) && n < 100000) n = n * 10 + (v[k++] - '0');
  if (k == digits) return 0;
  // "600", "600px"; a percentage or another unit follows the screen or the text.
  std::string_view unit = v.substr(k);
  while (!unit.empty() && isBlank(unit.back())) unit.remove_suffix(1);
  return unit.empty() || unit == "px" ? static_cast<int>(n) : 0;
}

// The pixels a style gives after "name:" (width, min-width), or 0.
int styleWidth(std::string_view style, std::string_view name) {
  std::string low;
  for (char c : style) low += lower(c);
  for (std::size_t at = low.find(name); at != std::string::npos; at = low.find(name, at + 1)) {
    bool starts = at == 0 || low[at - 1] == ';' || isBlank(low[at - 1]);
    std::size_t colon = at + name.size();
    while (colon < low.size() && isBlank(low[colon])) ++colon;
    if (!starts || colon >= low.size() || low[colon] != ':') continue;
    std::size_t end = low.find(';', colon);
    return number(
        std::string_view(low).substr(colon + 1, end == std::string::npos ? end : end - colon - 1));
  }
  return 0;
}

// The widest things in one text that do not break, as a browser lays them out.
struct Widest {
  double word = 0, line = 0;  // an unbreakable run; a whole line (what nowrap keeps)
  std::size_t wordAt = 0, lineAt = 0;
  int picture = 0, element = 0;  // a picture's width, another element's fixed width
  std::size_t pictureAt = 0, elementAt = 0;
  std::string elementName;
};

Widest measure(std::string_view t, int px, bool fitted) {
  Widest w;
  MarkupReader reader(t);
  double run = 0, line = 0;
  std::size_t runFrom = 0, lineFrom = 0;
  auto endRun = [&] {
    if (run > w.word) w.word = run, w.wordAt = runFrom;
    run = 0;
  };
  auto endLine = [&] {
    endRun();
    if (line > w.line) w.line = line, w.lineAt = lineFrom;
    line = 0;
  };
  std::size_t i = 0;
  while (i < t.size()) {
    if (t[i] == '<') {
      Markup m = reader.read(i);
      if (m.kind != Markup::Text) {
        if (m.kind == Markup::Element || m.kind == Markup::Stray) {
          static const char* blocks[] = {"br", "p",  "div", "tr", "li",        "table",
                                         "hr", "h1", "h2",  "h3", "h4",        "ul",
                                         "ol", "dl", "dt",  "dd", "blockquote"};
          if (std::find(std::begin(blocks), std::end(blocks), m.name) != std::end(blocks)) {
            endLine();
            lineFrom = m.end;
          }
          int attr = 0, style = 0, minimum = 0;
          for (const MarkupAttribute& a : m.attributes) {
            std::string_view v = t.substr(a.valueBegin, a.valueEnd - a.valueBegin);
            if (a.name == "width" && !attr) attr = number(v);
            if (a.name == "style") {
              style = styleWidth(v, "width");
              minimum = styleWidth(v, "min-width");
            }
          }
          static const char* sized[] = {"table",  "td",    "th",     "hr",    "col",   "colgroup",
                                        "iframe", "video", "canvas", "embed", "object"};
          bool hasWidthAttribute =
              std::find(std::begin(sized), std::end(sized), m.name) != std::end(sized);
          if (!m.closing && m.name == "img") {
            // A fitted page keeps pictures within the screen; only a minimum of their own stays.
            int width = fitted ? minimum : std::max({style ? style : attr, minimum});
            if (width > w.picture) w.picture = width, w.pictureAt = i;
          } else if (!m.closing) {
            int width = std::max((style ? style : (hasWidthAttribute ? attr : 0)), minimum);
            if (width > w.element) w.element = width, w.elementAt = i, w.elementName = m.name;
          }
        }
        std::size_t next = m.closed ? m.end : t.size();
        if (!m.closing && m.kind == Markup::Element && isRawTextElement(m.name)) {
          std::size_t close = rawTextEnd(t, next, m.name);
          next = close == std::string_view::npos ? t.size() : close;
        }
        i = next;
        continue;
      }
    }
    std::size_t at = i;
    char32_t c;
    if (t[i] == '&' && i + 1 < t.size() && (isAlpha(t[i + 1]) || t[i + 1] == '#')) {
      std::size_t semi = i + 1;
      while (semi < t.size() && semi - i < 12 &&
             (isAlpha(t[semi]) || isDigit(t[semi]) || t[semi] == '#'))
        ++semi;
      c = 'x';
      i = semi < t.size() && t[semi] == ';' ? semi + 1 : i + 1;
    } else {
      c = text::nextUtf8Char(t, i);
    }
    if (c == ' ' || c == '\t' || c == '\n' || c == '\r') {
      endRun();
      line += charWidth(' ', px);
      continue;
    }
    double cw = charWidth(c, px);
    if (fitted) {
      // overflow-wrap:anywhere: any character may end a line.
      endRun();
      runFrom = at;
    } else if (breaksAround(c) && !staysWithPrevious(c)) {
      endRun();
      runFrom = at;
    } else if (run == 0) {
      runFrom = at;
    }
    run += cw;
    line += cw;
    if (fitted || (breaksAround(c) && i < t.size())) {
      // A line may break after it, unless the next stays with it.
      std::size_t peek = i;
      if (peek >= t.size() || !staysWithPrevious(text::nextUtf8Char(t, peek))) endRun();
    }
  }
  endLine();
  return w;
}

int lineOf(std::string_view t, std::size_t at) {
  return 1 + static_cast<int>(std::count(
                 t.begin(), t.begin() + static_cast<std::ptrdiff_t>(std::min(at, t.size())), '\n'));
}

std::string quote(std::string_view t, std::size_t at) {
  std::string_view rest = t.substr(at, 24 * 4);
  rest = rest.substr(0, rest.find_first_of("\r\n<"));
  std::size_t cut = text::utf8Offset(rest, 20);
  return std::string(rest.substr(0, cut)) + (cut < rest.size() ? "…" : "");
}

// One thing in a column that needs room, and what to say of it.
struct Need {
  double width = 0;  // the column's minimum because of it, padding included
  bool title = false;
  Finding finding;
};

}  // namespace

int fontSizePx(const std::string& size) {
  static const int px[] = {10, 13, 16, 18, 24, 32, 48};
  int n = size.size() == 1 && size[0] >= '1' && size[0] <= '7' ? size[0] - '0' : 2;
  return px[n - 1];
}

std::vector<Finding> checkPhoneWidth(const std::vector<Source>& sources, const PhoneLayout& page) {
  const double pad = 2.0 * page.cellPadding;
  const double nameCap = kFittedNameShare * kPhoneWidth;
  std::vector<Need> needs;
  auto need = [&](double width, bool title, const Source& s, std::size_t at, std::string text) {
    needs.push_back({width,
                     title,
                     {Kind::TooWide, s.where, at == std::string::npos ? 0 : lineOf(*s.text, at),
                      kTooWide + std::move(text), s.control}});
  };
  auto contents = [&](const PhoneCell& cell, double extra, bool title, bool mayNotWrap,
                      const char* what) {
    const Source& s = sources.at(cell.source);
    Widest w = measure(*s.text, cell.fontPx, page.fitted);
    std::string n;
    if (mayNotWrap && w.line > 0) {
      double line = page.fitted ? std::min(w.line, nameCap) : w.line;
      need(line + extra, title, s, w.lineAt,
           std::string(what) + "「" + quote(*s.text, w.lineAt) + "」は折り返さないため、幅が約 " +
               std::to_string(static_cast<int>(std::ceil(w.line))) + " になります。" + kFitAdvice +
               "短くしてください。");
    } else if (w.word > 0) {
      need(w.word + extra, title, s, w.wordAt,
           "「" + quote(*s.text, w.wordAt) + "」は途中で折り返せない長い語やアドレスで、幅が約 " +
               std::to_string(static_cast<int>(std::ceil(w.word))) + " になります。" + kFitAdvice +
               "空白で区切ってください。");
    }
    if (w.picture > 0) {
      need(w.picture + extra, title, s, w.pictureAt,
           "画像の幅（" + std::to_string(w.picture) + "）が画面に収まりません。" + kFitAdvice +
               "画像の幅を小さくしてください。");
    }
    if (w.element > 0) {
      need(w.element + extra, title, s, w.elementAt,
           "<" + w.elementName + "> の幅の指定（" + std::to_string(w.element) +
               "）が画面に収まりません。幅を小さくするか、指定を外してください。");
    }
  };
  for (const PhoneSection& sec : page.sections) {
    contents(sec.title, pad, true, true, "見出し");
    for (const PhoneCell& c : sec.body) contents(c, pad, false, false, "");
    // The shipping table's two columns side by side in the body, each cell with a padding of
    // 4 and lines of 1 around them.
    std::size_t names = needs.size();
    for (const PhoneCell& c : sec.shippingNames) contents(c, 0, false, true, "発送方法の名前");
    std::size_t prices = needs.size();
    for (const PhoneCell& c : sec.shippingPrices) contents(c, 0, false, false, "");
    double widestName = 13, widestPrice = 13;
    for (std::size_t k = names; k < needs.size(); ++k) {
      double& widest = k < prices ? widestName : widestPrice;
      widest = std::max(widest, needs[k].width);
    }
    constexpr double kShippingLines = 4 * 4 + 3;
    for (std::size_t k = names; k < needs.size(); ++k) {
      needs[k].width += pad + kShippingLines + (k < prices ? widestPrice : widestName);
    }
  }

  // The table: as wide as set (fitted: as the screen, at most as set), and at least the sum of
  // its two columns' widest needs and the lines between them.
  const double screenRoom = kPhoneWidth - 2 * kPageMargin;
  const double base = page.fitted ? std::min<double>(screenRoom, page.tableWidth) : page.tableWidth;
  const double lines = 3.0 * page.cellSpacing;
  const double least = pad + 13;  // a column holding one character
  double titles = least, bodies = least;
  for (const Need& n : needs)
    (n.title ? titles : bodies) = std::max(n.title ? titles : bodies, n.width);
  const double room = kPhoneWidth - kPageMargin;
  if (std::max(base, lines + titles + bodies) <= room) return {};

  std::vector<Finding> out;
  if (!page.fitted && page.tableWidth > room) {
    out.push_back({Kind::TooWide, "表の設定", 0,
                   std::string(kTooWide) + "表の横幅が " + std::to_string(page.tableWidth) +
                       " です。表の設定で「画面の幅に合わせる」をオンにしてください（パソコンでは"
                       "今と同じ幅で表示されます）。",
                   "txtWidth"});
  }
  // What is too wide by itself; else the widest, which together with the other column is.
  const Need* widest = nullptr;
  for (const Need& n : needs) {
    if (!widest || n.width > widest->width) widest = &n;
    if (lines + n.width + least > room) out.push_back(n.finding);
  }
  if (out.empty() && widest) out.push_back(widest->finding);
  return out;
}

}  // namespace bq::checks

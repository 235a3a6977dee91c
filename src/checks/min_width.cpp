#include "checks/min_width.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <vector>

#include "markup/markup_reader.h"
#include "text/ascii.h"
#include "text/cp932.h"

namespace bq::checks {

using namespace markup;  // the tokenizer these checks read pages with
namespace {

using namespace text::ascii;
using Reason = WidthReason;
using Width = MinWidth;

// Widths in CSS px as the CJK sans fonts draw them, a little on the wide side: at the edge the
// check says "too wide" of a page that fits rather than "fits" of one a phone cuts.
double charWidth(char32_t c, double px) {
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

std::string lowered(std::string_view v) {
  std::string low;
  for (char c : v) low += lower(c);
  return low;
}

std::string_view trimmed(std::string_view v) {
  while (!v.empty() && isBlank(v.front())) v.remove_prefix(1);
  while (!v.empty() && isBlank(v.back())) v.remove_suffix(1);
  return v;
}

// A length as an attribute or a style writes it.
struct Length {
  double px = 0;       // in CSS px, when absolute or relative to the font
  double percent = 0;  // of the box it is in
  bool set = false;
  std::string written;
};

Length length(std::string_view v, double fontPx, bool attribute) {
  v = trimmed(v);
  Length l;
  std::size_t k = 0;
  double n = 0, scale = 1;
  bool digits = false, point = false;
  for (; k < v.size() && k < 12; ++k) {
    if (isDigit(v[k])) {
      digits = true;
      if (point) scale /= 10;
      n = n * 10 + (v[k] - '0');
    } else if (v[k] == '.' && !point) {
      point = true;
    } else {
      break;
    }
  }
  if (!digits) return l;
  n *= scale;
  std::string unit = lowered(trimmed(v.substr(k)));
  l.written = std::string(v.substr(0, std::min<std::size_t>(v.size(), 16)));
  l.set = true;
  if (unit.empty() || unit == "px") {
    l.px = n;
  } else if (unit == "%") {
    l.percent = n;
  } else if (unit == "em") {
    l.px = n * fontPx;
  } else if (unit == "rem") {
    l.px = n * 16;
  } else if (unit == "pt") {
    l.px = n * 4 / 3;
  } else if (unit == "vw") {
    l.percent = n;  // of the screen, about the box it is in
  } else if (attribute) {
    l.px = n;  // "600abc" is 600 to a browser's attribute parser
  } else {
    l.set = false;
  }
  return l;
}

// The value a style gives a property (the last declaration wins), if any.
std::optional<std::string> styleValue(std::string_view style, std::string_view name) {
  std::optional<std::string> value;
  std::size_t at = 0;
  while (at <= style.size()) {
    std::size_t end = style.find(';', at);
    std::string_view decl = style.substr(at, end == std::string_view::npos ? end : end - at);
    std::size_t colon = decl.find(':');
    if (colon != std::string_view::npos && lowered(trimmed(decl.substr(0, colon))) == name) {
      std::string v = lowered(trimmed(decl.substr(colon + 1)));
      std::size_t important = v.find("!important");
      if (important != std::string::npos) v = std::string(trimmed(v.substr(0, important)));
      value = v;
    }
    if (end == std::string_view::npos) break;
    at = end + 1;
  }
  return value;
}

void widen(Width& w, double px, const Reason& r) {
  if (px > w.px) w = {px, r};
}

bool isOneOf(const std::string& name, std::initializer_list<const char*> names) {
  for (const char* n : names)
    if (name == n) return true;
  return false;
}

// The narrowest a text can be laid out, as a browser works it out: the widest unbreakable run
// of each box, boxes with widths of their own, and tables whose columns stand side by side.
class Measure {
 public:
  // `anywhere`: words may break anywhere (a fitted page); `nowrap`: the cell keeps its lines;
  // `room`: the width a percentage is taken of.
  Measure(std::string_view text, double fontPx, bool anywhere, bool nowrap, double room)
      : t_(text), anywhere_(anywhere), room_(room) {
    Frame root;
    root.block = true;
    root.fontPx = fontPx;
    root.nowrap = nowrap;
    stack_.push_back(root);
  }

  Width run() {
    MarkupReader reader(t_);
    std::size_t i = 0;
    while (i < t_.size()) {
      if (t_[i] == '<') {
        Markup m = reader.read(i);
        if (m.kind != Markup::Text) {
          if (m.kind == Markup::Element || m.kind == Markup::Stray) tag(m, i);
          std::size_t next = m.closed ? m.end : t_.size();
          if (!m.closing && m.kind == Markup::Element && isRawTextElement(m.name)) {
            std::size_t close = rawTextEnd(t_, next, m.name);
            next = close == std::string_view::npos ? t_.size() : close;
          }
          i = next;
          continue;
        }
      }
      character(i);
    }
    while (stack_.size() > 1) pop();
    endRun();
    return stack_.front().widest;
  }

 private:
  struct Frame {
    std::string name;
    std::size_t at = 0;
    bool block = false, nowrap = false, pre = false;
    double fontPx = 13;
    Width widest;
    Length width, minWidth, maxWidth;
    // A table's columns, and what its cells add to their contents.
    bool table = false;
    double spacing = 2, padding = 1, border = 0;
    std::vector<Width> columns;
    std::size_t column = 0;
  };

  Frame& block() {
    for (auto f = stack_.rbegin(); f != stack_.rend(); ++f)
      if (f->block) return *f;
    return stack_.front();
  }

  Frame* table() {
    for (auto f = stack_.rbegin(); f != stack_.rend(); ++f)
      if (f->table) return &*f;
    return nullptr;
  }

  void endRun() {
    if (run_ > 0) widen(block().widest, run_, runWhy_);
    run_ = 0;
  }

  void add(double px, std::size_t at) {
    if (run_ == 0) runWhy_ = {stack_.back().nowrap ? Reason::Line : Reason::Word, at, {}, {}};
    run_ += px;
  }

  void character(std::size_t& i) {
    std::size_t at = i;
    char32_t c;
    if (t_[i] == '&' && i + 1 < t_.size() && (isAlpha(t_[i + 1]) || t_[i + 1] == '#')) {
      std::size_t semi = i + 1;
      while (semi < t_.size() && semi - i < 12 &&
             (isAlpha(t_[semi]) || isDigit(t_[semi]) || t_[semi] == '#'))
        ++semi;
      c = 'x';
      i = semi < t_.size() && t_[semi] == ';' ? semi + 1 : i + 1;
    } else {
      c = text::nextUtf8Char(t_, i);
    }
    const Frame& f = stack_.back();
    if (c == '\n' && f.pre) return endRun();
    if (c == ' ' || c == '\t' || c == '\n' || c == '\r') {
      if (f.nowrap) return add(charWidth(' ', f.fontPx), at);
      return endRun();
    }
    double cw = charWidth(c, f.fontPx);
    if (f.nowrap) return add(cw, at);
    if (anywhere_ || (breaksAround(c) && !staysWithPrevious(c))) endRun();
    add(cw, at);
    if (anywhere_ || breaksAround(c)) {
      // A line may break after it, unless the next stays with it.
      std::size_t peek = i;
      if (peek >= t_.size() || !staysWithPrevious(text::nextUtf8Char(t_, peek))) endRun();
    }
  }

  std::string_view value(const MarkupAttribute& a) const {
    return t_.substr(a.valueBegin, a.valueEnd - a.valueBegin);
  }

  void tag(const Markup& m, std::size_t at) {
    const std::string& n = m.name;
    if (m.closing) {
      if (n == "br") return endRun();
      for (std::size_t k = stack_.size(); k-- > 1;) {
        if (stack_[k].name == n) {
          while (stack_.size() > k) pop();
          return;
        }
        if (stack_[k].table) return;  // an end tag does not reach out of a table
      }
      return;
    }
    if (n == "br") return endRun();
    // What an opening tag closes implicitly; a cell or row outside a table is dropped.
    if (isOneOf(n, {"td", "th", "tr"}) && !table()) return;
    if (isOneOf(n, {"td", "th", "tr"})) {
      while (stack_.size() > 1 && !stack_.back().table &&
             (n == "tr" || !isOneOf(stack_.back().name, {"tr"})))
        pop();
      if (n == "tr" && table()) table()->column = 0;
    } else if (isOneOf(n, {"p", "li", "div", "table", "ul", "ol", "pre", "blockquote"}) &&
               stack_.back().name == "p") {
      pop();
    } else if (n == "li" && stack_.back().name == "li") {
      pop();
    }

    Frame f;
    f.name = n;
    f.at = at;
    const Frame& parent = stack_.back();
    f.fontPx = parent.fontPx;
    f.nowrap = parent.nowrap;
    f.pre = parent.pre;
    std::optional<std::string> style;
    std::string_view widthAttribute;
    bool hasWidthAttribute = false, nowrapAttribute = false;
    for (const MarkupAttribute& a : m.attributes) {
      if (a.name == "style" && !style) style = std::string(value(a));
      if (a.name == "width" && !hasWidthAttribute)
        hasWidthAttribute = true, widthAttribute = value(a);
      if (a.name == "nowrap") nowrapAttribute = true;
      if (a.name == "cellspacing") f.spacing = length(value(a), 0, true).px;
      if (a.name == "cellpadding") f.padding = length(value(a), 0, true).px;
      if (a.name == "border") {
        Length b = length(value(a), 0, true);
        f.border = b.set ? b.px : 1;
      }
      if (a.name == "size" && n == "font") {
        std::string_view v = trimmed(value(a));
        if (!v.empty() && isDigit(v[0])) f.fontPx = fontSizePx(std::string(1, v[0]));
      }
    }
    static const int headings[] = {200, 150, 117, 100, 83, 67};
    if (n.size() == 2 && n[0] == 'h' && n[1] >= '1' && n[1] <= '6')
      f.fontPx = parent.fontPx * headings[n[1] - '1'] / 100;
    if (isOneOf(n, {"pre", "xmp", "listing", "plaintext"})) f.nowrap = f.pre = true;
    if (n == "nobr") f.nowrap = true;
    if (isOneOf(n, {"td", "th"}) && nowrapAttribute) f.nowrap = true;
    std::string display;
    if (style) {
      if (auto size = styleValue(*style, "font-size")) {
        Length l = length(*size, parent.fontPx, false);
        if (l.px > 0) f.fontPx = l.px;
        if (l.percent > 0) f.fontPx = parent.fontPx * l.percent / 100;
      }
      if (auto ws = styleValue(*style, "white-space")) {
        f.nowrap = *ws == "nowrap" || *ws == "pre";
        f.pre = *ws == "pre" || *ws == "pre-wrap" || *ws == "pre-line" || *ws == "break-spaces";
      }
      if (auto d = styleValue(*style, "display")) display = *d;
    }

    bool sized = isOneOf(n, {"table", "td", "th", "hr", "col", "colgroup", "iframe", "video",
                             "canvas", "embed", "object", "img"});
    bool inlineOnly =
        isOneOf(n, {"span",   "font",  "a",    "b",    "strong", "i",   "em",   "u",
                    "s",      "small", "big",  "nobr", "sub",    "sup", "code", "label",
                    "strike", "tt",    "mark", "abbr", "cite",   "q",   "ruby", "rt"});
    if (display == "inline-block" || display == "block" || display == "flex" || display == "grid" ||
        display == "table" || display == "inline-table")
      inlineOnly = false;
    if (display == "none") inlineOnly = true;
    if (hasWidthAttribute && sized) f.width = length(widthAttribute, f.fontPx, true);
    if (style && !inlineOnly) {
      if (auto w = styleValue(*style, "width")) f.width = length(*w, f.fontPx, false);
      if (auto w = styleValue(*style, "min-width")) f.minWidth = length(*w, f.fontPx, false);
      if (auto w = styleValue(*style, "max-width")) f.maxWidth = length(*w, f.fontPx, false);
      if (auto c = styleValue(*style, "border-collapse"); c && *c == "collapse") f.spacing = 0;
    }
    if (n == "img") {
      // An atomic inline: a line may break on either side of it, unless it may not wrap.
      // A fitted page keeps pictures within the screen; only a minimum of their own stays.
      if (anywhere_) f.width = Length{}, f.maxWidth = Length{};
      double w = own(f);
      Reason why{Reason::Picture, at, n, f.width.set ? f.width.written : f.minWidth.written};
      if (f.nowrap) {
        if (run_ == 0) runWhy_ = why;
        run_ += w;
      } else {
        endRun();
        widen(block().widest, w, why);
      }
      return;
    }
    static const char* voids[] = {"wbr",  "input", "col",    "meta",  "link",  "area",
                                  "base", "embed", "source", "track", "param", "hr"};
    bool isVoid = std::find(std::begin(voids), std::end(voids), n) != std::end(voids);
    f.block = !inlineOnly;
    f.table = n == "table";
    if (f.block) endRun();
    stack_.push_back(f);
    if (isVoid) pop();
  }

  // The width a box takes of its own, from its width, minimum and maximum.
  double own(const Frame& f) const {
    double w = f.width.px;
    if (f.width.percent > 100) w = f.width.percent / 100 * room_;
    if (f.maxWidth.set) {
      double cap = f.maxWidth.percent > 0 ? f.maxWidth.percent / 100 * room_ : f.maxWidth.px;
      w = std::min(w, cap);
    }
    double least = f.minWidth.percent > 0 ? f.minWidth.percent / 100 * room_ : f.minWidth.px;
    return std::max(w, least);
  }

  void pop() {
    if (stack_.back().block) endRun();
    Frame f = std::move(stack_.back());
    stack_.pop_back();
    if (!f.block) return;
    Width content = f.widest;
    if (f.table) {
      double sum = f.spacing * static_cast<double>(f.columns.size() + 1) + 2 * f.border;
      for (const Width& c : f.columns) sum += c.px;
      Reason why = f.columns.size() > 1 ? Reason{Reason::Table, f.at, "table", {}} : content.why;
      if (f.columns.size() == 1) why = f.columns[0].why;
      content = {sum, why};
    }
    Width w = content;
    double self = own(f);
    if (self > content.px) {
      const Length& written =
          f.minWidth.set && f.minWidth.px + f.minWidth.percent > 0 && self > f.width.px ? f.minWidth
                                                                                        : f.width;
      std::string said = written.written;
      if (said != wholePx(self)) said += "、約 " + wholePx(self);
      w = {self, {Reason::Element, f.at, f.name, said}};
    }
    Frame* t = table();
    if (isOneOf(f.name, {"td", "th"}) && t) {
      w.px += 2 * t->padding + (t->border > 0 ? 2 : 0);
      if (t->columns.size() <= t->column) t->columns.resize(t->column + 1);
      widen(t->columns[t->column], w.px, w.why);
      ++t->column;
      return;
    }
    if (f.name == "tr" || isOneOf(f.name, {"tbody", "thead", "tfoot"})) return;
    widen(block().widest, w.px, w.why);
  }

  std::string_view t_;
  bool anywhere_;
  double room_;
  std::vector<Frame> stack_;
  double run_ = 0;
  Reason runWhy_;
};

}  // namespace

MinWidth minWidth(std::string_view text, double fontPx, bool anywhere, bool nowrap, double room) {
  return Measure(text, fontPx, anywhere, nowrap, room).run();
}

int fontSizePx(const std::string& size) {
  static const int sizes[] = {10, 13, 16, 18, 24, 32, 48};
  int n = size.size() == 1 && size[0] >= '1' && size[0] <= '7' ? size[0] - '0' : 2;
  return sizes[n - 1];
}

std::string wholePx(double w) {
  return std::to_string(static_cast<int>(std::ceil(w)));
}

}  // namespace bq::checks

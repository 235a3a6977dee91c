#include "checks/phone_width.h"

#include <algorithm>

#include "checks/min_width.h"
#include "text/cp932.h"

namespace bq::checks {
namespace {

using Reason = WidthReason;
using Width = MinWidth;

const std::string kTooWide =
    "スマートフォンの画面（幅" + std::to_string(kPhoneWidth) + "）より広くなります。";
constexpr const char* kFitAdvice = "表の設定で「画面の幅に合わせる」をオンにするか、";
// The page's own margin on the left; what is wider than the rest of the screen scrolls.
constexpr int kPageMargin = 8;
// The shipping table's cells: a padding of 4 and a line of 1 on each side.
constexpr double kShippingCell = 2 * 4 + 2;

int lineOf(std::string_view t, std::size_t at) {
  return 1 + static_cast<int>(std::count(
                 t.begin(), t.begin() + static_cast<std::ptrdiff_t>(std::min(at, t.size())), '\n'));
}

std::string quote(std::string_view t, std::size_t at) {
  std::string_view rest = t.substr(std::min(at, t.size()), 24 * 4);
  rest = rest.substr(0, rest.find_first_of("\r\n<"));
  std::size_t cut = text::utf8Offset(rest, 20);
  return std::string(rest.substr(0, cut)) + (cut < rest.size() ? "…" : "");
}

// What to tell the seller of the thing that makes a cell `w` wide.
std::string say(const Width& w, std::string_view t, bool fitted, bool titleCell) {
  const Reason& r = w.why;
  const std::string advice = fitted ? "" : kFitAdvice;
  switch (r.what) {
    case Reason::Line:
      if (titleCell && !fitted) {
        return "見出し「" + quote(t, r.at) + "」は折り返さないため、幅が約 " + wholePx(w.px) +
               " になります。" + advice + "短くしてください。";
      }
      return "「" + quote(t, r.at) +
             "」は折り返さない指定（<pre>、<nobr>、nowrap、white-space）"
             "の中にあり、幅が約 " +
             wholePx(w.px) + " になります。指定を外すか、改行を入れてください。";
    case Reason::Word:
      return "「" + quote(t, r.at) + "」は途中で折り返せない長い語やアドレスで、幅が約 " +
             wholePx(w.px) + " になります。" + advice + "空白で区切ってください。";
    case Reason::Picture:
      return "画像の幅（" + r.written + "）が画面に収まりません。" + advice +
             "画像の幅を小さくしてください。";
    case Reason::Element:
      return "<" + r.name + "> の幅の指定（" + r.written +
             "）が画面に収まりません。幅を小さくするか、指定を外してください。";
    case Reason::Table:
      return "表（<table>）の列が横に並んで、幅が約 " + wholePx(w.px) +
             " になります。列を減らすか、折り返さない指定（nowrap）や列の幅の指定を外してください"
             "。";
    case Reason::None:
      break;
  }
  return "幅が約 " + wholePx(w.px) + " になります。";
}

// One thing in a column that needs room, and what to say of it.
struct Need {
  double width = 0;  // the column's minimum because of it, padding included
  bool title = false;
  Finding finding;
};

}  // namespace

std::vector<Finding> checkPhoneWidth(const std::vector<Source>& sources, const PhoneLayout& page) {
  const bool fitted = page.fitted;
  const double pad = 2.0 * page.cellPadding;
  // What a percentage is taken of: a fitted cell's content on a phone, the screen less the
  // page's margins, the lines and the padding (a fixed page's cells are narrower still, and a
  // share over 100 % is too wide either way).
  const double room = kPhoneWidth - 2 * kPageMargin - 2.0 * page.cellSpacing - pad;
  std::vector<Need> needs;
  // The widest thing in one text, as the cell lays it out, `extra` added.
  auto measure = [&](const PhoneCell& cell, double extra, bool title, bool nowrap) -> Need* {
    const Source& s = sources.at(cell.source);
    Width w = minWidth(*s.text, cell.fontPx, fitted, nowrap, room);
    w.px += extra;
    if (w.px <= 0) return nullptr;
    needs.push_back(
        {w.px,
         title,
         {Kind::TooWide, s.where, w.why.what == Reason::None ? 0 : lineOf(*s.text, w.why.at),
          kTooWide + say(w, *s.text, fitted, title), s.control}});
    return &needs.back();
  };
  // A column's width as set is no minimum: a table narrower than its columns narrows them.
  double titles = pad + 13, bodies = pad + 13;
  for (const PhoneSection& sec : page.sections) {
    measure(sec.title, pad, true, !fitted);
    for (const PhoneCell& c : sec.body) measure(c, pad, false, false);
    // The shipping table: on a fitted page each name stands above its price; on a fixed one
    // the two columns stand side by side.
    double widestName = 0, widestPrice = 0;
    std::size_t names = needs.size();
    for (const PhoneCell& c : sec.shippingNames) {
      if (Need* n = measure(c, kShippingCell + pad, false, !fitted))
        widestName = std::max(widestName, n->width);
    }
    std::size_t prices = needs.size();
    for (const PhoneCell& c : sec.shippingPrices) {
      if (Need* n = measure(c, kShippingCell + pad, false, false))
        widestPrice = std::max(widestPrice, n->width);
    }
    // A column holds at least one character.
    widestName = std::max(widestName, pad + kShippingCell + 13);
    widestPrice = std::max(widestPrice, pad + kShippingCell + 13);
    if (!fitted) {
      for (std::size_t k = names; k < needs.size(); ++k)
        needs[k].width += (k < prices ? widestPrice : widestName) - pad;
    }
  }
  for (const Need& n : needs)
    (n.title ? titles : bodies) = std::max(n.title ? titles : bodies, n.width);

  // The table: fitted, each cell as wide as the screen and the lines beside it; fixed, as
  // wide as set and at least its two columns side by side with the lines between them.
  const double screen = kPhoneWidth - kPageMargin;
  const double frame = 2.0 * page.cellSpacing;
  std::vector<Finding> out;
  if (fitted) {
    if (frame + std::max(titles, bodies) <= screen) return {};
    for (const Need& n : needs)
      if (frame + n.width > screen) out.push_back(n.finding);
    return out;
  }
  const double lines = 3.0 * page.cellSpacing;
  if (std::max<double>(page.tableWidth, lines + titles + bodies) <= screen) return {};
  if (page.tableWidth > screen) {
    out.push_back({Kind::TooWide, "表の設定", 0,
                   kTooWide + "表の横幅が " + std::to_string(page.tableWidth) +
                       " です。表の設定で「画面の幅に合わせる」をオンにしてください（パソコンでは"
                       "今と同じ幅で表示されます）。",
                   "txtWidth"});
  }
  // What is too wide by itself; else the widest, which together with the other column is.
  const Need* widest = nullptr;
  const double least = pad + 13;  // a column holding one character
  for (const Need& n : needs) {
    if (!widest || n.width > widest->width) widest = &n;
    if (lines + n.width + least > screen) out.push_back(n.finding);
  }
  if (out.empty() && widest) out.push_back(widest->finding);
  return out;
}

}  // namespace bq::checks
// The narrowest a text of the listing can be laid out, as a browser works it out for a page's
// minimum width: the widest run in each box that cannot break (a line that may not wrap, a
// long word where words may not be broken), pictures and elements of a width of their own (px,
// em, rem, pt, %), and tables whose columns stand side by side. What makes it so comes with it.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace bq::checks {

// Why a text is as wide as it is.
struct WidthReason {
  enum What { None, Line, Word, Picture, Element, Table } what = None;
  std::size_t at = 0;   // where in the text
  std::string name;     // the element
  std::string written;  // its width as written ("40em", "40em、約 520")
};

struct MinWidth {
  double px = 0;
  WidthReason why;
};

// `fontPx`: the size the text is drawn at; `anywhere`: words may break anywhere (a page fitted
// to the screen, whose pictures are kept within it too); `nowrap`: the cell keeps its lines;
// `room`: the width a percentage is taken of.
MinWidth minWidth(std::string_view text, double fontPx, bool anywhere, bool nowrap, double room);

// The pixel size of HTML's font size 1..7 (what the size controls write).
int fontSizePx(const std::string& size);

// CSS px as a whole number, rounded up ("520").
std::string wholePx(double w);

}  // namespace bq::checks

#include "style/fitted_forms.h"

namespace bq::fitted {
namespace {

// A cell as wide as its row below the breakpoint (so it wraps to a line of its own) and no
// minimum above it: the Fab Four technique, which needs no media query.
const std::string kFullWidthBelow = "box-sizing:border-box;min-width:min(100%,calc((" +
                                    std::to_string(kStackBelow) + "px - 100%)*999))";
// A title or name keeps its width (never more than the row's: the table would grow past the
// screen) and its text centred upright, as a table cell does; stacked it is the whole row's.
std::string nameCell(const std::string& width, const std::string& more) {
  return "<td style=\"" + kFullWidthBelow + ";width:min(100%," + width +
         "px);display:flex;flex-direction:column;justify-content:center" + more + "\" ";
}

}  // namespace

Piece table(const std::string& width) {
  return {"<table width=", "<table style=\"width:100%;max-width:" + width +
                               "px;overflow-wrap:anywhere\" data-width="};
}

Piece sectionList(const std::string& spacing, const std::string& height) {
  // The lines between sections are the table's colour showing through the gaps, as the
  // spacing between cells shows it on a fixed page.
  return {"border=0>", "border=0><tbody style=\"display:flex;flex-direction:column;gap:" + spacing +
                           "px;min-height:" + height + "px\">"};
}

Piece sectionRow(const std::string& titleWidth) {
  // Rows share what the table's height leaves, as a table's rows do.
  return {"<tr>\n<td ", "<tr style=\"display:flex;flex-wrap:wrap;gap:inherit;flex:1 0 auto\">\n" +
                            nameCell(titleWidth, "")};
}

Piece sectionBody() {
  return {"</td>\n<td ", "</td>\n<td style=\"" + kFullWidthBelow + ";flex:1 1 0\" "};
}

Piece nameMayWrap() {
  return {" nowrap><font ", "><font "};
}

Piece shippingTable() {
  // The cells draw their own lines once they are no longer table cells; the table's would
  // double them.
  return {"style=\"border-collapse:collapse\">", "style=\"border-collapse:collapse;border:0\">"};
}

Piece shippingRow(const std::string& nameWidth) {
  // Each cell's lines overlap those beside and below by one pixel, as collapsed borders do.
  return {"<tr><td ", "<tr style=\"display:flex;flex-wrap:wrap\">" +
                          nameCell(nameWidth, ";margin:0 -1px -1px 0")};
}

Piece shippingPrice() {
  return {"</td><td ", "</td><td style=\"" + kFullWidthBelow + ";flex:1 1 0;margin-bottom:-1px\" "};
}

}  // namespace bq::fitted

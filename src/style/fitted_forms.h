// The page fitted to the screen: the pieces of the fixed templates and what a fitted page
// carries in their place. On a screen narrower than kStackBelow each title becomes a bar above
// its body and each shipping method's name stands above its price; on a wider one the page
// looks as the fixed one does, at most as wide as the table's width. Attributes and inline
// styles only (the auction site removes style sheets); with every style removed the rows are
// plain table rows in a table as wide as its contents, which a phone can still show.
#pragma once

#include <string>
#include <vector>

namespace bq::fitted {

// The width (CSS px) of a row below which its cells stack: above the widest phone (430) with
// the page's margins, below the narrowest computer window a seller would read in (600).
inline constexpr int kStackBelow = 480;

// One piece of a fixed template and the fitted piece that stands in its place.
struct Piece {
  std::string fixed, fitted;
};

// The sections' table and the banner: as wide as the screen, up to the table's width.
Piece table(const std::string& width);
// Just inside the sections' table: the sections one under another with lines between them,
// together at least as tall as the table's height.
Piece sectionList(const std::string& spacing, const std::string& height);
// A section's row and its title cell, never wider than the row (`titleWidth`, as txtTW says),
// and where the title cell ends and the body begins.
Piece sectionRow(const std::string& titleWidth);
Piece sectionBody();
// A title's or a method's name's one line: a fitted page lets it wrap, with or without styles.
Piece nameMayWrap();
// The shipping table, a method's row with its name cell, and where its price begins.
Piece shippingTable();
Piece shippingRow(const std::string& nameWidth);
Piece shippingPrice();

}  // namespace bq::fitted

// The main window as both front ends lay it out: which controls stand in which group, row and
// column, and the words, hints and tooltips between them. The Qt window and the browser page are
// built from this one description (the page is handed it by the engine), so the two cannot
// drift apart; what a control says and does stays the control's own.
#pragma once

#include <string>
#include <vector>

namespace bq::layout {

// How many files the recent-files list keeps, on the desktop and in the browser.
inline constexpr int kRecentFiles = 8;

enum class Kind {
  Control,  // an engine control, shown as `look` says
  Label,    // words between controls
  Command,  // a button of the window itself (the gallery, the batch, recent files)
  Gap,      // a little room in a line
  Stretch,  // all the room left in a line
  Line,     // parts side by side
  Strip,    // parts side by side, wrapping onto more rows when narrow (the tool strip)
  Column,   // parts one under another
  Grid,     // parts at their row and column
  Group,    // a titled frame around one part
  Card,     // a section: its show box, title, body and their style lines (a 2 × 3 grid)
  Tabs,     // pages, one shown at a time
  Page,     // one page of Tabs, titled
  Split,    // the sections beside (or above) the side column
};

enum class Look { None, Line, Area, Check, Toggle, Combo, Option, Button, Dimension };

struct Piece {
  Kind kind = Kind::Column;
  std::string name;  // the control's name, or the piece's own (groups, pages, commands)
  std::string text;  // a label's words, a group's or page's title, a command's caption,
                     // the name screen readers speak for a control (else its caption)
  std::string tip;   // a command's tooltip
  std::string hint;  // what an empty line box shows
  Look look = Look::None;
  int lines = 0;                      // a text area's height in lines
  int row = 0, column = 0, span = 1;  // the place in a Grid
  std::vector<Piece> parts;
};

// The tool strip and the editing area (the preview below them is each front end's own).
const Piece& toolStrip();
const Piece& editingArea();

const char* kindName(Kind kind);
const char* lookName(Look look);

// Every named piece (controls and commands) in the order of the description.
std::vector<const Piece*> namedPieces();

}  // namespace bq::layout

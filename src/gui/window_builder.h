// Builds Qt widgets from the window's one description (app/window/window_layout.h): controls
// through the binder, the window's own buttons from the caller, and groups, grids and tabs as the
// description places them. The browser page builds the same description into the DOM.
#pragma once

#include <QWidget>
#include <functional>

#include "app/window/window_layout.h"
#include "gui/binder.h"

namespace bq::gui {

class WindowBuilder {
 public:
  using CommandMaker = std::function<QWidget*(const layout::Piece&)>;
  WindowBuilder(Binder& binder, CommandMaker commands)
      : binder_(binder), commands_(std::move(commands)) {}

  QWidget* build(const layout::Piece& piece);

 private:
  QWidget* control(const layout::Piece& p);
  QWidget* makeControl(const layout::Piece& p);
  QWidget* line(const layout::Piece& p);
  QWidget* strip(const layout::Piece& p);
  QWidget* column(const layout::Piece& p);
  QWidget* grid(const layout::Piece& p);
  QWidget* group(const layout::Piece& p);
  QWidget* card(const layout::Piece& p);
  QWidget* tabs(const layout::Piece& p);
  QWidget* split(const layout::Piece& p);

  Binder& binder_;
  CommandMaker commands_;
};

}  // namespace bq::gui

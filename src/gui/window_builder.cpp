#include "gui/window_builder.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QTabWidget>
#include <QVBoxLayout>

#include "gui/adaptive_area.h"
#include "gui/flow_layout.h"
#include "gui/qt_text.h"

namespace bq::gui {

using layout::Kind;
using layout::Look;
using layout::Piece;

namespace {

QWidget* named(QWidget* w, const Piece& p) {
  if (!p.name.empty()) w->setObjectName(qs(p.name));
  return w;
}

// Room in a line that keeps its width.
QWidget* gap() {
  auto* w = new QWidget;
  w->setFixedWidth(12);
  return w;
}

}  // namespace

QWidget* WindowBuilder::build(const Piece& p) {
  switch (p.kind) {
    case Kind::Control:
      return control(p);
    case Kind::Label:
      return new QLabel(qs(p.text));
    case Kind::Command:
      return named(commands_(p), p);
    case Kind::Gap:
      return gap();
    case Kind::Stretch:
      return nullptr;  // said by the line that holds it
    case Kind::Line:
      return line(p);
    case Kind::Strip:
      return strip(p);
    case Kind::Column:
    case Kind::Page:
      return column(p);
    case Kind::Grid:
      return grid(p);
    case Kind::Group:
      return group(p);
    case Kind::Card:
      return card(p);
    case Kind::Tabs:
      return tabs(p);
    case Kind::Split:
      return split(p);
  }
  return nullptr;
}

QWidget* WindowBuilder::control(const Piece& p) {
  QWidget* w = makeControl(p);
  // The name a screen reader speaks, where the description gives one, on what takes the focus.
  if (w && !p.text.empty()) {
    QWidget* focused = w->focusPolicy() != Qt::NoFocus ? w : w->findChild<QLineEdit*>();
    if (focused) focused->setAccessibleName(qs(p.text));
  }
  return w;
}

QWidget* WindowBuilder::makeControl(const Piece& p) {
  switch (p.look) {
    case Look::Line: {
      QLineEdit* box = binder_.line(p.name);
      // Narrow enough for two columns of rows, wide enough for a word.
      box->setMinimumWidth(50);
      if (!p.hint.empty()) box->setPlaceholderText(qs(p.hint));
      return box;
    }
    case Look::Area:
      return binder_.area(p.name, p.lines);
    case Look::Check:
      return binder_.check(p.name);
    case Look::Toggle:
      return binder_.toggle(p.name);
    case Look::Combo:
      return binder_.combo(p.name);
    case Look::Option:
      return binder_.option(p.name);
    case Look::Button:
      return binder_.button(p.name);
    case Look::Dimension:
      return binder_.dimension(p.name);
    case Look::None:
      break;
  }
  return nullptr;
}

QWidget* WindowBuilder::line(const Piece& p) {
  auto* w = new QWidget;
  auto* l = new QHBoxLayout(w);
  l->setContentsMargins(0, 0, 0, 0);
  for (const Piece& part : p.parts) {
    if (part.kind == Kind::Stretch) {
      l->addStretch();
    } else {
      l->addWidget(build(part));
    }
  }
  l->addStretch();
  return named(w, p);
}

QWidget* WindowBuilder::strip(const Piece& p) {
  auto* frame = new QFrame;
  frame->setFrameShape(QFrame::StyledPanel);
  auto* l = new FlowLayout(frame);
  l->setContentsMargins(6, 4, 6, 4);
  l->setSpacing(6);
  for (const Piece& part : p.parts) {
    if (part.kind == Kind::Stretch) {
      l->addStretch();
    } else {
      l->addWidget(build(part));
    }
  }
  return named(frame, p);
}

QWidget* WindowBuilder::column(const Piece& p) {
  auto* w = new QWidget;
  auto* v = new QVBoxLayout(w);
  if (p.kind != Kind::Page) v->setContentsMargins(0, 0, 0, 0);
  for (const Piece& part : p.parts) v->addWidget(build(part));
  v->addStretch();
  return named(w, p);
}

QWidget* WindowBuilder::grid(const Piece& p) {
  auto* w = new QWidget;
  auto* g = new QGridLayout(w);
  g->setContentsMargins(0, 0, 0, 0);
  g->setVerticalSpacing(1);
  for (const Piece& part : p.parts) g->addWidget(build(part), part.row, part.column, 1, part.span);
  return named(w, p);
}

QWidget* WindowBuilder::group(const Piece& p) {
  auto* box = new QGroupBox(qs(p.text));
  auto* v = new QVBoxLayout(box);
  for (const Piece& part : p.parts) v->addWidget(build(part));
  return named(box, p);
}

QWidget* WindowBuilder::card(const Piece& p) {
  // The show box, the title, its style; the body's label, the body, its style.
  QWidget* w[6] = {};
  for (std::size_t i = 0; i < 6 && i < p.parts.size(); ++i) w[i] = build(p.parts[i]);
  return named(new SectionCard(qs(p.text), w[0], w[1], w[2], w[3], w[4], w[5]), p);
}

QWidget* WindowBuilder::tabs(const Piece& p) {
  auto* tabs = new QTabWidget;
  for (const Piece& page : p.parts) tabs->addTab(build(page), qs(page.text));
  return named(tabs, p);
}

QWidget* WindowBuilder::split(const Piece& p) {
  // The first part holds the sections' cards, the second the side column.
  std::vector<SectionCard*> cards;
  for (const Piece& c : p.parts.at(0).parts) cards.push_back(static_cast<SectionCard*>(card(c)));
  auto* area = new AdaptiveArea(std::move(cards), build(p.parts.at(1)));
  return named(area, p);
}

}  // namespace bq::gui

#include "gui/adaptive_area.h"

#include <QBoxLayout>
#include <QResizeEvent>
#include <QScrollBar>
#include <QStyle>
#include <algorithm>

namespace bq::gui {

int textBoxMinimumWidth(const QWidget* box) {
  return 30 * box->fontMetrics().averageCharWidth() + 12;
}

SectionCard::SectionCard(const QString& caption, QWidget* show, QWidget* title, QWidget* titleStyle,
                         QWidget* bodyLabel, QWidget* body, QWidget* bodyStyle)
    : QGroupBox(caption),
      grid_(new QGridLayout(this)),
      show_(show),
      title_(title),
      titleStyle_(titleStyle),
      bodyLabel_(bodyLabel),
      body_(body),
      bodyStyle_(bodyStyle) {
  grid_->setContentsMargins(6, 2, 6, 4);
  grid_->setVerticalSpacing(2);
  title_->setMinimumWidth(textBoxMinimumWidth(title_));
  body_->setMinimumWidth(textBoxMinimumWidth(body_));
  setStylesBeside(true);
}

int SectionCard::besideWidth() const {
  QMargins m = grid_->contentsMargins();
  int gap = std::max(grid_->horizontalSpacing(), 0);
  int first = std::max(show_->sizeHint().width(), bodyLabel_->sizeHint().width());
  int styles = std::max(titleStyle_->sizeHint().width(), bodyStyle_->sizeHint().width());
  return m.left() + m.right() + first + gap + textBoxMinimumWidth(body_) + gap + styles + 4;
}

void SectionCard::setStylesBeside(bool beside) {
  if (beside == beside_ && grid_->count() > 0) return;
  beside_ = beside;
  for (QWidget* w : {show_, title_, titleStyle_, bodyLabel_, body_, bodyStyle_}) {
    grid_->removeWidget(w);
  }
  for (int c = 0; c < 3; ++c) grid_->setColumnStretch(c, 0);
  grid_->addWidget(show_, 0, 0, Qt::AlignTop);
  grid_->addWidget(title_, 0, 1);
  if (beside) {
    grid_->addWidget(titleStyle_, 0, 2, Qt::AlignTop);
    grid_->addWidget(bodyLabel_, 1, 0, Qt::AlignTop | Qt::AlignRight);
    grid_->addWidget(body_, 1, 1);
    grid_->addWidget(bodyStyle_, 1, 2, Qt::AlignTop);
  } else {
    grid_->addWidget(titleStyle_, 1, 1, Qt::AlignLeft);
    grid_->addWidget(bodyLabel_, 2, 0, Qt::AlignTop | Qt::AlignRight);
    grid_->addWidget(body_, 2, 1);
    grid_->addWidget(bodyStyle_, 3, 1, Qt::AlignLeft);
  }
  grid_->setColumnStretch(1, 1);
}

AdaptiveArea::AdaptiveArea(std::vector<SectionCard*> cards, QWidget* side)
    : cards_(std::move(cards)), side_(side) {
  auto* content = new QWidget;
  flow_ = new QBoxLayout(QBoxLayout::TopToBottom, content);
  flow_->setContentsMargins(0, 0, 0, 0);
  auto* sections = new QWidget;
  auto* column = new QVBoxLayout(sections);
  column->setContentsMargins(0, 0, 0, 0);
  for (SectionCard* card : cards_) column->addWidget(card);
  column->addStretch(1);
  flow_->addWidget(sections, 3);
  flow_->addWidget(side_, 2, Qt::AlignTop);
  setWidget(content);
  setWidgetResizable(true);
  setFrameShape(QFrame::NoFrame);
  // Only as the last resort of a window narrower than any arrangement.
  setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
}

void AdaptiveArea::resizeEvent(QResizeEvent* e) {
  // The width the content gets, the vertical scroll bar taken off: deciding on it (rather than
  // on the content's own size) keeps one arrangement from undoing the other.
  int bar = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
  arrange(e->size().width() - bar - 2);
  QScrollArea::resizeEvent(e);
}

void AdaptiveArea::arrange(int width) {
  int cardsBeside = 0;
  for (SectionCard* card : cards_) cardsBeside = std::max(cardsBeside, card->besideWidth());
  int sideWidth = side_->minimumSizeHint().width();
  int gap = std::max(flow_->spacing(), 0);
  // Side by side only where the sections keep their style rows beside the text.
  bool sideBySide = width >= cardsBeside + gap + sideWidth;
  int sectionsWidth = sideBySide ? width - gap - sideWidth : width;
  bool beside = sectionsWidth >= cardsBeside;
  if (sideBySide != sideBySide_ || flow_->direction() == QBoxLayout::TopToBottom) {
    flow_->setDirection(sideBySide ? QBoxLayout::LeftToRight : QBoxLayout::TopToBottom);
  }
  sideBySide_ = sideBySide;
  for (SectionCard* card : cards_) card->setStylesBeside(beside);
}

}  // namespace bq::gui

#include "gui/flow_layout.h"

#include <QWidget>
#include <algorithm>

namespace bq::gui {

FlowLayout::~FlowLayout() {
  while (QLayoutItem* item = takeAt(0)) delete item;
}

QLayoutItem* FlowLayout::takeAt(int i) {
  if (i < 0 || i >= items_.size()) return nullptr;
  if (stretchAt_ > i) --stretchAt_;
  return items_.takeAt(i);
}

QSize FlowLayout::minimumSize() const {
  // As narrow as the widest item: everything else wraps.
  QSize size;
  for (QLayoutItem* item : items_) size = size.expandedTo(item->minimumSize());
  QMargins m = contentsMargins();
  return size + QSize(m.left() + m.right(), m.top() + m.bottom());
}

QSize FlowLayout::sizeHint() const {
  // All on one row.
  int width = 0, height = 0;
  for (QLayoutItem* item : items_) {
    width += item->sizeHint().width() + spacing();
    height = std::max(height, item->sizeHint().height());
  }
  QMargins m = contentsMargins();
  return {width + m.left() + m.right(), height + m.top() + m.bottom()};
}

void FlowLayout::setGeometry(const QRect& rect) {
  QLayout::setGeometry(rect);
  arrange(rect, true);
}

int FlowLayout::arrange(const QRect& rect, bool place) const {
  QRect area = rect.marginsRemoved(contentsMargins());
  const int gap = std::max(0, spacing());
  // Rows of items, each as wide as it wants.
  struct Row {
    qsizetype first, last;  // [first, last)
    int height;
  };
  std::vector<Row> rows;
  int x = 0;
  for (qsizetype i = 0; i < items_.size(); ++i) {
    QSize hint = items_[i]->sizeHint();
    if (rows.empty() || (x > 0 && x + hint.width() > area.width())) {
      rows.push_back({i, i, 0});
      x = 0;
    }
    rows.back().last = i + 1;
    rows.back().height = std::max(rows.back().height, hint.height());
    x += hint.width() + gap;
  }
  int y = area.top();
  for (const Row& row : rows) {
    if (place) {
      int left = area.left();
      // What follows the stretch goes to the right end of its row.
      int tail = 0;
      for (qsizetype i = row.first; i < row.last; ++i) {
        if (stretchAt_ >= 0 && i >= stretchAt_) tail += items_[i]->sizeHint().width() + gap;
      }
      for (qsizetype i = row.first; i < row.last; ++i) {
        if (i == stretchAt_) left = std::max(left, area.right() + 1 - tail + gap);
        QSize hint = items_[i]->sizeHint();
        int w = std::min(hint.width(), area.width());
        items_[i]->setGeometry(QRect(left, y + (row.height - hint.height()) / 2, w, hint.height()));
        left += w + gap;
      }
    }
    y += row.height + gap;
  }
  QMargins m = contentsMargins();
  return (rows.empty() ? 0 : y - gap - area.top()) + m.top() + m.bottom();
}

}  // namespace bq::gui

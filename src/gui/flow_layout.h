// A row of widgets that wraps onto more rows when the window is too narrow for one, as the
// tool strip must at 125 % and on small screens (a box layout would make the window wider
// than the screen instead).
#pragma once

#include <QLayout>
#include <QList>

namespace bq::gui {

class FlowLayout : public QLayout {
 public:
  explicit FlowLayout(QWidget* parent = nullptr) : QLayout(parent) {}
  ~FlowLayout() override;

  // Pushes what follows to the right end of the row it ends up on.
  void addStretch() { stretchAt_ = items_.size(); }

  void addItem(QLayoutItem* item) override { items_.append(item); }
  int count() const override { return static_cast<int>(items_.size()); }
  QLayoutItem* itemAt(int i) const override { return items_.value(i); }
  QLayoutItem* takeAt(int i) override;
  Qt::Orientations expandingDirections() const override { return {}; }
  bool hasHeightForWidth() const override { return true; }
  int heightForWidth(int width) const override { return arrange(QRect(0, 0, width, 0), false); }
  QSize minimumSize() const override;
  QSize sizeHint() const override;
  void setGeometry(const QRect& rect) override;

 private:
  // Lays the items out in `rect` (or only measures); returns the height used.
  int arrange(const QRect& rect, bool place) const;

  QList<QLayoutItem*> items_;
  qsizetype stretchAt_ = -1;
};

}  // namespace bq::gui

// The splitter between the editing area and the preview. A window resize keeps the preview's
// top and gives it the rest of the height, and records that layout as home; a double click on
// the handle goes back home. The handle and the preview's top move together and stop at the
// editing area's least height, so the handle never comes near the window's top edge.
#pragma once

#include <QList>
#include <QSplitter>
#include <QSplitterHandle>

namespace bq::gui {

class PreviewSplitter : public QSplitter {
 public:
  explicit PreviewSplitter(QWidget* parent = nullptr);
  void restoreHome();
  const QList<int>& home() const { return home_; }

 protected:
  QSplitterHandle* createHandle() override;
  void resizeEvent(QResizeEvent* e) override;

 private:
  QList<int> home_;
};

}  // namespace bq::gui

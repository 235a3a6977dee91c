#include "gui/preview_splitter.h"

#include <QMouseEvent>

namespace bq::gui {
namespace {

class HomeHandle : public QSplitterHandle {
 public:
  HomeHandle(Qt::Orientation o, PreviewSplitter* parent)
      : QSplitterHandle(o, parent), owner_(parent) {
    setObjectName(QStringLiteral("imgMoveHandle"));
  }

 protected:
  void mouseDoubleClickEvent(QMouseEvent* e) override {
    owner_->restoreHome();
    e->accept();
  }

 private:
  PreviewSplitter* owner_;
};

}  // namespace

PreviewSplitter::PreviewSplitter(QWidget* parent) : QSplitter(Qt::Vertical, parent) {
  setObjectName(QStringLiteral("imgMove"));
  setChildrenCollapsible(false);
  setHandleWidth(7);
}

QSplitterHandle* PreviewSplitter::createHandle() {
  return new HomeHandle(orientation(), this);
}

void PreviewSplitter::resizeEvent(QResizeEvent* e) {
  QSplitter::resizeEvent(e);
  home_ = sizes();
}

void PreviewSplitter::restoreHome() {
  if (!home_.isEmpty()) setSizes(home_);
}

}  // namespace bq::gui

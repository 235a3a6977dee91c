// frmFirst: the small window shown while the program starts.
#pragma once

#include <QProgressBar>
#include <QWidget>

#include "forms/platform.h"

namespace bq::gui {

class frmFirst : public QWidget, public Splash {
 public:
  frmFirst();
  void show(int maximum) override;
  void setProgress(int value) override;
  void close() override { QWidget::close(); }

 private:
  QProgressBar* PBFirst;
};

}  // namespace bq::gui

// The panel beside the preview window's page: what the listing checks found, the page's size,
// the mend for stray "<", and images the preview could not load.
#pragma once

#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QWidget>
#include <functional>

#include "forms/platform.h"

namespace bq::gui {

class ListingPanel : public QWidget {
 public:
  ListingPanel();

  void showReport(const ListingReport& report, std::function<void()> fix);
  // Images of the shown page that did not load (found after the page loaded).
  void showBrokenImages(const QStringList& sources);

  QListWidget* lstChecks;
  QLabel* lblPageSize;
  QPushButton* cmdFix;

 private:
  void addLine(const QString& text);
  void showNothingFound();

  std::function<void()> fix_;
  int checks_ = 0;  // findings of the engine's checks in the list
};

}  // namespace bq::gui

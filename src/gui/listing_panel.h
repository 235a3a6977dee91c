// The panel beside the preview window's page: what the listing checks found, the page's size,
// the mend for stray "<", and images the preview could not load.
#pragma once

#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QWidget>
#include <functional>
#include <optional>

#include "forms/platform.h"

namespace bq::gui {

class ListingPanel : public QWidget {
 public:
  ListingPanel();

  // The checks are being made (on a thread of their own): said so, the mend waits.
  void showChecking();
  void showReport(const ListingReport& report, std::function<void()> fix);
  // Images of the shown page that did not load (found after the page loaded).
  void showBrokenImages(const QStringList& sources);

  QListWidget* lstChecks;
  QLabel* lblPageSize;
  QPushButton* cmdFix;

 private:
  // The list: the report's findings (or that they are being made), then the broken images.
  void fill();

  std::function<void()> fix_;
  std::optional<ListingReport> report_;  // none while it is being made
  QStringList broken_;
};

}  // namespace bq::gui

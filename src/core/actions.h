// The few routines every subsystem may ask for when it is done changing the page. frmMain fills
// them in once all subsystems exist, so that no subsystem needs to know the others.
#pragma once

#include <functional>

namespace bq {

struct Actions {
  std::function<void()> RefreshPreview;
  std::function<void()> BuildShippingSection;
  std::function<void()> BuildPaymentSection;
  // Gives a freshly read banner (first.tpf) the table's width and alignment.
  std::function<void()> FitBanner;
  // Runs a change of a value that a page fitted to the screen carries in its styles as well:
  // on the fixed forms, fitted again afterwards.
  std::function<void(const std::function<void()>&)> Refitting;
  // The listing checks, shown beside the preview window's page.
  std::function<void()> ShowListingChecks;
};

}  // namespace bq

// The listing checks over the window: which texts and colours are shown, gathered for the
// rules of checks/, and the mend of stray "<" applied to the text boxes.
#pragma once

#include <memory>
#include <vector>

#include "checks/listing_checks.h"
#include "checks/phone_width.h"

namespace bq {

class frmMain;

namespace checks {

// Every check over the listing as the window holds it (shown sections only).
std::vector<Finding> checkListing(frmMain& form);

// What the checks read, copied out of the window: it may be checked on another thread.
struct ListingCopy {
  std::vector<std::string> texts;
  std::vector<Source> sources;  // pointing into `texts`
  std::vector<Colours> colours;
  PhoneLayout phone;  // its cells are indexes into `sources`
};
std::shared_ptr<const ListingCopy> copyListing(frmMain& form);
std::vector<Finding> checkCopy(const ListingCopy& copy);
// Writes the stray "<" of every text box as "&lt;"; returns how many boxes changed.
int fixStrayLessThan(frmMain& form);

}  // namespace checks
}  // namespace bq

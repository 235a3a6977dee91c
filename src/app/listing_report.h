// The listing checks over the window: which texts and colours are shown, gathered for the
// rules of checks/, and the mend of stray "<" applied to the text boxes.
#pragma once

#include <vector>

#include "checks/listing_checks.h"

namespace bq {

class frmMain;

namespace checks {

// Every check over the listing as the window holds it (shown sections only).
std::vector<Finding> checkListing(frmMain& form);
// Writes the stray "<" of every text box as "&lt;"; returns how many boxes changed.
int fixStrayLessThan(frmMain& form);

}  // namespace checks
}  // namespace bq

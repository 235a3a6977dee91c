// Bold buttons and font-size lists of the titles and bodies. A bold button switches its marker
// pair between "<strong>"/"</strong>" and the inert "<!strong>"/"<!/strong>"; a size list
// rewrites the value after "size=".
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/actions.h"
#include "forms/controls.h"
#include "forms/registry.h"
#include "page/page_model.h"
#include "page/page_output.h"
#include "style/fragment.h"
#include "style/style_state.h"

namespace bq {

struct BoldPair {
  ToggleButton* button;
  Fragments opening;
  Fragments closing;
  std::function<void()> finish;
};

struct SizeSlot {
  ComboBox* box;
  Fragments fragments;
  std::string* remembered;
  std::function<void()> finish;
};

class BoldAndSize {
 public:
  BoldAndSize(PageModel& page, PageHolders& holders, const ShippingRowPieces& shipping,
              StyleState& style, Actions& actions);

  // Makes one pair agree with its button, whatever the fragments carry now.
  static void applyBold(const BoldPair& pair);
  // Every pair agrees with its button; then both generated sections are rebuilt.
  void ApplyBoldSettings();

  ComboBox& sizeBox(const std::string& name);
  void registerIn(Registry& r);

 private:
  void addBold(const std::string& name, Fragments opening, Fragments closing,
               std::function<void()> finish);
  void addSize(const std::string& name, Fragments fragments, std::string& remembered,
               std::function<void()> finish);

  Actions& actions_;
  std::vector<std::unique_ptr<ToggleButton>> boldButtons_;
  std::vector<std::unique_ptr<ComboBox>> sizeBoxes_;
  // In the order the settings loader makes them agree.
  std::vector<BoldPair> pairs_;
  std::vector<std::unique_ptr<SizeSlot>> sizes_;
};

}  // namespace bq

// Colour buttons: per section title/body background and font colour, section 5's and 6's own
// body colours, the two line colours and the four bulk buttons. Every colour change goes
// through one slot table and ApplySlotColor, which the settings loader uses too.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "core/actions.h"
#include "forms/controls.h"
#include "forms/platform.h"
#include "forms/registry.h"
#include "page/page_model.h"
#include "page/page_output.h"
#include "style/fragment.h"
#include "style/style_state.h"

namespace bq {

struct ColourSlot {
  PushButton* button;
  Fragments fragments;
  const char* marker;
  std::string* remembered;
  std::function<void()> finish;  // what a click does once the colour is applied
};

class ColourStyle {
 public:
  ColourStyle(PageModel& page, PageHolders& holders, const ShippingRowPieces& shipping,
              StyleState& style, Platform& platform, Actions& actions);

  // One colour number into one slot: the code into txtHTMLColor, the button's swatch, the
  // fragments rewritten, the new code remembered. No refresh.
  void ApplySlotColor(ColourSlot& slot, std::int32_t colour);
  // Turns cdgColor's colour number into txtHTMLColor's code.
  void PickHtmlColor();

  // The slot a colour button sets ("cmdT3BC", "cmdE5FC_1", "cmdColor" ...).
  ColourSlot* slot(const std::string& buttonName);
  // Start-up swatches.
  void setStartColours();

  void registerIn(Registry& r);

  std::int32_t cdgColor = 0;  // the colour dialog's colour
  TextBox txtHTMLColor{"txtHTMLColor"};

 private:
  PushButton& addButton(const std::string& name, const char* caption);
  void addSlot(const std::string& name, const char* caption, Fragments fragments,
               const char* marker, std::string& remembered, std::function<void()> finish);
  void addBulk(const std::string& name, const char* caption, std::vector<std::string> slots,
               std::function<void()> finish);
  // Shows the colour dialog; nothing when the seller cancels.
  bool chooseColour(std::int32_t current);

  Platform& platform_;
  std::vector<std::unique_ptr<PushButton>> buttons_;
  std::map<std::string, ColourSlot> slots_;
};

}  // namespace bq

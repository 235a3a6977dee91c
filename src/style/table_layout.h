// The table that holds the sections: line thickness, padding, width and height, the title
// width, and the alignment of the table and of the titles.
#pragma once

#include <array>
#include <functional>
#include <memory>

#include "core/actions.h"
#include "forms/controls.h"
#include "forms/platform.h"
#include "forms/registry.h"
#include "page/page_model.h"
#include "page/page_output.h"
#include "style/dimension_box.h"
#include "style/fitted_forms.h"
#include "style/fragment.h"
#include "style/style_state.h"

namespace bq {

// What the templates carry, as delivered, after "width=" and as the alignment attribute.
inline constexpr const char* kDeliveredWidth = "750";
inline constexpr const char* kDeliveredAlignAttr = "align=center";

class TableLayout {
 public:
  TableLayout(PageModel& page, PageHolders& holders, const ShippingRowPieces& shippingRows,
              StyleState& style, Platform& platform, Actions& actions);

  // The rewrites of an alignment choice, without the refresh (the settings loader uses them).
  void applyTableAlign();
  // Gives the banner (first.tpf, just read) the table's width and alignment.
  void fitBanner();
  void applyTitleAlign();
  // Makes the fragments fitted to the screen, or fixed, as chkFit says (without the refresh).
  void applyFit();
  // A change of a value the fitted forms carry as well, made to the fixed forms, which are
  // fitted again afterwards (without the refresh).
  void refitting(const std::function<void()>& change);

  void registerIn(Registry& r);

  ComboBox cmbCellspacing;
  ComboBox cmbCellpadding;
  DimensionBox width;       // txtWidth / updnWidth
  DimensionBox height;      // txtHeight / updnHeight
  DimensionBox titleWidth;  // txtTW / updnTW
  OptionGroup tableAlignGroup;
  std::array<std::unique_ptr<OptionButton>, 2> optTableAlign;
  OptionGroup titleAlignGroup;
  std::array<std::unique_ptr<OptionButton>, 3> optTA;
  // The page as wide as the screen up to the table's width: on a phone nothing scrolls
  // sideways, on a computer the page is as wide as the box says.
  CheckBox chkFit{"chkFit", "画面の幅に合わせる", 0};

 private:
  struct Swap {
    Fragments where;
    fitted::Piece piece;
  };
  Fragments tables() const;   // the sections' table and the banner above it
  std::vector<Swap> swaps();  // with the values in force
  void swapForms(bool fit);
  const ShippingRowPieces& shippingRows_;
  PageModel& page_;
  PageHolders& holders_;
  StyleState& style_;
  Actions& actions_;
};

}  // namespace bq

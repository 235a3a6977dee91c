// The table that holds the sections: line thickness, padding, width and height, the title
// width, and the alignment of the table and of the titles.
#pragma once

#include <array>
#include <memory>

#include "core/actions.h"
#include "forms/controls.h"
#include "forms/platform.h"
#include "forms/registry.h"
#include "page/page_model.h"
#include "page/page_output.h"
#include "style/dimension_box.h"
#include "style/style_state.h"

namespace bq {

// What the templates carry, as delivered, after "width=" and as the alignment attribute.
inline constexpr const char* kDeliveredWidth = "750";
inline constexpr const char* kDeliveredAlignAttr = "align=center";

class TableLayout {
 public:
  TableLayout(PageModel& page, PageHolders& holders, StyleState& style, Platform& platform,
              Actions& actions);

  // The rewrites of an alignment choice, without the refresh (the settings loader uses them).
  void applyTableAlign();
  // Gives the banner (first.tpf, just read) the table's width and alignment.
  void fitBanner();
  void applyTitleAlign();

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

 private:
  PageModel& page_;
  PageHolders& holders_;
  StyleState& style_;
  Actions& actions_;
};

}  // namespace bq

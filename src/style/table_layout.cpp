#include "style/table_layout.h"

#include "style/fitted_forms.h"
#include "style/fragment.h"
#include "style/mdl_color.h"

namespace bq {
namespace {

std::vector<std::string> numbers(int last) {
  std::vector<std::string> items;
  for (int k = 1; k <= last; ++k) items.push_back(std::to_string(k));
  return items;
}

}  // namespace

TableLayout::TableLayout(PageModel& page, PageHolders& holders,
                         const ShippingRowPieces& shippingRows, StyleState& style,
                         Platform& platform, Actions& actions)
    : cmbCellspacing("cmbCellspacing", numbers(10)),
      cmbCellpadding("cmbCellpadding", numbers(30)),
      width("txtWidth", "updnWidth", 750, "説明全体を囲む表の横幅（ピクセル）", platform,
            [this](const std::string& w) {
              // The "商品について" banner is as wide as the table it heads.
              refitting([&] {
                rewriteAll(tables(), "width=", style_.TableWidth, w);
                style_.TableWidth = w;
              });
              actions_.RefreshPreview();
            }),
      height("txtHeight", "updnHeight", 200,
             "表の最小の高さ（ピクセル）。文章が長ければ表はそれより伸びます", platform,
             [this](const std::string& h) {
               refitting([&] {
                 rewriteAll({holders_.rtxtTagHead}, "height=", style_.TableHeight, h);
                 style_.TableHeight = h;
               });
               actions_.RefreshPreview();
             }),
      titleWidth("txtTW", "updnTW", 100, "各欄の左側、見出しの列の幅（ピクセル）", platform,
                 [this](const std::string& w) {
                   Fragments titles;
                   for (int i = 1; i <= kSections; ++i)
                     titles.emplace_back(page_.section(i).txtTag1);
                   refitting([&] {
                     rewriteAll(titles, "width=", style_.TitleWidth, w);
                     style_.TitleWidth = w;
                   });
                   actions_.RefreshPreview();
                 }),
      shippingRows_(shippingRows),
      page_(page),
      holders_(holders),
      style_(style),
      actions_(actions) {
  cmbCellspacing.onClick([this] {
    bool chosen = false;
    refitting([&] {
      chosen =
          rewriteChoice(cmbCellspacing, {holders_.rtxtTagHead}, "cellspacing=", style_.CellSpacing);
    });
    if (chosen) actions_.RefreshPreview();
  });
  cmbCellpadding.onClick([this] {
    if (rewriteChoice(cmbCellpadding, {holders_.rtxtTagHead}, "cellpadding=", style_.CellPadding)) {
      actions_.RefreshPreview();
    }
  });

  const char* tableCaptions[] = {"表揃え（左）", "表揃え（中央）"};
  for (int k = 0; k < 2; ++k) {
    auto& b = optTableAlign[static_cast<std::size_t>(k)];
    b = std::make_unique<OptionButton>(indexed("optTableAlign", k), tableCaptions[k],
                                       tableAlignGroup);
    b->onClick([this] {
      applyTableAlign();
      actions_.RefreshPreview();
    });
  }
  const char* titleCaptions[] = {"文字揃え（左）", "文字揃え（中央）", "文字揃え（右）"};
  for (int k = 0; k < 3; ++k) {
    auto& b = optTA[static_cast<std::size_t>(k)];
    b = std::make_unique<OptionButton>(indexed("optTA", k), titleCaptions[k], titleAlignGroup);
    b->onClick([this] {
      applyTitleAlign();
      actions_.RefreshPreview();
    });
  }
  chkFit.onClick([this] {
    applyFit();
    // The shipping rows are built from their leads again; that refreshes the page.
    actions_.BuildShippingSection();
  });
  // Both groups start centred, by the window's design.
  tableAlignGroup.select(optTableAlign[1].get());
  titleAlignGroup.select(optTA[1].get());
}

void TableLayout::applyTableAlign() {
  const char *open, *close, *attr;
  if (optTableAlign[0]->value() == 1) {
    // Left: forms browsers do not act on, so nothing centres the table.
    open = "<left>";
    close = "</left>";
    attr = "!align=left";
  } else if (optTableAlign[1]->value() == 1) {
    open = "<center>";
    close = "</center>";
    attr = "align=center";
  } else {
    return;
  }
  holders_.rtxtTagHead.setText(
      ReplaceAll(holders_.rtxtTagHead.text(), style_.TableAlignOpen, open));
  holders_.rtxtTagPR.setText(ReplaceAll(holders_.rtxtTagPR.text(), style_.TableAlignClose, close));
  holders_.rtxtTagHead.setText(
      ReplaceAll(holders_.rtxtTagHead.text(), style_.TableAlignAttr, attr));
  holders_.rtxtFirst.setText(ReplaceAll(holders_.rtxtFirst.text(), style_.TableAlignAttr, attr));
  style_.TableAlignOpen = open;
  style_.TableAlignClose = close;
  style_.TableAlignAttr = attr;
}

void TableLayout::fitBanner() {
  // A freshly read first.tpf carries the delivered width and alignment, and is fixed.
  TextHolder& first = holders_.rtxtFirst;
  first.setText(RewriteMarker(first.text(), "width=", kDeliveredWidth, style_.TableWidth));
  first.setText(ReplaceAll(first.text(), kDeliveredAlignAttr, style_.TableAlignAttr));
  if (style_.TableFitted) {
    fitted::Piece table = fitted::table(style_.TableWidth);
    first.setText(ReplaceAll(first.text(), table.fixed, table.fitted));
  }
}

Fragments TableLayout::tables() const {
  return {holders_.rtxtTagHead, holders_.rtxtFirst};
}

std::vector<TableLayout::Swap> TableLayout::swaps() {
  Fragments rows, bodies;
  for (int i = 1; i <= kSections; ++i) {
    rows.emplace_back(page_.section(i).txtTag1);
    bodies.emplace_back(page_.section(i).txtTag2);
  }
  return {{tables(), fitted::table(style_.TableWidth)},
          {{holders_.rtxtTagHead}, fitted::sectionList(style_.CellSpacing, style_.TableHeight)},
          {rows, fitted::sectionRow(style_.TitleWidth)},
          {rows, fitted::nameMayWrap()},
          {bodies, fitted::sectionBody()},
          {{holders_.rtxtSendHead}, fitted::shippingTable()},
          {shippingRows_.leads, fitted::shippingRow(style_.ShippingTableWidth)},
          {shippingRows_.leads, fitted::nameMayWrap()},
          {shippingRows_.mids, fitted::shippingPrice()}};
}

void TableLayout::swapForms(bool fit) {
  for (const Swap& s : swaps()) {
    replaceAll(s.where, fit ? s.piece.fixed : s.piece.fitted, fit ? s.piece.fitted : s.piece.fixed);
  }
}

void TableLayout::applyFit() {
  bool fit = chkFit.value() == 1;
  if (fit == style_.TableFitted) return;
  swapForms(fit);
  style_.TableFitted = fit;
  page_.fitPictures(fit);
}

void TableLayout::refitting(const std::function<void()>& change) {
  if (style_.TableFitted) swapForms(false);
  change();
  if (style_.TableFitted) swapForms(true);
}

void TableLayout::applyTitleAlign() {
  const char* word;
  if (optTA[0]->value() == 1) {
    word = "left";
  } else if (optTA[1]->value() == 1) {
    word = "center";
  } else if (optTA[2]->value() == 1) {
    word = "right";
  } else {
    return;
  }
  Fragments titles;
  for (int i = 1; i <= kSections; ++i) titles.emplace_back(page_.section(i).txtTag1);
  rewriteAll(titles, "align=", style_.TitleAlign, word);
  style_.TitleAlign = word;
}

void TableLayout::registerIn(Registry& r) {
  r.add(cmbCellspacing);
  r.add(cmbCellpadding);
  for (DimensionBox* d : {&width, &height, &titleWidth}) {
    r.add(d->txt);
    r.add(d->updn);
  }
  for (auto& b : optTableAlign) r.add(*b);
  for (auto& b : optTA) r.add(*b);
  r.add(chkFit);
}

}  // namespace bq

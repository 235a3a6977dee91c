#include "style/colour_style.h"

#include "style/mdl_color.h"

namespace bq {
namespace {

std::string sectionName(const char* stem, int i, const char* tail) {
  return stem + std::to_string(i) + tail;
}

constexpr std::int32_t kWhite = 0xFFFFFF;

}  // namespace

ColourStyle::ColourStyle(PageModel& page, PageHolders& holders, const ShippingRowPieces& shipping,
                         StyleState& style, Platform& platform, Actions& actions)
    : platform_(platform) {
  txtHTMLColor.setVisible(false);
  std::function<void()> refresh = [&actions] { actions.RefreshPreview(); };
  std::function<void()> shippingRebuild = [&actions] { actions.BuildShippingSection(); };
  std::function<void()> paymentRebuild = [&actions] { actions.BuildPaymentSection(); };

  for (int i = 1; i <= kSections; ++i) {
    Section& s = page.section(i);
    addSlot(sectionName("cmdT", i, "BC"), "背景の色", {s.txtTag1}, "bgcolor=#",
            style.TitleBackColor[i], refresh);
  }
  for (int i = 1; i <= kSections; ++i) {
    Section& s = page.section(i);
    addSlot(sectionName("cmdT", i, "FC"), "フォントの色", {s.txtTag1}, "font color=#",
            style.TitleFontColor[i], refresh);
  }
  // Section 5's body colours reach the shipping rows; section 6's rebuild the payment list.
  const Fragments& leads = shipping.leads;
  const Fragments& mids = shipping.mids;
  for (int i = 1; i <= kSections; ++i) {
    Section& s = page.section(i);
    Fragments back{s.txtTag2};
    std::function<void()> finish = refresh;
    if (i == 5) {
      back.insert(back.end(), leads.begin(), leads.end());
      back.insert(back.end(), mids.begin(), mids.end());
      finish = shippingRebuild;
    } else if (i == 6) {
      finish = paymentRebuild;
    }
    addSlot(sectionName("cmdE", i, "BC"), "背景の色", back, "bgcolor=#", style.EditBackColor[i],
            finish);
  }
  for (int i = 1; i <= kSections; ++i) {
    Section& s = page.section(i);
    if (i == 5) {
      // The body's own font tag follows the names' colour only: were both to rewrite it, it
      // would hold whichever was chosen last, which no settings file records.
      Fragments names{s.txtTag2}, prices;
      names.insert(names.end(), leads.begin(), leads.end());
      prices.insert(prices.end(), mids.begin(), mids.end());
      addSlot("cmdE5FC_1", "フォントの色", names, "font color=#", style.ShippingNameFontColor,
              shippingRebuild);
      addSlot("cmdE5FC_2", "フォントの色", prices, "font color=#", style.ShippingPriceFontColor,
              shippingRebuild);
      continue;
    }
    addSlot(sectionName("cmdE", i, "FC"), "フォントの色", {s.txtTag2}, "font color=#",
            style.EditFontColor[i], i == 6 ? paymentRebuild : refresh);
  }
  addSlot("cmdColor", "線の色", {holders.rtxtTagHead}, "bgcolor=#", style.TableLineColor, refresh);
  addSlot("cmdSendLC", "線の色", {holders.rtxtSendHead}, "bordercolor=#", style.ShippingLineColor,
          shippingRebuild);
  slots_.at("cmdColor").button->setShowsFill(true);
  slots_.at("cmdSendLC").button->setShowsFill(true);

  auto family = [](const char* stem, const char* tail, bool withShipping) {
    std::vector<std::string> names;
    for (int i = 1; i <= kSections; ++i) {
      if (withShipping && i == 5) {
        names.insert(names.end(), {"cmdE5FC_1", "cmdE5FC_2"});
      } else {
        names.push_back(sectionName(stem, i, tail));
      }
    }
    return names;
  };
  addBulk("cmdTBC", "背景の色（一括設定）", family("cmdT", "BC", false), refresh);
  addBulk("cmdTFC", "フォントの色（一括設定）", family("cmdT", "FC", false), refresh);
  auto shippingThenRefresh = [&actions] {
    actions.BuildShippingSection();
    actions.RefreshPreview();
  };
  addBulk("cmdEBC", "背景の色（一括設定）", family("cmdE", "BC", false), shippingThenRefresh);
  // Section 5's body font colour lives in its two column slots; bulk reaches both.
  addBulk("cmdEFC", "フォントの色（一括設定）", family("cmdE", "FC", true), shippingThenRefresh);
}

PushButton& ColourStyle::addButton(const std::string& name, const char* caption) {
  buttons_.push_back(std::make_unique<PushButton>(name, caption));
  return *buttons_.back();
}

void ColourStyle::addSlot(const std::string& name, const char* caption, Fragments fragments,
                          const char* marker, std::string& remembered,
                          std::function<void()> finish) {
  PushButton& b = addButton(name, caption);
  ColourSlot& s = slots_
                      .emplace(name, ColourSlot{&b, std::move(fragments), marker, &remembered,
                                                std::move(finish)})
                      .first->second;
  b.onClick([this, &s] {
    if (!chooseColour(s.button->swatch())) return;
    ApplySlotColor(s, cdgColor);
    s.finish();
  });
}

void ColourStyle::addBulk(const std::string& name, const char* caption,
                          std::vector<std::string> slotNames, std::function<void()> finish) {
  PushButton& b = addButton(name, caption);
  b.onClick([this, slotNames = std::move(slotNames), finish = std::move(finish)] {
    if (!chooseColour(slots_.at(slotNames.front()).button->swatch())) return;
    for (const std::string& n : slotNames) ApplySlotColor(slots_.at(n), cdgColor);
    finish();
  });
}

bool ColourStyle::chooseColour(std::int32_t current) {
  // The dialog starts at the colour being changed, so that OK alone changes nothing; the last
  // choice is one click away among the custom colours.
  std::optional<std::int32_t> chosen = platform_.chooseColour(current, cdgColor);
  if (!chosen) return false;
  cdgColor = *chosen;
  return true;
}

void ColourStyle::PickHtmlColor() {
  txtHTMLColor.setText(HtmlColorCode(cdgColor));
}

void ColourStyle::ApplySlotColor(ColourSlot& slot, std::int32_t colour) {
  cdgColor = colour;
  PickHtmlColor();
  const std::string code = txtHTMLColor.text();
  if (slot.button->showsFill()) {
    slot.button->setFillColor(colour);
  } else {
    slot.button->setForeColor(colour);
  }
  rewriteAll(slot.fragments, slot.marker, *slot.remembered, code);
  *slot.remembered = code;
}

ColourSlot* ColourStyle::slot(const std::string& buttonName) {
  auto it = slots_.find(buttonName);
  return it == slots_.end() ? nullptr : &it->second;
}

void ColourStyle::setStartColours() {
  // The swatches show the colours the templates really carry, so that saving an untouched
  // page and loading it again changes nothing.
  slots_.at("cmdColor").button->setFillColor(0x333333);
  slots_.at("cmdSendLC").button->setFillColor(0xCCCCCC);
  for (int i = 1; i <= kSections; ++i) {
    slots_.at(sectionName("cmdT", i, "BC")).button->setForeColor(kWhite);
    slots_.at(sectionName("cmdE", i, "BC")).button->setForeColor(kWhite);
  }
}

void ColourStyle::registerIn(Registry& r) {
  for (auto& b : buttons_) r.add(*b);
  r.add(txtHTMLColor);
  r.addValue("cdgColor", [this] { return std::to_string(cdgColor); });
}

}  // namespace bq

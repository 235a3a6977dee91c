#include "style/bold_size.h"

#include <algorithm>

#include "style/mdl_color.h"

namespace bq {
namespace {

std::vector<std::string> sizeItems() {
  return {"1", "2", "3", "4", "5", "6", "7"};
}

}  // namespace

BoldAndSize::BoldAndSize(PageModel& page, PageHolders& holders, const ShippingRowPieces& shipping,
                         StyleState& style, Actions& actions)
    : actions_(actions) {
  std::function<void()> refresh = [&actions] { actions.RefreshPreview(); };
  std::function<void()> shippingRebuild = [&actions] { actions.BuildShippingSection(); };
  std::function<void()> paymentRebuild = [&actions] { actions.BuildPaymentSection(); };
  const Fragments& leads = shipping.leads;
  const Fragments& mids = shipping.mids;
  const Fragments& tails = shipping.tails;

  for (int i = 1; i <= kSections; ++i) {
    Section& s = page.section(i);
    Fragments closing{s.txtTag2};
    // Section 5's title closes a second time in the shipping head: the table is built again at
    // once, so the page shown is the page the saved file gives.
    if (i == 5) closing.emplace_back(holders.rtxtSendHead);
    addBold("chkT" + std::to_string(i) + "B", {s.txtTag1}, closing,
            i == 5 ? shippingRebuild : refresh);
  }
  for (int i : {1, 2, 3, 4, 6, 7, 8}) {
    Section& s = page.section(i);
    addBold("chkE" + std::to_string(i) + "B", {s.txtTag2}, {s.txtTag3},
            i == 6 ? paymentRebuild : refresh);
  }
  addBold("chkE5B_1", leads, mids, shippingRebuild);
  addBold("chkE5B_2", mids, tails, shippingRebuild);

  for (int i = 1; i <= kSections; ++i) {
    addSize("cmbT" + std::to_string(i) + "FS", {page.section(i).txtTag1}, style.TitleFontSize[i],
            refresh);
  }
  for (int i = 1; i <= kSections; ++i) {
    Fragments body{page.section(i).txtTag2};
    std::function<void()> finish = refresh;
    if (i == 5) {
      body.insert(body.end(), leads.begin(), leads.end());
      body.insert(body.end(), mids.begin(), mids.end());
      finish = shippingRebuild;
    } else if (i == 6) {
      finish = paymentRebuild;
    }
    addSize("cmbE" + std::to_string(i) + "FS", body, style.EditFontSize[i], finish);
  }
}

void BoldAndSize::addBold(const std::string& name, Fragments opening, Fragments closing,
                          std::function<void()> finish) {
  boldButtons_.push_back(std::make_unique<ToggleButton>(name, "太字"));
  ToggleButton* b = boldButtons_.back().get();
  pairs_.push_back({b, std::move(opening), std::move(closing), std::move(finish)});
  std::size_t k = pairs_.size() - 1;
  b->onClick([this, k] {
    applyBold(pairs_[k]);
    pairs_[k].finish();
  });
}

void BoldAndSize::applyBold(const BoldPair& pair) {
  if (pair.button->value() == 1) {
    replaceAll(pair.opening, "<!strong>", "<strong>");
    replaceAll(pair.closing, "<!/strong>", "</strong>");
  } else {
    replaceAll(pair.opening, "<strong>", "<!strong>");
    replaceAll(pair.closing, "</strong>", "<!/strong>");
  }
}

void BoldAndSize::ApplyBoldSettings() {
  for (const BoldPair& p : pairs_) applyBold(p);
  actions_.BuildShippingSection();
  actions_.BuildPaymentSection();
}

void BoldAndSize::addSize(const std::string& name, Fragments fragments, std::string& remembered,
                          std::function<void()> finish) {
  sizeBoxes_.push_back(std::make_unique<ComboBox>(name, sizeItems(), "フォントサイズ"));
  ComboBox* box = sizeBoxes_.back().get();
  sizes_.push_back(std::make_unique<SizeSlot>(
      SizeSlot{box, std::move(fragments), &remembered, std::move(finish)}));
  SizeSlot* slot = sizes_.back().get();
  box->onClick([slot] {
    if (rewriteChoice(*slot->box, slot->fragments, "size=", *slot->remembered)) slot->finish();
  });
}

ComboBox& BoldAndSize::sizeBox(const std::string& name) {
  auto it = std::find_if(sizeBoxes_.begin(), sizeBoxes_.end(),
                         [&name](const auto& b) { return b->name() == name; });
  return **it;
}

void BoldAndSize::registerIn(Registry& r) {
  for (auto& b : boldButtons_) r.add(*b);
  for (auto& b : sizeBoxes_) r.add(*b);
}

}  // namespace bq

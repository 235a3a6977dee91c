#include "app/listing_report.h"

#include "app/frm_main.h"
#include "checks/markup_reader.h"

namespace bq::checks {

namespace {

// The text boxes and colours of the shown sections and ticked rows.
void gather(frmMain& form, std::vector<Source>& sources, std::vector<Colours>& colours) {
  const StyleState& st = form.style;
  for (int i = 1; i <= kSections; ++i) {
    Section& s = form.page.section(i);
    if (!s.shown()) continue;
    std::string n = "欄" + std::to_string(i);
    sources.push_back({n + " 見出し", s.txtTitle.name(), &s.txtTitle.text()});
    if (!s.txtTitle.text().empty()) {
      colours.push_back({n + " 見出し", st.TitleFontColor[i], st.TitleBackColor[i]});
    }
    if (i == kShippingSection) {
      bool any = false;
      for (int r = 1; r <= kShippingRows; ++r) {
        ShippingRow& row = form.shipping.row(r);
        if (row.chkSend.value() != 1) continue;
        any = true;
        sources.push_back({"発送方法", row.txtSend.name(), &row.txtSend.text()});
        sources.push_back({"発送方法", row.txtMoney.name(), &row.txtMoney.text()});
      }
      if (any) {
        colours.push_back({"発送方法 品名", st.ShippingNameFontColor, st.EditBackColor[5]});
        colours.push_back({"発送方法 料金", st.ShippingPriceFontColor, st.EditBackColor[5]});
      }
    } else if (i == kPaymentSection) {
      bool any = false;
      for (int r = 1; r <= kPaymentRows; ++r) {
        PaymentRow& row = form.payment.row(r);
        if (row.chkBank.value() != 1) continue;
        any = true;
        sources.push_back({"支払方法", row.txtBank.name(), &row.txtBank.text()});
      }
      if (any) {
        sources.push_back(
            {"支払方法", form.payment.txtBankPunc.name(), &form.payment.txtBankPunc.text()});
        colours.push_back({"支払方法", st.EditFontColor[6], st.EditBackColor[6]});
      }
    } else {
      sources.push_back({n + " 本文", s.txtEdit.name(), &s.txtEdit.text()});
      if (!s.txtEdit.text().empty()) {
        colours.push_back({n + " 本文", st.EditFontColor[i], st.EditBackColor[i]});
      }
    }
  }
}

}  // namespace

std::vector<Finding> checkListing(frmMain& form) {
  ListingCopy boxes;  // no copies: the sources point at the text boxes themselves
  gather(form, boxes.sources, boxes.colours);
  return checkCopy(boxes);
}

std::shared_ptr<const ListingCopy> copyListing(frmMain& form) {
  auto copy = std::make_shared<ListingCopy>();
  gather(form, copy->sources, copy->colours);
  copy->texts.reserve(copy->sources.size());  // the sources point into it: no reallocation
  for (Source& s : copy->sources) {
    copy->texts.push_back(*s.text);
    s.text = &copy->texts.back();
  }
  return copy;
}

std::vector<Finding> checkCopy(const ListingCopy& copy) {
  std::vector<Finding> out = checkTexts(copy.sources);
  std::vector<Finding> hidden = checkColours(copy.colours);
  out.insert(out.end(), hidden.begin(), hidden.end());
  return out;
}

int fixStrayLessThan(frmMain& form) {
  std::vector<Source> sources;
  std::vector<Colours> colours;
  gather(form, sources, colours);
  int changed = 0;
  for (const Source& s : sources) {
    std::string mended = escapeStrayMarkup(*s.text);
    if (mended == *s.text) continue;
    form.registry().find<TextBox>(s.control)->setText(std::move(mended));
    ++changed;
  }
  return changed;
}

}  // namespace bq::checks

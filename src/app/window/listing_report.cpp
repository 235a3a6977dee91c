#include "app/window/listing_report.h"

#include "app/window/frm_main.h"
#include "markup/markup_reader.h"
#include "settings/conversions.h"

namespace bq::checks {

namespace {

int toPixels(const std::string& value, int otherwise) {
  return toInt32(value).value_or(otherwise);
}

// The text boxes and colours of the shown sections and ticked rows, and how the page lays
// them out.
void gather(frmMain& form, std::vector<Source>& sources, std::vector<Colours>& colours,
            PhoneLayout& phone) {
  const StyleState& st = form.style;
  phone.fitted = st.TableFitted;
  phone.tableWidth = toPixels(st.TableWidth, 750);
  phone.cellSpacing = toPixels(st.CellSpacing, 1);
  phone.cellPadding = toPixels(st.CellPadding, 3);
  auto cell = [&](int px) { return PhoneCell{sources.size() - 1, px}; };
  for (int i = 1; i <= kSections; ++i) {
    Section& s = form.page.section(i);
    if (!s.shown()) continue;
    std::string n = "欄" + std::to_string(i);
    const int bodyPx = fontSizePx(st.EditFontSize[i]);
    sources.push_back({n + " 見出し", s.txtTitle.name(), &s.txtTitle.text()});
    PhoneSection& laid = phone.sections.emplace_back();
    laid.where = n;
    laid.title = cell(fontSizePx(st.TitleFontSize[i]));
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
        laid.shippingNames.push_back(cell(bodyPx));
        sources.push_back({"発送方法", row.txtMoney.name(), &row.txtMoney.text()});
        laid.shippingPrices.push_back(cell(bodyPx));
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
        laid.body.push_back(cell(bodyPx));
      }
      if (any) {
        sources.push_back(
            {"支払方法", form.payment.txtBankPunc.name(), &form.payment.txtBankPunc.text()});
        laid.body.push_back(cell(bodyPx));
        colours.push_back({"支払方法", st.EditFontColor[6], st.EditBackColor[6]});
      }
    } else {
      sources.push_back({n + " 本文", s.txtEdit.name(), &s.txtEdit.text()});
      laid.body.push_back(cell(bodyPx));
      if (!s.txtEdit.text().empty()) {
        colours.push_back({n + " 本文", st.EditFontColor[i], st.EditBackColor[i]});
      }
    }
  }
}

}  // namespace

std::vector<Finding> checkListing(frmMain& form) {
  ListingCopy boxes;  // no copies: the sources point at the text boxes themselves
  gather(form, boxes.sources, boxes.colours, boxes.phone);
  return checkCopy(boxes);
}

std::shared_ptr<const ListingCopy> copyListing(frmMain& form) {
  auto copy = std::make_shared<ListingCopy>();
  gather(form, copy->sources, copy->colours, copy->phone);
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
  std::vector<Finding> wide = checkPhoneWidth(copy.sources, copy.phone);
  out.insert(out.end(), wide.begin(), wide.end());
  return out;
}

int fixStrayLessThan(frmMain& form) {
  std::vector<Source> sources;
  std::vector<Colours> colours;
  PhoneLayout phone;
  gather(form, sources, colours, phone);
  int changed = 0;
  for (const Source& s : sources) {
    std::string mended = markup::escapeStrayMarkup(*s.text);
    if (mended == *s.text) continue;
    form.registry().find<TextBox>(s.control)->setText(std::move(mended));
    ++changed;
  }
  return changed;
}

}  // namespace bq::checks

#include "shipping/payment_list.h"

namespace bq {

PaymentRow::PaymentRow(int i)
    : chkBank("chkBank" + std::to_string(i), {}, 0), txtBank("txtBank" + std::to_string(i)) {}

PaymentList::PaymentList(PageModel& page, Actions& actions) : page_(page), actions_(actions) {
  auto rebuild = [this] { BuildPaymentSection(); };
  txtBankPunc.onChange(rebuild);
  for (int i = 1; i <= kPaymentRows; ++i) {
    auto& r = rows_[static_cast<std::size_t>(i - 1)];
    r = std::make_unique<PaymentRow>(i);
    r->chkBank.onClick(rebuild);
    r->txtBank.onChange(rebuild);
  }
}

void PaymentList::BuildPaymentSection() {
  const std::string& separator = txtBankPunc.text();
  std::string all;
  for (int i = 1; i <= kPaymentRows; ++i) {
    PaymentRow& r = row(i);
    PayItem[i] = r.chkBank.value() == 1 ? r.txtBank.text() + separator : std::string{};
    all += PayItem[i];
  }
  // The list ends with a separator exactly when a row is listed; dropping it whole keeps a
  // separator of several characters (or bytes) from being cut in half.
  if (all.size() >= separator.size() && !all.empty()) all.resize(all.size() - separator.size());
  page_.section(6).EditText = all;
  actions_.RefreshPreview();
}

void PaymentList::registerIn(Registry& r) {
  r.add(txtBankPunc);
  for (auto& row : rows_) {
    r.add(row->chkBank);
    r.add(row->txtBank);
  }
  for (int i = 1; i <= kPaymentRows; ++i) {
    r.addValue(indexed("PayItem", i), [this, i] { return PayItem[i]; });
  }
}

}  // namespace bq

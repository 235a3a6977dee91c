// Section 6's body: the names of the checked payment methods joined by the separator.
#pragma once

#include <array>
#include <memory>
#include <string>

#include "core/actions.h"
#include "forms/controls.h"
#include "forms/registry.h"
#include "page/page_model.h"

namespace bq {

inline constexpr int kPaymentRows = 16;

struct PaymentRow {
  explicit PaymentRow(int index);
  CheckBox chkBank;
  TextBox txtBank;
};

class PaymentList {
 public:
  PaymentList(PageModel& page, Actions& actions);

  void BuildPaymentSection();

  PaymentRow& row(int i) { return *rows_.at(static_cast<std::size_t>(i - 1)); }
  void registerIn(Registry& r);

  TextBox txtBankPunc{"txtBankPunc"};
  std::array<std::string, kPaymentRows + 1> PayItem;  // 1..16

 private:
  PageModel& page_;
  Actions& actions_;
  std::array<std::unique_ptr<PaymentRow>, kPaymentRows> rows_;
};

}  // namespace bq

#include "app/x_text_box.h"

namespace bq {

void clsXTextBox::EventKeyDown(std::int16_t& keyCode) {
  if (keyCode == kKeyEnter && box_ != nullptr) box_->replaceSelection("<BR>");
}

}  // namespace bq

// The one editing aid of the title and body boxes: Enter first puts an HTML line break where
// the caret is, then the box inserts its own line break as usual.
#pragma once

#include <cstdint>

#include "forms/controls.h"

namespace bq {

inline constexpr std::int16_t kKeyEnter = 13;

class clsXTextBox {
 public:
  void setXTextBox(TextBox* box) { box_ = box; }
  // The key code is left as it is, so the box still handles the key.
  void EventKeyDown(std::int16_t& keyCode);

 private:
  TextBox* box_ = nullptr;
};

}  // namespace bq

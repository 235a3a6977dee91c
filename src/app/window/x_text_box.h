// The one editing aid of the title and body boxes: Enter first puts an HTML line break where
// the caret is, then the box inserts its own line break as usual.
#pragma once

#include <cstdint>
#include <string>

#include "forms/controls.h"

namespace bq {

inline constexpr std::int16_t kKeyEnter = 13;

class clsXTextBox {
 public:
  void setXTextBox(TextBox* box) { box_ = box; }
  // The key code is left as it is, so the box still handles the key.
  void EventKeyDown(std::int16_t& keyCode);
  // Pasted text as if each line break had been typed with Enter: "<BR>" before every line
  // break, unless the line already ends with one (in any letter case). Line breaks become the
  // box's own ("\n").
  static std::string pastedLines(const std::string& text);

 private:
  TextBox* box_ = nullptr;
};

}  // namespace bq

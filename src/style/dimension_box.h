// A width or height entry: a text box paired with a spinner (0..10000, step 10). Only whole
// numbers from 0 to 10000 ever reach a fragment; text that is not such a number leaves the
// value in force alone, and a number above 10000 is refused with a message.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "forms/controls.h"
#include "forms/platform.h"

namespace bq {

inline constexpr int kMaxDimension = 10000;

// The text as a number: digits (full-width ones too) with an optional fraction, blanks around
// allowed. Nothing for empty text, letters, a sign or more than 32 characters.
std::optional<double> parseDimension(const std::string& text);

// Rounds halves to the even neighbour.
int roundHalfEven(double v);

class DimensionBox {
 public:
  // `apply` receives each new whole number, as text, and rewrites the fragments with it.
  DimensionBox(std::string textName, std::string spinName, int start, std::string toolTip,
               Platform& platform, std::function<void(const std::string&)> apply);

  // When the box loses the focus with text that is not in force, it shows the value in force.
  void focusLost();
  // Whether the box holds text that is no number it takes (the page keeps the value in force),
  // and what to tell the seller then.
  bool refused() const { return refused_; }
  std::string allowedRange() const;

  TextBox txt;
  UpDown updn;

 private:
  void textChanged();
  Platform& platform_;
  std::function<void(const std::string&)> apply_;
  int inForce_;
  bool refused_ = false;
};

}  // namespace bq

#include "style/dimension_box.h"

#include <cmath>

namespace bq {

namespace {

// Digits, point and blank as Japanese input methods type them, in their ASCII form.
std::string narrowed(const std::string& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    auto b = [&](std::size_t k) { return static_cast<unsigned char>(text[i + k]); };
    if (i + 2 < text.size() && b(0) == 0xEF && b(1) == 0xBC && b(2) >= 0x90 && b(2) <= 0x99) {
      out += static_cast<char>('0' + (b(2) - 0x90));  // ０..９
    } else if (i + 2 < text.size() && b(0) == 0xEF && b(1) == 0xBC && b(2) == 0x8E) {
      out += '.';  // ．
    } else if (i + 2 < text.size() && b(0) == 0xE3 && b(1) == 0x80 && b(2) == 0x80) {
      out += ' ';  // the ideographic space
    } else {
      out += text[i];
      continue;
    }
    i += 2;
  }
  return out;
}

}  // namespace

std::optional<double> parseDimension(const std::string& typed) {
  std::string text = narrowed(typed);
  std::size_t b = text.find_first_not_of(" \t");
  if (b == std::string::npos) return std::nullopt;
  std::size_t e = text.find_last_not_of(" \t");
  std::string t = text.substr(b, e - b + 1);
  bool digit = false;
  bool point = false;
  for (char c : t) {
    if (c >= '0' && c <= '9') {
      digit = true;
    } else if (c == '.' && !point) {
      point = true;
    } else {
      return std::nullopt;
    }
  }
  if (!digit || t.size() > 32) return std::nullopt;
  return std::stod(t);
}

int roundHalfEven(double v) {
  return static_cast<int>(std::nearbyint(v));
}

DimensionBox::DimensionBox(std::string textName, std::string spinName, int start,
                           std::string toolTip, Platform& platform,
                           std::function<void(const std::string&)> apply)
    : txt(std::move(textName), std::to_string(start)),
      updn(std::move(spinName), start, 0, kMaxDimension, 10),
      platform_(platform),
      apply_(std::move(apply)),
      inForce_(start) {
  txt.setToolTip(std::move(toolTip));
  txt.onChange([this] { textChanged(); });
  updn.onChange([this] { txt.setText(std::to_string(updn.value())); });
}

std::string DimensionBox::allowedRange() const {
  return "0 から " + std::to_string(kMaxDimension) + " までの数を入力してください（今は " +
         std::to_string(inForce_) + " が使われています）。";
}

void DimensionBox::textChanged() {
  std::optional<double> number = parseDimension(txt.text());
  // Empty text is the seller on the way to a new number; anything else is refused visibly.
  refused_ = !number && txt.text().find_first_not_of(" \t") != std::string::npos;
  if (!number) return;
  int value;
  if (*number > kMaxDimension) {
    platform_.showMessage("10000以下の数値を入力してください", "情報", MessageIcon::Information);
    // Re-enters this handler with the spinner's value, which then is in force again.
    txt.setText(std::to_string(updn.value()));
    value = updn.value();
  } else {
    value = roundHalfEven(*number);
    updn.setValue(value);
  }
  inForce_ = value;
  apply_(std::to_string(value));
}

void DimensionBox::focusLost() {
  refused_ = false;
  txt.setText(std::to_string(inForce_));
}

}  // namespace bq

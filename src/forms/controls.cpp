#include "forms/controls.h"

#include <algorithm>

#include "text/cp932.h"

namespace bq {

Control::Control(std::string name, std::string caption)
    : name_(std::move(name)), caption_(std::move(caption)) {}

void Control::notify() {
  for (auto& o : observers_) o();
}

TextBox::TextBox(std::string name, std::string text) : Control(std::move(name)), text_(text) {}

void TextBox::setText(const std::string& text) {
  if (text == text_) return;
  setText(std::string(text));
}

void TextBox::setText(std::string&& text) {
  if (text == text_) return;
  for (auto& b : beforeChange_) b(text_);
  text_ = std::move(text);
  std::size_t len = text::utf8Length(text_);
  selStart_ = std::min(selStart_, len);
  selLength_ = std::min(selLength_, len - selStart_);
  notify();
  if (onChange_) onChange_();
}

void TextBox::setSelection(std::size_t start, std::size_t length) {
  std::size_t len = text::utf8Length(text_);
  selStart_ = std::min(start, len);
  selLength_ = std::min(length, len - selStart_);
}

void TextBox::replaceSelection(const std::string& text) {
  std::size_t from = text::utf8Offset(text_, selStart_);
  std::size_t to = text::utf8Offset(text_, selStart_ + selLength_);
  std::string next = text_.substr(0, from) + text + text_.substr(to);
  std::size_t caret = selStart_ + text::utf8Length(text);
  selLength_ = 0;
  selStart_ = caret;
  setText(next);
  selStart_ = std::min(caret, text::utf8Length(text_));
}

void TextHolder::setText(std::string text) {
  if (text == text_) return;
  text_ = std::move(text);
  notify();
}

CheckBox::CheckBox(std::string name, std::string caption, int value)
    : Control(std::move(name), std::move(caption)), value_(value) {}

bool CheckBox::setValue(int value) {
  if (!accepts(value)) return false;
  if (value == value_) return true;
  value_ = value;
  notify();
  if (onClick_) onClick_();
  return true;
}

ComboBox::ComboBox(std::string name, std::vector<std::string> items, std::string idleText)
    : Control(std::move(name)), items_(std::move(items)), idleText_(std::move(idleText)) {}

void ComboBox::setItems(std::vector<std::string> items) {
  items_ = std::move(items);
  listIndex_ = -1;
  notify();
}

bool ComboBox::setListIndex(int index) {
  if (!accepts(index)) return false;
  listIndex_ = index;
  notify();
  if (onClick_) onClick_();
  return true;
}

const std::string& ComboBox::text() const {
  return listIndex_ >= 0 ? items_[static_cast<std::size_t>(listIndex_)] : idleText_;
}

OptionButton::OptionButton(std::string name, std::string caption, OptionGroup& group)
    : Control(std::move(name), std::move(caption)), group_(group) {
  group_.add(this);
}

void OptionButton::setValue(int value) {
  if (value == 0) {
    release();
    return;
  }
  if (value_ == 1) return;
  group_.select(this);
  if (onClick_) onClick_();
}

void OptionButton::release() {
  if (value_ == 0) return;
  value_ = 0;
  notify();
}

void OptionGroup::select(OptionButton* chosen) {
  for (OptionButton* m : members_) {
    if (m != chosen) m->release();
  }
  chosen->value_ = 1;
  chosen->notify();
}

int OptionGroup::selected() const {
  for (std::size_t i = 0; i < members_.size(); ++i) {
    if (members_[i]->value() == 1) return static_cast<int>(i);
  }
  return -1;
}

UpDown::UpDown(std::string name, int value, int min, int max, int step)
    : Control(std::move(name)), value_(value), min_(min), max_(max), step_(step) {}

bool UpDown::setValue(int value) {
  if (!accepts(value)) return false;
  if (value == value_) return true;
  value_ = value;
  notify();
  if (onChange_) onChange_();
  return true;
}

void UpDown::stepBy(int steps) {
  long long next = static_cast<long long>(value_) + static_cast<long long>(steps) * step_;
  setValue(static_cast<int>(std::clamp<long long>(next, min_, max_)));
}

void PushButton::setForeColor(std::int32_t c) {
  if (c == foreColor_) return;
  foreColor_ = c;
  notify();
}

void PushButton::setFillColor(std::int32_t c) {
  if (c == fillColor_) return;
  fillColor_ = c;
  notify();
}

void ToggleButton::setValue(std::int32_t v) {
  if (v == value_) return;
  value_ = v;
  notify();
}

void ToggleButton::click() {
  setValue(value_ == 1 ? 0 : 1);
  if (onClick_) onClick_();
}

bool userClick(Control& c) {
  switch (c.kind()) {
    case ControlKind::PushButton:
      static_cast<PushButton&>(c).click();
      return true;
    case ControlKind::CheckBox:
      static_cast<CheckBox&>(c).click();
      return true;
    case ControlKind::ToggleButton:
      static_cast<ToggleButton&>(c).click();
      return true;
    case ControlKind::OptionButton:
      static_cast<OptionButton&>(c).click();
      return true;
    default:
      return false;
  }
}

std::string valueText(const Control& c) {
  switch (c.kind()) {
    case ControlKind::TextBox:
      return static_cast<const TextBox&>(c).text();
    case ControlKind::TextHolder:
      return static_cast<const TextHolder&>(c).text();
    case ControlKind::CheckBox:
      return std::to_string(static_cast<const CheckBox&>(c).value());
    case ControlKind::ComboBox:
      return std::to_string(static_cast<const ComboBox&>(c).listIndex());
    case ControlKind::OptionButton:
      return std::to_string(static_cast<const OptionButton&>(c).value());
    case ControlKind::UpDown:
      return std::to_string(static_cast<const UpDown&>(c).value());
    case ControlKind::ToggleButton:
      return std::to_string(static_cast<const ToggleButton&>(c).value());
    case ControlKind::PushButton:
      return std::to_string(static_cast<const PushButton&>(c).swatch());
  }
  return {};
}

}  // namespace bq

// The control primitives of the main window, headless. Setting a value from code runs the
// control's handler synchronously before the setter returns; text boxes, check boxes and
// up-downs only when the value really changes. Handlers may set other controls and re-enter.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace bq {

using Handler = std::function<void()>;

enum class ControlKind {
  TextBox,
  TextHolder,
  CheckBox,
  ComboBox,
  OptionButton,
  UpDown,
  ToggleButton,
  PushButton,
};

class Control {
 public:
  Control(std::string name, std::string caption = {});
  Control(const Control&) = delete;
  Control& operator=(const Control&) = delete;
  virtual ~Control() = default;

  virtual ControlKind kind() const = 0;
  const std::string& name() const { return name_; }
  const std::string& caption() const { return caption_; }

  // Hidden controls are variables of the window, never shown to the seller.
  bool visible() const { return visible_; }
  void setVisible(bool v) { visible_ = v; }

  // The GUI binder listens here to mirror values set by code; it is told before the handler runs.
  using Observer = std::function<void()>;
  void observe(Observer o) { observers_.push_back(std::move(o)); }

 protected:
  void notify();

 private:
  std::string name_;
  std::string caption_;
  bool visible_ = true;
  std::vector<Observer> observers_;
};

class TextBox : public Control {
 public:
  TextBox(std::string name, std::string text = {});
  ControlKind kind() const override { return ControlKind::TextBox; }

  const std::string& text() const { return text_; }
  void setText(const std::string& text);
  // The same, taking the text over (a long text is not copied).
  void setText(std::string&& text);
  void onChange(Handler h) { onChange_ = std::move(h); }
  // Told of the text about to be replaced, before a real change (the history keeps a long text
  // only once it changes).
  using BeforeChange = std::function<void(const std::string& old)>;
  void observeBefore(BeforeChange b) { beforeChange_.push_back(std::move(b)); }

  // Caret and selection in characters, as the seller left them.
  std::size_t selStart() const { return selStart_; }
  std::size_t selLength() const { return selLength_; }
  void setSelection(std::size_t start, std::size_t length);
  // Replaces the selection (or inserts at the caret) and leaves the caret after the new text.
  void replaceSelection(const std::string& text);

  bool readOnly() const { return readOnly_; }
  void setReadOnly(bool r) { readOnly_ = r; }
  const std::string& toolTip() const { return toolTip_; }
  void setToolTip(std::string t) { toolTip_ = std::move(t); }

 private:
  std::string text_;
  std::size_t selStart_ = 0;
  std::size_t selLength_ = 0;
  bool readOnly_ = false;
  std::string toolTip_;
  Handler onChange_;
  std::vector<BeforeChange> beforeChange_;
};

// The hidden rich-text boxes: plain holders of a fragment's text, without handlers.
class TextHolder : public Control {
 public:
  using Control::Control;
  ControlKind kind() const override { return ControlKind::TextHolder; }
  const std::string& text() const { return text_; }
  void setText(std::string text);

 private:
  std::string text_;
};

class CheckBox : public Control {
 public:
  CheckBox(std::string name, std::string caption, int value);
  ControlKind kind() const override { return ControlKind::CheckBox; }

  int value() const { return value_; }
  // 0 unchecked, 1 checked, 2 greyed; anything else is rejected (false).
  bool setValue(int value);
  static bool accepts(int value) { return value >= 0 && value <= 2; }
  void click() { setValue(value_ == 1 ? 0 : 1); }
  void onClick(Handler h) { onClick_ = std::move(h); }

 private:
  int value_;
  Handler onClick_;
};

class ComboBox : public Control {
 public:
  ComboBox(std::string name, std::vector<std::string> items, std::string idleText = {});
  ControlKind kind() const override { return ControlKind::ComboBox; }

  const std::vector<std::string>& items() const { return items_; }
  void setItems(std::vector<std::string> items);
  int listIndex() const { return listIndex_; }
  // -1 clears the selection; an index beyond the list is rejected (false). Every accepted
  // selection runs the click handler, also when it selects the item already selected.
  bool setListIndex(int index);
  bool accepts(int index) const { return index >= -1 && index < static_cast<int>(items_.size()); }
  // The selected item's text, or the idle text while nothing is selected.
  const std::string& text() const;
  // What the list says of itself ("フォントサイズ", "発送元").
  const std::string& idleText() const { return idleText_; }
  void onClick(Handler h) { onClick_ = std::move(h); }

 private:
  std::vector<std::string> items_;
  std::string idleText_;
  int listIndex_ = -1;
  Handler onClick_;
};

class OptionGroup;

// A member of a one-of-n group: value 1 while selected, 0 otherwise.
class OptionButton : public Control {
 public:
  OptionButton(std::string name, std::string caption, OptionGroup& group);
  ControlKind kind() const override { return ControlKind::OptionButton; }

  int value() const { return value_; }
  // A non-zero value selects this member and releases the others, running the click handler
  // when it was not selected before; 0 releases it alone, without a click.
  void setValue(int value);
  void click() { setValue(1); }
  void onClick(Handler h) { onClick_ = std::move(h); }

 private:
  friend class OptionGroup;
  void release();
  int value_ = 0;
  OptionGroup& group_;
  Handler onClick_;
};

class OptionGroup {
 public:
  void add(OptionButton* b) { members_.push_back(b); }
  void select(OptionButton* chosen);
  // Index of the first selected member, -1 when none is.
  int selected() const;

 private:
  std::vector<OptionButton*> members_;
};

class UpDown : public Control {
 public:
  UpDown(std::string name, int value, int min, int max, int step);
  ControlKind kind() const override { return ControlKind::UpDown; }

  int value() const { return value_; }
  int min() const { return min_; }
  int max() const { return max_; }
  int step() const { return step_; }
  // A value outside min..max is rejected (false); the change handler runs on a real change.
  bool setValue(int value);
  bool accepts(int value) const { return value >= min_ && value <= max_; }
  // The seller's click on the arrows: one step, held inside the range.
  void stepBy(int steps);
  void onChange(Handler h) { onChange_ = std::move(h); }

 private:
  int value_, min_, max_, step_;
  Handler onChange_;
};

// A push button that may carry colours (caption and fill), shown as a swatch.
class PushButton : public Control {
 public:
  using Control::Control;
  ControlKind kind() const override { return ControlKind::PushButton; }

  void click() {
    if (enabled_ && onClick_) onClick_();
  }
  void onClick(Handler h) { onClick_ = std::move(h); }
  // A button with nothing to do (元に戻す with nothing to take back) is shown greyed and ignores
  // clicks; observers are told when this changes.
  bool enabled() const { return enabled_; }
  void setEnabled(bool e) {
    if (e == enabled_) return;
    enabled_ = e;
    notify();
  }

  std::int32_t foreColor() const { return foreColor_; }
  void setForeColor(std::int32_t c);
  std::int32_t fillColor() const { return fillColor_; }
  void setFillColor(std::int32_t c);
  // Which of the two colours is this button's swatch (and what the settings file stores).
  bool showsFill() const { return showsFill_; }
  void setShowsFill(bool f) { showsFill_ = f; }
  std::int32_t swatch() const { return showsFill_ ? fillColor_ : foreColor_; }

 private:
  std::int32_t foreColor_ = 0;
  std::int32_t fillColor_ = 0;
  bool showsFill_ = false;
  bool enabled_ = true;
  Handler onClick_;
};

// A two-state button: 1 while pressed. Setting the value from code runs no click.
class ToggleButton : public Control {
 public:
  using Control::Control;
  ControlKind kind() const override { return ControlKind::ToggleButton; }

  std::int32_t value() const { return value_; }
  void setValue(std::int32_t v);
  void click();
  void onClick(Handler h) { onClick_ = std::move(h); }

 private:
  std::int32_t value_ = 0;
  Handler onClick_;
};

// The seller's click on a control of a clickable kind (push button, check box, toggle, option);
// false for the others.
bool userClick(Control& c);

// A control's value as text: a text box's or holder's text, a check box's, toggle's, option's
// or up-down's value, a combo box's list index, a push button's swatch colour number.
std::string valueText(const Control& c);

}  // namespace bq

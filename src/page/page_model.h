// The eight sections of the page: their entry controls, their three styled fragments and the
// five slots that page assembly reads. A hidden section keeps its controls and fragments but
// its slots stay empty.
#pragma once

#include <array>
#include <memory>
#include <string>

#include "core/actions.h"
#include "forms/controls.h"
#include "forms/registry.h"
#include "page/sections.h"

namespace bq {

// A slot of the page: a text of its own, or the text of the box the seller types in, referred
// to rather than copied, so that a long body is held once.
class Slot {
 public:
  Slot& operator=(std::string text) {
    own_.swap(text);  // the old text's buffer goes with `text` (a moved-onto string keeps it)
    box_ = nullptr;
    return *this;
  }
  void refer(const TextBox& box) {
    box_ = &box;
    own_.clear();
    own_.shrink_to_fit();
  }
  void clear() { *this = std::string{}; }
  const std::string& text() const { return box_ ? box_->text() : own_; }

 private:
  std::string own_;
  const TextBox* box_ = nullptr;
};

struct Section {
  explicit Section(int index);

  int index;
  TextBox txtTitle;
  TextBox txtEdit;
  CheckBox chkTitle;
  TextBox txtTag1;  // opens the section and its title cell
  TextBox txtTag2;  // between title and body
  TextBox txtTag3;  // after the body

  // Slots, in page order.
  std::string TitleTag;
  Slot TitleText;
  std::string EditTag;
  Slot EditText;
  std::string EndTag;

  bool shown() const { return chkTitle.value() == 1; }
  void clearSlots();
};

class PageModel {
 public:
  explicit PageModel(Actions& actions);

  Section& section(int i) { return *sections_.at(static_cast<std::size_t>(i - 1)); }
  const Section& section(int i) const { return *sections_.at(static_cast<std::size_t>(i - 1)); }

  // Pictures in the bodies kept within the screen (a page fitted to it), or as typed.
  void fitPictures(bool fit);

  void registerIn(Registry& r);

 private:
  void wire(Section& s);
  void takeBody(Section& s);  // the body slot of a shown section, from its box
  bool fitPictures_ = false;
  Actions& actions_;
  std::array<std::unique_ptr<Section>, kSections> sections_;
};

}  // namespace bq

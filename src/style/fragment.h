// A place that holds fragment text: a hidden text box (whose change updates its page slot), a
// hidden rich-text holder, or one of the shipping-row members. Style changes treat them alike.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "forms/controls.h"

namespace bq {

class Fragment {
 public:
  Fragment(TextBox& b) : box_(&b) {}
  Fragment(TextHolder& h) : holder_(&h) {}
  Fragment(std::string& s) : member_(&s) {}

  const std::string& text() const;
  void setText(const std::string& text);

 private:
  TextBox* box_ = nullptr;
  TextHolder* holder_ = nullptr;
  std::string* member_ = nullptr;
};

using Fragments = std::vector<Fragment>;

// The shipping table's row pieces the style controls rewrite (section 5's body): handed to
// style by the window, as the Actions are, so that style never knows the shipping table.
struct ShippingRowPieces {
  Fragments leads, mids, tails;
};

// Marker+old becomes marker+new in each fragment, in order.
void rewriteAll(const Fragments& fragments, std::string_view marker, std::string_view oldValue,
                std::string_view newValue);

// Every `from` becomes `to` in each fragment, in order.
void replaceAll(const Fragments& fragments, std::string_view from, std::string_view to);

// A list's chosen value rewritten after its marker and remembered. False, with nothing changed,
// while the list has nothing selected (only a settings file does that): its idle text must
// never land in a fragment.
bool rewriteChoice(const ComboBox& list, const Fragments& fragments, std::string_view marker,
                   std::string& remembered);

// Fragments of the same kind from an array of members, indexes first..last.
template <class Array>
void appendMembers(Fragments& out, Array& members, int first, int last) {
  for (int i = first; i <= last; ++i) out.emplace_back(members[static_cast<std::size_t>(i)]);
}

}  // namespace bq

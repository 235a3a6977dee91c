#include "style/fragment.h"

#include "style/mdl_color.h"

namespace bq {

const std::string& Fragment::text() const {
  if (box_) return box_->text();
  if (holder_) return holder_->text();
  return *member_;
}

void Fragment::setText(const std::string& text) {
  if (box_) {
    box_->setText(text);
  } else if (holder_) {
    holder_->setText(text);
  } else {
    *member_ = text;
  }
}

void rewriteAll(const Fragments& fragments, std::string_view marker, std::string_view oldValue,
                std::string_view newValue) {
  for (Fragment f : fragments) f.setText(RewriteMarker(f.text(), marker, oldValue, newValue));
}

void replaceAll(const Fragments& fragments, std::string_view from, std::string_view to) {
  for (Fragment f : fragments) f.setText(ReplaceAll(f.text(), from, to));
}

bool rewriteChoice(const ComboBox& list, const Fragments& fragments, std::string_view marker,
                   std::string& remembered) {
  if (list.listIndex() < 0) return false;
  rewriteAll(fragments, marker, remembered, list.text());
  remembered = list.text();
  return true;
}

}  // namespace bq

#include "app/window/x_text_box.h"

namespace bq {

void clsXTextBox::EventKeyDown(std::int16_t& keyCode) {
  if (keyCode == kKeyEnter && box_ != nullptr) box_->replaceSelection("<BR>");
}

std::string clsXTextBox::pastedLines(const std::string& text) {
  std::string out;
  out.reserve(text.size() + text.size() / 8);
  auto endsInBreakTag = [&out] {
    if (out.size() < 4) return false;
    std::string tail = out.substr(out.size() - 4);
    for (char& c : tail) c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
    return tail == "<BR>";
  };
  for (std::size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c != '\r' && c != '\n') {
      out += c;
      continue;
    }
    if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    if (!endsInBreakTag()) out += "<BR>";
    out += '\n';
  }
  return out;
}

}  // namespace bq

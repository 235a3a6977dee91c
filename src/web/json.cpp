#include "web/json.h"

namespace bq::web {

void Json::separate() {
  if (afterKey_) {
    afterKey_ = false;
    return;
  }
  if (first_.empty()) return;
  if (!first_.back()) out_ += ',';
  first_.back() = false;
}

Json& Json::open(char c) {
  separate();
  out_ += c;
  first_.push_back(true);
  return *this;
}

Json& Json::close(char c) {
  out_ += c;
  first_.pop_back();
  return *this;
}

Json& Json::raw(const std::string& json) {
  separate();
  out_ += json;
  return *this;
}

Json& Json::value(const std::string& s) {
  separate();
  out_.reserve(out_.size() + s.size() + 2);
  out_ += '"';
  static const char* hex = "0123456789abcdef";
  for (char ch : s) {
    auto c = static_cast<unsigned char>(ch);
    switch (c) {
      case '"':
        out_ += "\\\"";
        break;
      case '\\':
        out_ += "\\\\";
        break;
      case '\n':
        out_ += "\\n";
        break;
      case '\r':
        out_ += "\\r";
        break;
      case '\t':
        out_ += "\\t";
        break;
      default:
        if (c < 0x20) {
          out_ += "\\u00";
          out_ += hex[c >> 4];
          out_ += hex[c & 15];
        } else {
          out_ += ch;
        }
    }
  }
  out_ += '"';
  return *this;
}

}  // namespace bq::web

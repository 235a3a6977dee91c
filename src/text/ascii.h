// ASCII letters, digits and blanks, whatever the locale: what HTML and INI names are made of.
#pragma once

namespace bq::text::ascii {

inline char lower(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}
inline bool isAlpha(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
inline bool isDigit(char c) {
  return c >= '0' && c <= '9';
}
// The tokenizer's whitespace; a CR counts because the browser turns it into a line feed first.
inline bool isBlank(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

}  // namespace bq::text::ascii

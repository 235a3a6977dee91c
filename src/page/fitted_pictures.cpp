#include "page/fitted_pictures.h"

#include "markup/markup_reader.h"
#include "text/ascii.h"

namespace bq {
namespace {

// Within the screen and in its own shape: a height of its own is kept as the most it may take,
// since together with a narrowed width it would squeeze the picture.
constexpr std::string_view kFit = "max-width:100%;height:auto";

const markup::MarkupAttribute* attribute(const markup::Markup& m, std::string_view name) {
  for (const markup::MarkupAttribute& a : m.attributes) {
    if (a.name == name) return &a;  // the browser takes the first of a name
  }
  return nullptr;
}

}  // namespace

bool mayHoldPicture(std::string_view text) {
  for (std::size_t i = text.find('<'); i != std::string_view::npos; i = text.find('<', i + 1)) {
    if (i + 3 < text.size() && text::ascii::lower(text[i + 1]) == 'i' &&
        text::ascii::lower(text[i + 2]) == 'm' && text::ascii::lower(text[i + 3]) == 'g') {
      return true;
    }
  }
  return false;
}

std::string fitPictures(std::string_view text) {
  if (!mayHoldPicture(text)) return std::string(text);
  markup::MarkupReader reader(text);
  std::string out;
  out.reserve(text.size() + 64);
  std::size_t copied = 0;
  for (std::size_t i = text.find('<'); i != std::string_view::npos; i = text.find('<', i)) {
    markup::Markup m = reader.read(i);
    if (m.kind == markup::Markup::Text || m.kind == markup::Markup::Comment || !m.closed) {
      i = m.kind == markup::Markup::Text ? i + 1 : m.end;
      continue;
    }
    std::size_t next = m.end;
    if (!m.closing && markup::isRawTextElement(m.name)) {
      std::size_t close = markup::rawTextEnd(text, m.end, m.name);
      next = close == std::string_view::npos ? text.size() : close;
    }
    if (!m.closing && m.name == "img") {
      std::string fit(kFit);
      const markup::MarkupAttribute* height = attribute(m, "height");
      if (height && !attribute(m, "width")) {
        std::string_view h = text.substr(height->valueBegin, height->valueEnd - height->valueBegin);
        std::size_t digits = 0;
        while (digits < h.size() && digits < 6 && text::ascii::isDigit(h[digits])) ++digits;
        bool pixels = digits == h.size() || h.substr(digits) == "px";
        if (digits > 0 && pixels) fit += ";max-height:" + std::string(h.substr(0, digits)) + "px";
      }
      const markup::MarkupAttribute* style = attribute(m, "style");
      if (style && style->valueEnd > style->valueBegin) {
        out.append(text.substr(copied, style->valueBegin - copied));
        out.append(fit);
        out += ';';
        copied = style->valueBegin;
      } else {
        std::size_t afterName = i + 4;  // "<img"
        out.append(text.substr(copied, afterName - copied));
        out += " style=\"";
        out.append(fit);
        out += '"';
        copied = afterName;
      }
    }
    i = next;
  }
  out.append(text.substr(copied));
  return out;
}

}  // namespace bq

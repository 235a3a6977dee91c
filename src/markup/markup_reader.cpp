#include "markup/markup_reader.h"

#include <algorithm>
#include <set>

#include "text/ascii.h"

namespace bq::markup {
namespace {

constexpr std::size_t npos = std::string::npos;

using namespace text::ascii;

// Every element a browser knows, current and obsolete.
// clang-format off
const std::set<std::string_view> kElements = {
    "a", "abbr", "acronym", "address", "applet", "area", "article", "aside", "audio", "b", "base",
    "basefont", "bdi", "bdo", "bgsound", "big", "blink", "blockquote", "body", "br", "button",
    "canvas", "caption", "center", "cite", "code", "col", "colgroup", "data", "datalist", "dd",
    "del", "details", "dfn", "dialog", "dir", "div", "dl", "dt", "em", "embed", "fieldset",
    "figcaption", "figure", "font", "footer", "form", "frame", "frameset", "h1", "h2", "h3", "h4",
    "h5", "h6", "head", "header", "hgroup", "hr", "html", "i", "iframe", "image", "img", "input",
    "ins", "kbd", "keygen", "label", "legend", "li", "link", "listing", "main", "map", "mark",
    "marquee", "math", "menu", "meta", "meter", "multicol", "nav", "nobr", "noembed", "noframes",
    "noscript", "object", "ol", "optgroup", "option", "output", "p", "param", "picture",
    "plaintext", "pre", "progress", "q", "rb", "rp", "rt", "rtc", "ruby", "s", "samp", "script",
    "search", "section", "select", "slot", "small", "source", "spacer", "span", "strike", "strong",
    "style", "sub", "summary", "sup", "svg", "table", "tbody", "td", "template", "textarea",
    "tfoot", "th", "thead", "time", "title", "tr", "track", "tt", "u", "ul", "var", "video", "wbr",
    "xmp"};
// clang-format on

// Attributes of those elements, global and presentational, as listing HTML uses them.
// clang-format off
const std::set<std::string_view> kAttributes = {
    "abbr", "accept", "accept-charset", "accesskey", "action", "align", "alink", "allow",
    "allowfullscreen", "alt", "archive", "async", "autocapitalize", "autocomplete", "autofocus",
    "autoplay", "axis", "background", "behavior", "bgcolor", "bgproperties", "border",
    "bordercolor", "bordercolordark", "bordercolorlight", "bottommargin", "cellpadding",
    "cellspacing", "char", "charoff", "charset", "checked", "cite", "class", "classid", "clear",
    "code", "codebase", "codetype", "color", "cols", "colspan", "compact", "content",
    "contenteditable", "controls", "coords", "crossorigin", "data", "datetime", "declare",
    "decoding", "default", "defer", "dir", "direction", "dirname", "disabled", "download",
    "draggable", "enctype", "enterkeyhint", "face", "fetchpriority", "for", "form", "formaction",
    "frame", "frameborder", "headers", "height", "hidden", "high", "href", "hreflang", "hspace",
    "http-equiv", "id", "inert", "inputmode", "integrity", "is", "ismap", "itemid", "itemprop",
    "itemref", "itemscope", "itemtype", "kind", "label", "lang", "language", "leftmargin", "link",
    "list", "longdesc", "loop", "low", "marginheight", "marginwidth", "max", "maxlength", "media",
    "method", "min", "minlength", "multiple", "muted", "name", "nohref", "nonce", "noresize",
    "noshade", "novalidate", "nowrap", "object", "open", "optimum", "pattern", "ping",
    "placeholder", "playsinline", "popover", "poster", "preload", "profile", "readonly",
    "referrerpolicy", "rel", "required", "rev", "reversed", "rightmargin", "role", "rows",
    "rowspan", "rules", "sandbox", "scope", "scrollamount", "scrolldelay", "scrolling", "selected",
    "shape", "size", "sizes", "slot", "span", "spellcheck", "src", "srcdoc", "srclang", "srcset",
    "standby", "start", "step", "style", "summary", "tabindex", "target", "text", "title",
    "topmargin", "translate", "truespeed", "type", "usemap", "valign", "value", "valuetype",
    "version", "vlink", "vspace", "width"};
// clang-format on

// The longest name in kElements: a longer tag name is decided unknown without reading it all.
constexpr std::size_t kLongestElement = 10;

// Letters on both sides of one ":": "o:p" and its kind, pasted from word processors.
bool isNamespaced(const std::string& name) {
  std::size_t colon = name.find(':');
  return colon != npos && colon > 0 && colon + 1 < name.size() &&
         std::all_of(name.begin(), name.end(), [](char c) { return isAlpha(c) || c == ':'; }) &&
         name.find(':', colon + 1) == npos;
}

bool knownElement(const std::string& name) {
  // Not custom elements ("abc-123"): that is how model numbers look in angle brackets.
  return kElements.count(name) > 0 || isNamespaced(name);
}

// Elements whose start tag shows nothing without its end tag: no void elements, none whose end
// tag may be left out.
bool needsEndTag(const std::string& name) {
  static const std::set<std::string_view> kNot = {
      "area",     "base", "basefont", "bgsound", "body",  "br",   "caption", "col",
      "colgroup", "dd",   "dt",       "embed",   "frame", "head", "hr",      "html",
      "image",    "img",  "input",    "keygen",  "li",    "link", "meta",    "option",
      "optgroup", "p",    "param",    "rb",      "rp",    "rt",   "rtc",     "source",
      "tbody",    "td",   "tfoot",    "th",      "thead", "tr",   "track",   "wbr"};
  return kElements.count(name) > 0 && kNot.count(name) == 0;
}

bool knownAttribute(const std::string& name) {
  if (name.size() > 2 && name.compare(0, 2, "on") == 0) {
    return std::all_of(name.begin() + 2, name.end(), isAlpha);  // an event, found as such
  }
  if (name.compare(0, 5, "data-") == 0 || name.compare(0, 5, "aria-") == 0) return name.size() > 5;
  if (name.find(':') != npos) return isAlpha(name[0]);  // xml:lang, xmlns:o
  return kAttributes.count(name) > 0;
}

bool startsWithNoCase(std::string_view t, std::size_t at, std::string_view word) {
  if (t.size() - at < word.size()) return false;
  for (std::size_t k = 0; k < word.size(); ++k) {
    if (lower(t[at + k]) != word[k]) return false;
  }
  return true;
}

// The tag states, from the tag name's first letter to the ">" (or the end of the text).
class TagReader {
 public:
  TagReader(std::string_view t, Markup& m, bool stopAtStray)
      : t_(t), m_(m), stopAtStray_(stopAtStray) {}

  void read(std::size_t i) {
    // Tag name: to a blank, "/" or ">".
    while (i < t_.size() && !isBlank(t_[i]) && t_[i] != '/' && t_[i] != '>') {
      if (m_.name.size() <= kLongestElement) {
        m_.name += lower(t_[i]);
      } else if (stopAtStray_) {
        return stray(i);
      }
      ++i;
    }
    m_.knownName = knownElement(m_.name);
    if (!m_.knownName && stopAtStray_) return stray(i);
    attributes(i);
  }

 private:
  void stray(std::size_t at) {
    m_.kind = Markup::Stray;
    m_.end = at;
  }
  void ends(std::size_t at) {
    m_.end = at;
    m_.closed = true;
    bool meant = m_.knownName && std::all_of(m_.attributes.begin(), m_.attributes.end(),
                                             [](const MarkupAttribute& a) { return a.known; });
    m_.kind = meant ? Markup::Element : Markup::Stray;
  }
  // Inside the page the tag runs on into what follows the text, whatever it was meant to be.
  void runsOut() {
    m_.kind = Markup::Stray;
    m_.end = t_.size();
    m_.closed = false;
  }

  void attributes(std::size_t i) {
    for (;;) {
      // Before an attribute name ("/" outside a value only marks a self-closing tag).
      while (i < t_.size() && (isBlank(t_[i]) || t_[i] == '/')) ++i;
      if (i >= t_.size()) return runsOut();
      if (t_[i] == '>') return ends(i + 1);
      MarkupAttribute a;
      std::size_t b = i++;  // a first "=" belongs to the name
      while (i < t_.size() && !isBlank(t_[i]) && t_[i] != '/' && t_[i] != '>' && t_[i] != '=') ++i;
      for (std::size_t k = b; k < i; ++k) a.name += lower(t_[k]);
      a.known = knownAttribute(a.name);
      if (!a.known && stopAtStray_) return stray(i);
      // After the name: blanks, then "=" and a value, or the next attribute.
      std::size_t j = i;
      while (j < t_.size() && isBlank(t_[j])) ++j;
      if (j < t_.size() && t_[j] == '=') {
        i = j + 1;
        while (i < t_.size() && isBlank(t_[i])) ++i;
        if (i >= t_.size()) return runsOut();
        if (t_[i] == '"' || t_[i] == '\'') {
          char q = t_[i++];
          std::size_t close = t_.find(q, i);
          if (close == npos) return runsOut();  // an open quote takes everything after it
          a.valueBegin = i;
          a.valueEnd = close;
          i = close + 1;
        } else if (t_[i] != '>') {
          a.valueBegin = i;
          while (i < t_.size() && !isBlank(t_[i]) && t_[i] != '>') ++i;
          a.valueEnd = i;
        }
      } else {
        i = j;
      }
      m_.attributes.push_back(std::move(a));
    }
  }

  std::string_view t_;
  Markup& m_;
  bool stopAtStray_;
};

// "<!--" … "-->" (or "--!>"); "<!-->" and "<!--->" close at once.
void readComment(std::string_view t, Markup& m) {
  std::size_t i = m.begin + 4;
  m.kind = Markup::Comment;
  if (t.compare(i, 1, ">") == 0) {
    m.end = i + 1;
    return;
  }
  if (t.compare(i, 2, "->") == 0) {
    m.end = i + 2;
    return;
  }
  for (std::size_t dash = t.find("--", i); dash != npos; dash = t.find("--", dash + 1)) {
    if (t.compare(dash + 2, 1, ">") == 0) {
      m.end = dash + 3;
      return;
    }
    if (t.compare(dash + 2, 2, "!>") == 0) {
      m.end = dash + 4;
      return;
    }
  }
  m.end = t.size();
  m.closed = false;
}

// Up to the next ">": a bogus comment, or a DOCTYPE.
// With `stopAtStray`, stray markup is known as such at once: where it ends is not wanted.
void readToGreaterThan(std::string_view t, Markup& m, Markup::Kind kind, bool stopAtStray = false) {
  m.kind = kind;
  if (stopAtStray && kind == Markup::Stray) {
    m.end = m.begin + 2;
    return;
  }
  std::size_t gt = t.find('>', m.begin + 2);
  m.closed = gt != npos;
  m.end = gt == npos ? t.size() : gt + 1;
}

}  // namespace

MarkupReader::MarkupReader(std::string_view text) : t_(text) {}

std::size_t MarkupReader::lastEndTag(const std::string& name) const {
  // Made on first need: reading a page for its meta tags needs none of it.
  if (!lastEndTag_) indexEndTags();
  auto at = lastEndTag_->find(name);
  return at == lastEndTag_->end() ? npos : at->second;
}

void MarkupReader::indexEndTags() const {
  lastEndTag_.emplace();
  // Plain end tags only ("</b>", "</b >"): one with attributes is stray and may be mended into
  // text, and what counts as closed must not change when the mend writes a "&lt;".
  for (std::size_t i = t_.find("</"); i != npos; i = t_.find("</", i + 2)) {
    std::string name;
    std::size_t k = i + 2;
    for (; k < t_.size() && !isBlank(t_[k]) && t_[k] != '/' && t_[k] != '>'; ++k) {
      if (name.size() > kLongestElement) break;
      name += lower(t_[k]);
    }
    while (k < t_.size() && isBlank(t_[k])) ++k;
    if (k < t_.size() && t_[k] == '>' && needsEndTag(name)) (*lastEndTag_)[name] = i;
  }
}

Markup MarkupReader::read(std::size_t lt, bool stopAtStray) const {
  std::string_view t = t_;
  Markup m;
  m.begin = lt;
  m.end = lt + 1;
  char next = lt + 1 < t.size() ? t[lt + 1] : '\0';
  if (isAlpha(next)) {
    TagReader(t, m, stopAtStray).read(lt + 1);
    if (m.kind == Markup::Element && m.attributes.empty() && needsEndTag(m.name)) {
      std::size_t end = lastEndTag(m.name);
      if (end == npos || end < lt) {
        m.kind = Markup::Stray;
        m.neverClosed = true;
      }
    }
  } else if (next == '/') {
    char after = lt + 2 < t.size() ? t[lt + 2] : '\0';
    m.closing = true;
    if (isAlpha(after)) {
      TagReader(t, m, stopAtStray).read(lt + 2);
    } else if (after == '>') {
      m.kind = Markup::Stray;  // "</>" is dropped without a trace
      m.end = lt + 3;
    } else {
      // A bogus comment; "</" at the end of the text takes what follows it in the page.
      readToGreaterThan(t, m, Markup::Stray, stopAtStray);
    }
  } else if (next == '!') {
    if (t.compare(lt, 4, "<!--") == 0) {
      readComment(t, m);
    } else if (startsWithNoCase(t, lt + 2, "doctype")) {
      readToGreaterThan(t, m, Markup::Comment);
    } else {
      readToGreaterThan(t, m, Markup::Stray, stopAtStray);
    }
  } else if (next == '?') {
    readToGreaterThan(t, m, Markup::Stray, stopAtStray);
  }
  return m;
}

bool isRawTextElement(const std::string& name) {
  // noscript: buyers' browsers run scripts, so for them its content is not markup either.
  static const std::set<std::string_view> kRaw = {"iframe",    "noembed", "noframes", "noscript",
                                                  "plaintext", "script",  "style",    "textarea",
                                                  "title",     "xmp"};
  return kRaw.count(name) > 0;
}

std::size_t rawTextEnd(std::string_view t, std::size_t from, const std::string& name) {
  for (std::size_t i = t.find("</", from); i != npos; i = t.find("</", i + 2)) {
    std::size_t after = i + 2 + name.size();
    if (!startsWithNoCase(t, i + 2, name)) continue;
    if (after >= t.size() || isBlank(t[after]) || t[after] == '/' || t[after] == '>') return i;
  }
  return npos;
}

std::string escapeStrayMarkup(std::string_view t) {
  MarkupReader reader(t);
  std::string out;
  out.reserve(t.size() + 16);
  // Every markup but text ends at a ">": a tag, comment or declaration that begins after the
  // last one runs into the end of the text and is stray. Knowing it without reading to the end
  // again from every "<" keeps the mend linear (「<b title=<b title=…」).
  std::size_t lastGreaterThan = t.rfind('>');
  std::size_t i = 0;
  while (i < t.size()) {
    std::size_t lt = t.find('<', i);
    if (lt == npos) break;
    char after = lt + 1 < t.size() ? t[lt + 1] : '\0';
    if ((lastGreaterThan == npos || lt > lastGreaterThan) &&
        (isAlpha(after) || after == '/' || after == '!' || after == '?')) {
      out.append(t.substr(i, lt - i)).append("&lt;");
      i = lt + 1;
      continue;
    }
    Markup m = reader.read(lt, true);
    if (m.kind == Markup::Stray) {
      // Shown as a character, the browser reads on from the next one.
      out.append(t.substr(i, lt - i)).append("&lt;");
      i = lt + 1;
      continue;
    }
    std::size_t next = m.kind == Markup::Text ? lt + 1 : m.end;
    if (m.kind == Markup::Element && m.closed && !m.closing && isRawTextElement(m.name)) {
      std::size_t close = m.name == "plaintext" ? npos : rawTextEnd(t, next, m.name);
      next = close == npos ? t.size() : close;
    }
    out.append(t.substr(i, next - i));
    i = next;
  }
  if (i < t.size()) out.append(t.substr(i));
  return out;
}

void disarmRefresh(std::string& page) {
  MarkupReader reader(page);
  for (std::size_t lt = page.find('<'); lt != npos; lt = page.find('<', lt + 1)) {
    if (!startsWithNoCase(page, lt + 1, "meta")) continue;
    Markup m = reader.read(lt);
    if (m.name != "meta" || m.closing) continue;
    for (const MarkupAttribute& a : m.attributes) {
      std::size_t b = a.valueBegin, e = a.valueEnd;
      while (b < e && isBlank(page[b])) ++b;
      while (e > b && isBlank(page[e - 1])) --e;
      if (a.name == "http-equiv" && e - b == 7 && startsWithNoCase(page, b, "refresh")) {
        page[b] = 'x';
      }
    }
  }
}

}  // namespace bq::markup

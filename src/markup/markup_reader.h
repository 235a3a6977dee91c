// How a browser reads the "<" in a text the seller typed. The rules are those of the HTML
// tokenizer (data state, tag, attribute, comment and bogus-comment states), so that the
// checks say exactly which typed characters a buyer will not see. On top of the tokenizer one
// judgement of our own: markup the seller meant is an element a browser knows, with attributes
// a browser knows; anything else the tokenizer takes as markup swallows typed text.
#pragma once

#include <cstddef>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace bq::markup {

struct MarkupAttribute {
  std::string name;  // lower case
  std::size_t valueBegin = 0, valueEnd = 0;
  bool known = true;
};

struct Markup {
  enum Kind {
    Text,     // the "<" is shown as a character
    Element,  // a tag of an element the browser knows, with attributes it knows
    Comment,  // "<!-- … -->" or a DOCTYPE: hidden, and meant so
    Stray,    // read as markup nobody meant (an unknown tag, a bogus comment, "</>", a tag that
              // runs past the end of the text): typed text vanishes
  } kind = Text;
  std::size_t begin = 0;
  std::size_t end = 0;  // just past what the browser takes
  bool closed = true;   // false: it runs past the end of the text, into what follows
  bool closing = false;
  bool knownName = false;
  bool neverClosed = false;  // an element that needs an end tag the text does not have
  std::string name;          // lower case, as far as it was read
  std::vector<MarkupAttribute> attributes;
};

// Reads the markup of one text. Besides the tokenizer it knows which end tags the text holds:
// "<A>" or "<S>" with no "</A>" or "</S>" after it is a rank or a size, not a link or a
// strike-through over the rest of the page.
class MarkupReader {
 public:
  explicit MarkupReader(std::string_view text);

  // Reads the markup that the "<" at `lt` begins, in the data state. With `stopAtStray` the
  // reading ends as soon as it is clear the markup is stray (its `end` is then where it
  // stopped): enough for the mend, which goes on after the "<" anyway.
  Markup read(std::size_t lt, bool stopAtStray = false) const;

 private:
  // Where the last plain end tag of the name is, or npos.
  std::size_t lastEndTag(const std::string& name) const;
  void indexEndTags() const;

  std::string_view t_;
  mutable std::optional<std::map<std::string, std::size_t>> lastEndTag_;  // name → its last "</"
};

// Elements whose content is not markup up to their end tag (script, style, textarea …).
bool isRawTextElement(const std::string& name);

// Where the raw-text content that starts at `from` ends: the "<" of "</name" followed by a
// blank, "/" or ">" (any letter case), or npos.
std::size_t rawTextEnd(std::string_view text, std::size_t from, const std::string& name);

// The text with every "<" that begins stray markup written "&lt;", so that a browser shows
// every typed character; markup the seller meant is kept.
std::string escapeStrayMarkup(std::string_view text);

// Turns every <meta http-equiv="refresh"> of a page into one that refreshes nothing (its
// value's first letter is changed, the length kept; bytes of an ASCII-compatible encoding). The
// previews show a page, never leave it: browsers follow a refresh to about:blank without asking
// the program.
void disarmRefresh(std::string& page);

}  // namespace bq::markup

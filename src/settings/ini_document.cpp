#include "settings/ini_document.h"

#include <algorithm>
#include <unordered_map>

#include "text/ascii.h"

namespace bq {
namespace {

constexpr std::size_t npos = std::string::npos;
constexpr const char* kNewLine = "\r\n";

std::string_view trim(std::string_view s) {
  std::size_t b = s.find_first_not_of(" \t");
  if (b == npos) return {};
  std::size_t e = s.find_last_not_of(" \t");
  return s.substr(b, e - b + 1);
}

using text::ascii::lower;

std::string lowerAscii(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = lower(c);
  return out;
}

bool isAscii(std::string_view s) {
  return std::all_of(s.begin(), s.end(),
                     [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

std::string utf8ToUtf16BE(std::string_view utf8) {
  std::string le = text::utf8ToUtf16LE(utf8);
  for (std::size_t i = 0; i + 1 < le.size(); i += 2) std::swap(le[i], le[i + 1]);
  return le;
}

// Letters of the scripts a settings file meets (not punctuation or symbols such as 「」・：).
bool isLetter(char32_t c) {
  struct Range {
    char32_t from, to;
  };
  static constexpr Range kLetters[] = {
      {0x00C0, 0x00D6}, {0x00D8, 0x00F6},   {0x00F8, 0x02AF},  // Latin
      {0x0370, 0x03FF}, {0x0400, 0x052F},                      // Greek, Cyrillic
      {0x3005, 0x3007}, {0x3041, 0x309F},   {0x30A1, 0x30FA},  // 々〆〇, hiragana, katakana
      {0x30FC, 0x30FF}, {0x3400, 0x4DBF},   {0x4E00, 0x9FFF},  // ー, kanji
      {0xAC00, 0xD7AF}, {0xF900, 0xFAFF},                      // Hangul, compatibility kanji
      {0xFF10, 0xFF19}, {0xFF21, 0xFF3A},   {0xFF41, 0xFF5A},  // full-width digits and letters
      {0xFF66, 0xFF9F}, {0x20000, 0x3134F},                    // half-width kana, rare kanji
  };
  for (const Range& r : kLetters) {
    if (c >= r.from && c <= r.to) return true;
  }
  return false;
}

enum class Kind { Blank, Comment, Header, Key, Other };

// One line of the file, as the profile functions see it.
struct Line {
  std::size_t begin = 0, end = 0, next = 0;  // text [begin, end), line end [end, next)
  Kind kind = Kind::Blank;
  std::string_view name;                   // a header's or key's name, trimmed, UTF-8
  std::size_t nameBegin = 0, nameEnd = 0;  // a key's name in the file's own bytes
  std::size_t eq = 0;                      // a key's first "="
};

// Walks the lines of a text from `pos` to `limit`, classifying each.
class LineReader {
 public:
  LineReader(std::string_view body, std::size_t pos, std::size_t limit, bool cp932)
      : body_(body), pos_(pos), limit_(limit), cp932_(cp932) {}

  bool next() {
    if (pos_ >= limit_) return false;
    Line& l = line_;
    l = Line{};
    l.begin = pos_;
    std::size_t e = pos_;
    while (e < limit_ && body_[e] != '\r' && body_[e] != '\n') ++e;
    l.end = e;
    if (e < limit_) e += (body_[e] == '\r' && e + 1 < limit_ && body_[e + 1] == '\n') ? 2 : 1;
    l.next = pos_ = e;
    classify(l);
    return true;
  }
  const Line& line() const { return line_; }

 private:
  // In a code page 932 line "[" and "]" may be the second byte of a character, so a header is
  // looked at decoded; "=", ";", blanks and tabs never are, so a key is split on the bytes.
  void classify(Line& l) {
    std::string_view raw = body_.substr(l.begin, l.end - l.begin);
    std::string_view t = trim(raw);
    if (t.empty()) return;
    if (t[0] == ';') {
      l.kind = Kind::Comment;
      return;
    }
    if (t[0] == '[') {
      std::string_view decoded = t;
      if (cp932_ && !isAscii(t)) decoded = buffer_ = text::cp932ToUtf8(t);
      std::size_t close = decoded.rfind(']');
      if (close != npos) {
        l.kind = Kind::Header;
        l.name = trim(decoded.substr(1, close - 1));
        return;
      }
    }
    std::size_t eq = raw.find('=');
    if (eq == npos) {
      l.kind = Kind::Other;
      return;
    }
    l.kind = Kind::Key;
    l.eq = l.begin + eq;
    std::string_view name = trim(raw.substr(0, eq));
    l.nameBegin = l.begin + static_cast<std::size_t>(name.data() - raw.data());
    l.nameEnd = l.nameBegin + name.size();
    if (cp932_ && !isAscii(name)) name = buffer_ = text::cp932ToUtf8(name);
    l.name = name;
  }

  std::string_view body_;
  std::size_t pos_, limit_;
  bool cp932_;
  Line line_;
  std::string buffer_;  // a decoded name
};

// Where a text ends when the file ends in a DOS end-of-file mark (0x1A) on a line of its own.
std::size_t endBeforeEofMark(std::string_view body) {
  std::size_t end = body.size();
  if (end > 0 && body[end - 1] == '\n') --end;
  if (end > 0 && body[end - 1] == '\r') --end;
  std::size_t start = body.find_last_of("\r\n", end == 0 ? npos : end - 1);
  start = start == npos ? 0 : start + 1;
  if (start > end) return body.size();
  return trim(body.substr(start, end - start)) == "\x1A" ? start : body.size();
}

}  // namespace

bool isPlainName(std::string_view utf8) {
  if (utf8.empty()) return false;
  for (std::size_t i = 0; i < utf8.size();) {
    char32_t c = text::nextUtf8Char(utf8, i);
    bool ascii = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                 c == '_' || c == '.' || c == '-';
    if (!ascii && !isLetter(c)) return false;
  }
  return true;
}

struct IniDocument::Location {
  Line key;                     // the key's line; key.begin is npos when the file lacks the key
  std::size_t contEnd = 0;      // past its last continuation line (key.next when there is none)
  std::size_t appendAt = npos;  // where a new key of its section goes; npos: no such section
};

IniDocument IniDocument::parse(std::string bytes) {
  IniDocument doc;
  text::Decided decided = text::decideEncoding(bytes, true);
  doc.encoding_ = decided.encoding;
  if (!decided.clean()) doc.badLine_ = text::lineAt(bytes, decided, decided.bad);
  std::string_view view = bytes;
  switch (doc.encoding_) {
    case text::Encoding::Utf16LE:
    case text::Encoding::Utf16BE:
      doc.body_ = text::utf16ToUtf8(view.substr(2), doc.encoding_ == text::Encoding::Utf16BE);
      break;
    default:
      // A UTF-8 mark before code page 932 text is not read, but written back as it was.
      if (doc.encoding_ == text::Encoding::Cp932) doc.mark_ = bytes.substr(0, decided.mark);
      bytes.erase(0, decided.mark);
      doc.body_ = std::move(bytes);
      break;
  }
  doc.limit_ = endBeforeEofMark(doc.body_);
  if (std::size_t nul = doc.body_.find('\0'); nul < doc.limit_) {
    doc.nulLine_ = 1 + static_cast<std::size_t>(std::count(
                           doc.body_.begin(), doc.body_.begin() + static_cast<long>(nul), '\n'));
  }
  return doc;
}

std::string IniDocument::serialize() const {
  switch (encoding_) {
    case text::Encoding::Utf16LE:
      return "\xFF\xFE" + text::utf8ToUtf16LE(body_);
    case text::Encoding::Utf16BE:
      return "\xFE\xFF" + utf8ToUtf16BE(body_);
    case text::Encoding::Utf8Bom:
      return "\xEF\xBB\xBF" + body_;
    default:
      return mark_ + body_;
  }
}

bool IniDocument::canHold(std::string_view utf8) const {
  return encoding_ != text::Encoding::Cp932 || text::isCp932Exact(utf8);
}

void IniDocument::convertToUtf16() {
  if (encoding_ != text::Encoding::Cp932) return;
  std::size_t tail = body_.size() - limit_;
  body_ = text::cp932ToUtf8(body_);
  limit_ = body_.size() - tail;  // the end-of-file mark is ASCII
  encoding_ = text::Encoding::Utf16LE;
  mark_.clear();
}

std::string IniDocument::decode(std::string_view native) const {
  std::string s = encoding_ == text::Encoding::Cp932
                      ? text::cp932ToUtf8(text::withoutLoneLeadByte(native))
                      : text::toValidUtf8(native);
  // A value ends at a NUL for the profile functions; here it is left out, and the load says so.
  if (nulLine_) s.erase(std::remove(s.begin(), s.end(), '\0'), s.end());
  return s;
}

std::string IniDocument::encode(std::string_view utf8) const {
  if (encoding_ != text::Encoding::Cp932) return std::string(utf8);
  // The caller has made sure the file can hold it (canHold); HTML references would be wrong
  // here, so a character that slipped through becomes the code page's own replacement.
  if (auto bytes = text::utf8ToCp932(utf8)) return *bytes;
  return text::utf8ToCp932Html(utf8);
}

std::vector<IniDocument::Location> IniDocument::locate(const std::vector<Query>& queries) const {
  struct Section {
    std::unordered_map<std::string, std::vector<std::size_t>> keys;  // lower-case name -> queries
    std::vector<std::size_t> queries;
    bool seen = false;
    std::size_t appendAt = npos;
  };
  std::unordered_map<std::string, Section> sections;
  std::vector<Location> found(queries.size());
  for (std::size_t i = 0; i < queries.size(); ++i) {
    Section& s = sections[lowerAscii(trim(queries[i].section))];
    s.keys[lowerAscii(trim(queries[i].key))].push_back(i);
    s.queries.push_back(i);
    found[i].key.begin = npos;
  }

  Section* current = nullptr;                            // only the first section of a name counts
  const std::vector<std::size_t>* continuing = nullptr;  // the text key whose lines follow
  auto lastNonBlank = [&](const Line& l) { current->appendAt = l.next; };
  LineReader reader(body_, 0, limit_, encoding_ == text::Encoding::Cp932);
  while (reader.next()) {
    const Line& l = reader.line();
    if (l.kind == Kind::Header) {
      continuing = nullptr;
      auto it = sections.find(lowerAscii(l.name));
      current = (it != sections.end() && !it->second.seen) ? &it->second : nullptr;
      if (current) {
        current->seen = true;
        lastNonBlank(l);
      }
      continue;
    }
    if (continuing) {
      bool ownLine = l.kind == Kind::Comment || (l.kind == Kind::Key && isPlainName(l.name));
      if (!ownLine) {
        if (l.kind != Kind::Blank) {
          for (std::size_t q : *continuing) found[q].contEnd = l.next;
          lastNonBlank(l);
        }
        continue;
      }
      continuing = nullptr;
    }
    if (!current) continue;
    if (l.kind != Kind::Blank) lastNonBlank(l);
    if (l.kind != Kind::Key) continue;
    auto k = current->keys.find(lowerAscii(l.name));
    if (k == current->keys.end() || found[k->second.front()].key.begin != npos) continue;
    bool text = false;
    for (std::size_t q : k->second) {
      found[q].key = l;
      found[q].key.name = {};  // points into the reader's buffer
      found[q].contEnd = l.next;
      text = text || queries[q].text;
    }
    if (text) continuing = &k->second;
  }
  for (auto& [name, s] : sections) {
    for (std::size_t q : s.queries) found[q].appendAt = s.appendAt;
  }
  return found;
}

std::vector<std::optional<IniDocument::Found>> IniDocument::lookup(
    const std::vector<Query>& queries) const {
  std::vector<Location> at = locate(queries);
  std::vector<std::optional<Found>> out(queries.size());
  std::string_view body = body_;
  for (std::size_t i = 0; i < queries.size(); ++i) {
    const Line& k = at[i].key;
    if (k.begin == npos) continue;
    Found f;
    f.value = decode(body.substr(k.eq + 1, k.end - k.eq - 1));
    if (queries[i].text && at[i].contEnd > k.next) {
      std::size_t raw = at[i].contEnd - k.begin;
      f.text.reserve(encoding_ == text::Encoding::Cp932 ? raw + raw / 2 : raw);
      f.text = f.value;
      LineReader more(body_, k.next, at[i].contEnd, false);
      while (more.next()) {
        const Line& l = more.line();
        f.text += '\n';
        f.text += decode(body.substr(l.begin, l.end - l.begin));
      }
    }
    out[i] = std::move(f);
  }
  return out;
}

std::optional<std::string> IniDocument::read(std::string_view section, std::string_view key) const {
  auto found = lookup({Query{std::string(section), std::string(key), false}});
  if (!found[0]) return std::nullopt;
  return std::move(found[0]->value);
}

std::vector<std::string> IniDocument::continuation(std::string_view section,
                                                   std::string_view key) const {
  auto found = lookup({Query{std::string(section), std::string(key), true}});
  std::vector<std::string> lines;
  if (!found[0] || found[0]->text.empty()) return lines;
  std::string_view more = std::string_view(found[0]->text).substr(found[0]->value.size());
  for (std::size_t at = 1;;) {
    std::size_t end = more.find('\n', at);
    lines.emplace_back(more.substr(at, end == npos ? npos : end - at));
    if (end == npos) return lines;
    at = end + 1;
  }
}

void IniDocument::apply(const std::vector<Edit>& edits) {
  // One query per key; the last edit of a key is the one that counts.
  std::vector<Query> queries;
  std::vector<const Edit*> editOf;
  std::unordered_map<std::string, std::size_t> byName;
  for (const Edit& e : edits) {
    std::string name = lowerAscii(trim(e.section)) + '\n' + lowerAscii(trim(e.key));
    auto [it, fresh] = byName.emplace(name, queries.size());
    if (fresh) {
      queries.push_back(Query{e.section, e.key, e.text});
      editOf.push_back(&e);
    } else {
      queries[it->second].text = e.text;
      editOf[it->second] = &e;
    }
  }
  std::vector<Location> at = locate(queries);

  // Replacements first, then new keys of a section, then new sections, where they meet.
  struct Splice {
    std::size_t from, to;
    int order;
    std::string text;
  };
  std::vector<Splice> splices;
  std::unordered_map<std::size_t, std::size_t> appendSplice;  // appendAt -> splice
  std::vector<std::string> newSections;                       // in the order of their first key
  std::unordered_map<std::string, std::string> newSectionLines;
  for (std::size_t i = 0; i < queries.size(); ++i) {
    const Edit& e = *editOf[i];
    const Location& a = at[i];
    if (a.key.begin != npos) {
      std::size_t to = e.text ? a.contEnd : a.key.next;
      std::string line;
      if (e.value) {
        line = body_.substr(a.key.nameBegin, a.key.nameEnd - a.key.nameBegin) + "=" +
               encode(*e.value) + body_.substr(a.key.end, a.key.next - a.key.end);
      }
      splices.push_back({a.key.begin, to, 0, std::move(line)});
      continue;
    }
    if (!e.value) continue;
    std::string line = encode(e.key + "=" + *e.value) + kNewLine;
    if (a.appendAt != npos) {
      auto [it, fresh] = appendSplice.emplace(a.appendAt, splices.size());
      if (fresh) splices.push_back({a.appendAt, a.appendAt, 1, ""});
      splices[it->second].text += line;
      continue;
    }
    std::string section = lowerAscii(trim(e.section));
    auto [it, fresh] = newSectionLines.emplace(section, encode("[" + e.section + "]") + kNewLine);
    if (fresh) newSections.push_back(section);
    it->second += line;
  }
  if (!newSections.empty()) {
    std::string text;
    for (const std::string& s : newSections) text += newSectionLines[s];
    splices.push_back({limit_, limit_, 2, std::move(text)});
  }
  if (splices.empty()) return;
  std::stable_sort(splices.begin(), splices.end(), [](const Splice& a, const Splice& b) {
    return a.from != b.from ? a.from < b.from : a.order < b.order;
  });

  std::string out;
  std::size_t added = 0;
  for (const Splice& s : splices) added += s.text.size();
  out.reserve(body_.size() + added);
  std::size_t pos = 0;
  for (const Splice& s : splices) {
    out.append(body_, pos, s.from - pos);
    // New lines start on a line of their own, also after a last line without a line break.
    bool open = !out.empty() && out.back() != '\n' && out.back() != '\r';
    if (s.order > 0 && open) out += kNewLine;
    out += s.text;
    pos = s.to;
  }
  out.append(body_, pos, npos);
  std::size_t tail = body_.size() - limit_;
  body_ = std::move(out);
  limit_ = body_.size() - tail;
}

void IniDocument::write(std::string_view section, std::string_view key, std::string_view value,
                        bool text) {
  apply({Edit{std::string(section), std::string(key), std::string(value), text}});
}

bool IniDocument::remove(std::string_view section, std::string_view key) {
  if (!read(section, key)) return false;
  apply({Edit{std::string(section), std::string(key), std::nullopt, false}});
  return true;
}

}  // namespace bq

#include "settings/ini_document.h"

namespace bq {
namespace {

constexpr const char* kNewLine = "\r\n";

std::string_view trim(std::string_view s) {
  std::size_t b = s.find_first_not_of(" \t");
  if (b == std::string_view::npos) return {};
  std::size_t e = s.find_last_not_of(" \t");
  return s.substr(b, e - b + 1);
}

char lower(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string utf8ToUtf16BE(std::string_view utf8) {
  std::string le = text::utf8ToUtf16LE(utf8);
  for (std::size_t i = 0; i + 1 < le.size(); i += 2) std::swap(le[i], le[i + 1]);
  return le;
}

}  // namespace

bool sameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

IniDocument IniDocument::parse(std::string_view bytes) {
  IniDocument doc;
  doc.encoding_ = text::detectEncoding(bytes);
  std::string body;
  switch (doc.encoding_) {
    case text::Encoding::Utf16LE:
      body = text::utf16ToUtf8(bytes.substr(2), false);
      break;
    case text::Encoding::Utf16BE:
      body = text::utf16ToUtf8(bytes.substr(2), true);
      break;
    case text::Encoding::Utf8Bom:
      body = std::string(bytes.substr(3));
      break;
    default:
      body = std::string(bytes);
      break;
  }
  std::size_t start = 0;
  while (start < body.size()) {
    std::size_t end = body.find_first_of("\r\n", start);
    if (end == std::string::npos) {
      doc.insert(doc.lines_.size(), {body.substr(start), {}});
      break;
    }
    std::size_t eolLength =
        (body[end] == '\r' && end + 1 < body.size() && body[end + 1] == '\n') ? 2 : 1;
    doc.insert(doc.lines_.size(), {body.substr(start, end - start), body.substr(end, eolLength)});
    start = end + eolLength;
  }
  return doc;
}

std::string IniDocument::serialize() const {
  std::string body;
  for (const Line& l : lines_) {
    body += l.text;
    body += l.eol;
  }
  switch (encoding_) {
    case text::Encoding::Utf16LE:
      return "\xFF\xFE" + text::utf8ToUtf16LE(body);
    case text::Encoding::Utf16BE:
      return "\xFE\xFF" + utf8ToUtf16BE(body);
    case text::Encoding::Utf8Bom:
      return "\xEF\xBB\xBF" + body;
    default:
      return body;
  }
}

bool IniDocument::canHold(std::string_view utf8) const {
  return encoding_ != text::Encoding::Cp932 || text::isCp932Exact(utf8);
}

void IniDocument::convertToUtf16() {
  if (encoding_ != text::Encoding::Cp932) return;
  for (Line& l : lines_) l.text = text::cp932ToUtf8(l.text);
  encoding_ = text::Encoding::Utf16LE;
}

void IniDocument::setLine(std::size_t at, Line line) {
  parsed_[at] = parseLine(line);
  lines_[at] = std::move(line);
}

void IniDocument::insert(std::size_t at, Line line) {
  parsed_.insert(parsed_.begin() + static_cast<std::ptrdiff_t>(at), parseLine(line));
  lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(at), std::move(line));
}

void IniDocument::erase(std::size_t from, std::size_t to) {
  parsed_.erase(parsed_.begin() + static_cast<std::ptrdiff_t>(from),
                parsed_.begin() + static_cast<std::ptrdiff_t>(to));
  lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(from),
               lines_.begin() + static_cast<std::ptrdiff_t>(to));
}

std::string IniDocument::decode(const std::string& native) const {
  return encoding_ == text::Encoding::Cp932 ? text::cp932ToUtf8(native) : native;
}

std::string IniDocument::encode(std::string_view utf8) const {
  if (encoding_ != text::Encoding::Cp932) return std::string(utf8);
  // The caller has made sure the file can hold it (canHold); HTML references would be wrong
  // here, so a character that slipped through becomes the code page's own replacement.
  if (auto bytes = text::utf8ToCp932(utf8)) return *bytes;
  return text::utf8ToCp932Html(utf8);
}

IniDocument::Parsed IniDocument::parseLine(const Line& line) const {
  std::string decoded = decode(line.text);
  std::string_view t = trim(decoded);
  if (t.empty()) return {Kind::Blank, {}};
  if (t[0] == ';') return {Kind::Comment, {}};
  if (t[0] == '[') {
    std::size_t close = t.find(']');
    std::string_view name = close == std::string_view::npos ? t.substr(1) : t.substr(1, close - 1);
    return {Kind::Header, std::string(trim(name))};
  }
  std::size_t eq = t.find('=');
  if (eq == std::string_view::npos) return {Kind::Other, {}};
  return {Kind::Key, std::string(trim(t.substr(0, eq)))};
}

std::size_t IniDocument::findSection(std::string_view section, std::size_t& end) const {
  for (std::size_t i = 0; i < parsed_.size(); ++i) {
    const Parsed& p = parsed_[i];
    if (p.kind != Kind::Header || !sameName(p.name, section)) continue;
    end = i + 1;
    while (end < parsed_.size() && parsed_[end].kind != Kind::Header) ++end;
    return i;
  }
  return std::string::npos;
}

std::size_t IniDocument::findKey(std::size_t begin, std::size_t end, std::string_view key) const {
  for (std::size_t i = begin; i < end; ++i) {
    const Parsed& p = parsed_[i];
    if (p.kind == Kind::Key && sameName(p.name, key)) return i;
  }
  return std::string::npos;
}

std::optional<std::string> IniDocument::read(std::string_view section, std::string_view key) const {
  std::size_t end = 0;
  std::size_t header = findSection(section, end);
  if (header == std::string::npos) return std::nullopt;
  std::size_t k = findKey(header + 1, end, key);
  if (k == std::string::npos) return std::nullopt;
  std::string decoded = decode(lines_[k].text);
  // Everything after the first "=", blanks and quotes included.
  return decoded.substr(decoded.find('=') + 1);
}

std::size_t IniDocument::continuationEnd(std::size_t keyLine, std::size_t sectionEnd,
                                         const std::set<std::string>& ownKeys) const {
  std::size_t last = keyLine;
  for (std::size_t i = keyLine + 1; i < sectionEnd; ++i) {
    const Parsed& p = parsed_[i];
    if (p.kind == Kind::Comment) break;
    if (p.kind == Kind::Key) {
      bool own = false;
      for (const std::string& k : ownKeys) own = own || sameName(k, p.name);
      if (own) break;
    }
    if (p.kind != Kind::Blank) last = i;
  }
  return last + 1;
}

std::vector<std::string> IniDocument::continuation(std::string_view section, std::string_view key,
                                                   const std::set<std::string>& ownKeys) const {
  std::size_t end = 0;
  std::size_t header = findSection(section, end);
  if (header == std::string::npos) return {};
  std::size_t k = findKey(header + 1, end, key);
  if (k == std::string::npos) return {};
  std::vector<std::string> more;
  for (std::size_t i = k + 1; i < continuationEnd(k, end, ownKeys); ++i) {
    more.push_back(decode(lines_[i].text));
  }
  return more;
}

void IniDocument::insertLine(std::size_t at, std::string_view utf8) {
  // A last line without its line break gets one before anything follows it.
  if (at == lines_.size() && !lines_.empty() && lines_.back().eol.empty()) {
    lines_.back().eol = kNewLine;
  }
  insert(at, Line{encode(utf8), kNewLine});
}

void IniDocument::write(std::string_view section, std::string_view key, std::string_view value,
                        const std::set<std::string>* ownKeys) {
  std::string line = std::string(key) + "=" + std::string(value);
  std::size_t end = 0;
  std::size_t header = findSection(section, end);
  if (header == std::string::npos) {
    insertLine(lines_.size(), "[" + std::string(section) + "]");
    insertLine(lines_.size(), line);
    return;
  }
  std::size_t k = findKey(header + 1, end, key);
  if (k != std::string::npos) {
    if (ownKeys) {
      std::size_t stop = continuationEnd(k, end, *ownKeys);
      erase(k + 1, stop);
    }
    std::string spelled = parsed_[k].name;
    setLine(k, Line{encode(spelled + "=" + std::string(value)), lines_[k].eol});
    return;
  }
  // After the section's last line that is not blank, so that the blank lines separating it
  // from the next section stay where they are.
  std::size_t after = header;
  for (std::size_t i = header + 1; i < end; ++i) {
    if (parsed_[i].kind != Kind::Blank) after = i;
  }
  insertLine(after + 1, line);
}

bool IniDocument::remove(std::string_view section, std::string_view key) {
  std::size_t end = 0;
  std::size_t header = findSection(section, end);
  if (header == std::string::npos) return false;
  std::size_t k = findKey(header + 1, end, key);
  if (k == std::string::npos) return false;
  erase(k, k + 1);
  return true;
}

}  // namespace bq

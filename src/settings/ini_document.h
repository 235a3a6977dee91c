// A settings file as the Windows profile functions read and write it, kept line by line so
// that every line the program does not write stays byte for byte as it was.
#pragma once

#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "text/cp932.h"

namespace bq {

class IniDocument {
 public:
  // A new, empty file: code page 932.
  IniDocument() = default;
  // Reads the bytes of a file: UTF-16 and UTF-8 by their marks, UTF-8 when valid and not
  // plain ASCII, else code page 932. CR LF, LF and CR all end a line.
  static IniDocument parse(std::string_view bytes);
  std::string serialize() const;

  text::Encoding encoding() const { return encoding_; }
  // Whether the file's encoding can hold the text exactly.
  bool canHold(std::string_view utf8) const;
  // Rewrites a code page 932 file as UTF-16LE, the profile functions' Unicode form.
  void convertToUtf16();

  // The whole value after the first "=" of the first matching key in the first section of
  // that name (names trimmed, ASCII letters matched without regard to case); nothing when the
  // section or key is missing.
  std::optional<std::string> read(std::string_view section, std::string_view key) const;

  // The lines that follow a key and continue its text, as Windows leaves a text with line
  // breaks: up to the next section header, comment, or one of `ownKeys` of the section;
  // trailing blank lines are not part of it.
  std::vector<std::string> continuation(std::string_view section, std::string_view key,
                                        const std::set<std::string>& ownKeys) const;

  // Replaces the key's line where it stands (keeping the file's spelling of the name), or adds
  // it at the end of its section, or adds the section at the end of the file. With ownKeys, the
  // text's continuation lines (see above) go with the line they continue.
  void write(std::string_view section, std::string_view key, std::string_view value,
             const std::set<std::string>* ownKeys = nullptr);
  // Removes a key's line; false when there was none.
  bool remove(std::string_view section, std::string_view key);

 private:
  struct Line {
    std::string text;  // code page 932 bytes in a code page 932 file, UTF-8 otherwise
    std::string eol;   // "\r\n", "\n", "\r", or empty for a last line without one
  };
  enum class Kind { Blank, Comment, Header, Key, Other };
  struct Parsed {
    Kind kind;
    std::string name;  // section or key name, trimmed, UTF-8
  };

  Parsed parseLine(const Line& line) const;
  // Keeps parsed_ in step with lines_.
  void setLine(std::size_t at, Line line);
  void insert(std::size_t at, Line line);
  void erase(std::size_t from, std::size_t to);
  std::string decode(const std::string& native) const;
  std::string encode(std::string_view utf8) const;
  // First line of the first section of that name, or npos; `end` receives the next header.
  std::size_t findSection(std::string_view section, std::size_t& end) const;
  std::size_t findKey(std::size_t begin, std::size_t end, std::string_view key) const;
  std::size_t continuationEnd(std::size_t keyLine, std::size_t sectionEnd,
                              const std::set<std::string>& ownKeys) const;
  void insertLine(std::size_t at, std::string_view utf8);

  text::Encoding encoding_ = text::Encoding::Cp932;
  std::vector<Line> lines_;
  std::vector<Parsed> parsed_;  // what each line is, so lookups need not decode again
};

// ASCII letters compared without regard to case, as the profile functions compare names.
bool sameName(std::string_view a, std::string_view b);

}  // namespace bq

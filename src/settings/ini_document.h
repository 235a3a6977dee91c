// A settings file as the Windows profile functions read and write it. The file's text is kept
// whole, so every line the program does not write stays byte for byte as it was; lookups and
// edits each take one pass over it, however many keys they address.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "text/cp932.h"

namespace bq {

class IniDocument {
 public:
  // A new, empty file: code page 932.
  IniDocument() = default;
  // Reads the bytes of a file in the encoding the whole file reads in (text::decideEncoding).
  // CR LF, LF and CR all end a line.
  static IniDocument parse(std::string bytes);
  std::string serialize() const;

  text::Encoding encoding() const { return encoding_; }
  // The first line with a byte that does not read in the file's encoding (it reads as U+FFFD),
  // and the first with a NUL character (left out of values, as Windows reads them); 0: none.
  std::size_t badLine() const { return badLine_; }
  std::size_t nulLine() const { return nulLine_; }
  // Whether the file's encoding can hold the text exactly.
  bool canHold(std::string_view utf8) const;
  // Rewrites a code page 932 file as UTF-16LE, the profile functions' Unicode form.
  void convertToUtf16();

  // A key to look up. Names match as the profile functions match them: the first section of
  // the name, its first key of the name, names trimmed, ASCII letters without regard to case.
  struct Query {
    std::string section, key;
    // A text key: the raw lines after it that continue its text (how Windows leaves a text
    // with line breaks) belong to it. They run up to the next section header, comment or line
    // that can be a key of its own; trailing blank lines are not part of it.
    bool text = false;
  };
  struct Found {
    std::string value;  // everything after the first "=", untrimmed
    // A text key with continuation lines: the value and those lines, joined by "\n"; else empty.
    std::string text;
  };
  // Every query in one pass; nothing for a key the file lacks.
  std::vector<std::optional<Found>> lookup(const std::vector<Query>& queries) const;
  std::optional<std::string> read(std::string_view section, std::string_view key) const;
  std::vector<std::string> continuation(std::string_view section, std::string_view key) const;

  // Writes or (with no value) removes a key. A written key replaces its line where it stands,
  // keeping the file's spelling of the name and, for a text key, dropping its continuation
  // lines; a new key goes after the last line of its section that is not blank, a new section
  // at the end of the file.
  struct Edit {
    std::string section, key;
    std::optional<std::string> value;
    bool text = false;
  };
  // All edits in one pass; a later edit of the same key wins.
  void apply(const std::vector<Edit>& edits);
  void write(std::string_view section, std::string_view key, std::string_view value,
             bool text = false);
  // False when there was no such key.
  bool remove(std::string_view section, std::string_view key);

 private:
  struct Location;
  std::vector<Location> locate(const std::vector<Query>& queries) const;
  std::string decode(std::string_view native) const;
  std::string encode(std::string_view utf8) const;

  text::Encoding encoding_ = text::Encoding::Cp932;
  std::string mark_;  // a UTF-8 mark before code page 932 text, kept as it was
  std::size_t badLine_ = 0, nulLine_ = 0;
  // Code page 932 bytes in a code page 932 file, else UTF-8 (UTF-16 files are held decoded).
  std::string body_;
  // Where the lines end: before a DOS end-of-file mark on a line of its own, else the end.
  std::size_t limit_ = 0;
};

// A name a key line may carry: letters of any script, digits, "_", "." and "-", nothing else.
bool isPlainName(std::string_view utf8);

}  // namespace bq

// Code page 932 (Windows-31J) as Windows converts it, and the text decoding used for every file
// the program reads. Inside the engine all text is UTF-8.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace bq::text {

// Bytes in code page 932 to UTF-8; an invalid or unmapped sequence becomes U+FFFD.
std::string cp932ToUtf8(std::string_view bytes);
// Where the character at byte `i` of code page 932 bytes ends, as cp932ToUtf8 steps.
std::size_t cp932CharEnd(std::string_view bytes, std::size_t i);
// The UTF-16 code units cp932ToUtf8 makes of the bytes: one per character, each in the Basic
// Multilingual Plane.
std::size_t cp932Units(std::string_view bytes);

// UTF-8 to code page 932, or nothing when a character cannot be held exactly (encoding and
// decoding again would not give the same character: emoji, U+301C, U+00A5 and the like).
std::optional<std::string> utf8ToCp932(std::string_view utf8);

// UTF-8 to code page 932 for HTML: a character the code page cannot hold exactly is written as a
// numeric character reference, so nothing turns into "?" or a look-alike.
std::string utf8ToCp932Html(std::string_view utf8);

// True when every character of the text survives code page 932 unchanged.
bool isCp932Exact(std::string_view utf8);

enum class Encoding { Cp932, Utf8, Utf8Bom, Utf16LE, Utf16BE };

// How a file's bytes are encoded, decided from the whole file.
struct Decided {
  Encoding encoding = Encoding::Cp932;
  std::size_t mark = 0;  // bytes of a byte-order mark before the text
  // The first byte that does not read in `encoding` (npos: the whole file reads cleanly).
  std::size_t bad = std::string_view::npos;
  bool clean() const { return bad == std::string_view::npos; }
};

// A UTF-16 mark decides UTF-16. Otherwise the file is UTF-8 when all of it reads as UTF-8 (with
// or without a mark; ASCII alone counts as code page 932) or when it reads as UTF-8 past its
// first character beyond ASCII (then with the place of the stray byte); else code page 932, a
// UTF-8 mark before it notwithstanding (the mark is kept, not read), with the place of the
// first byte that does not read in it, if any.
// `loneLeadAtLineEnd`: a code page 932 lead byte left alone at a line's end reads (Windows'
// profile functions drop it).
Decided decideEncoding(std::string_view bytes, bool loneLeadAtLineEnd = false);
Encoding detectEncoding(std::string_view bytes);
// The line (from 1) that holds the byte at `offset`, counting the file's own line feeds.
std::size_t lineAt(std::string_view bytes, const Decided& decided, std::size_t offset);

// The file's text in UTF-8, decoded as decideEncoding says; the byte-order mark is dropped and
// a byte that does not read becomes U+FFFD.
std::string decodeText(std::string_view bytes);

// UTF-16 helpers for files in the Unicode form Windows writes.
std::string utf16ToUtf8(std::string_view bytes, bool bigEndian);
std::string utf8ToUtf16LE(std::string_view utf8);

bool isValidUtf8(std::string_view bytes);

// The text with every invalid UTF-8 sequence replaced by U+FFFD, as bad bytes read elsewhere.
std::string toValidUtf8(std::string_view bytes);

// Reads the UTF-8 character at i and advances i; an invalid byte reads as U+FFFD.
char32_t nextUtf8Char(std::string_view utf8, std::size_t& i);

// The code page 932 bytes without a lead byte left alone at their end, which Windows drops
// when it converts a value.
std::string_view withoutLoneLeadByte(std::string_view bytes);

// Number of Unicode characters in valid UTF-8 text.
std::size_t utf8Length(std::string_view utf8);

// Number of UTF-16 units the text takes (what Windows programs count as characters).
std::size_t utf16Length(std::string_view utf8);

// Number of characters in code page 932 text (a lead byte and its trail byte are one).
std::size_t cp932Length(std::string_view cp932);

// Byte offset of the character with index `chars` (clamped to the end).
std::size_t utf8Offset(std::string_view utf8, std::size_t chars);

}  // namespace bq::text

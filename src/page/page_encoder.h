// Turns the assembled page into the bytes of the temporary file: code page 932, with numeric
// character references for what the code page cannot hold. The page is a few dozen pieces of
// which one changes per keystroke, so each piece's bytes are kept and only changed pieces are
// encoded again. Only the encoded bytes are kept (a piece is recognised by its hash), and the
// page is written piece by piece, so a long body is not held twice more.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace bq {

class PageEncoder {
 public:
  // Encodes the pieces that changed since the last call.
  void encode(const std::vector<const std::string*>& pieces);
  // The page's bytes: the encoded pieces in order.
  std::vector<std::string_view> bytes() const;
  // Differs whenever any piece differs (a 64-bit hash of the pieces' texts).
  std::uint64_t pageHash() const { return pageHash_; }

 private:
  struct Cached {
    std::uint64_t sourceHash = 0;
    std::size_t sourceSize = static_cast<std::size_t>(-1);
    std::string bytes;
  };
  std::vector<Cached> cache_;
  std::uint64_t pageHash_ = 0;
};

}  // namespace bq

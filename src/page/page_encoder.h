// Turns the assembled page into the bytes of the temporary file: code page 932, with numeric
// character references for what the code page cannot hold. The page is a few dozen pieces of
// which one changes per keystroke, so each piece's bytes are kept and only changed pieces are
// encoded again. Only the encoded bytes are kept (a piece is recognised by its hash), and the
// page is written piece by piece, so a long body is not held twice more. The change from one
// page to the next is told as an edit of the decoded text, so a preview gets only what changed.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "forms/platform.h"

namespace bq {

class PageEncoder {
 public:
  // Encodes the pieces that changed since the last call; with `describe`, also says what changed
  // in the page since then (edit()).
  void encode(const std::vector<const std::string*>& pieces, bool describe = false);
  // The page's bytes: the encoded pieces in order.
  std::vector<std::string_view> bytes() const;
  // Differs whenever any piece differs (a 64-bit hash of the pieces' texts).
  std::uint64_t pageHash() const { return pageHash_; }
  // What the last encode changed in the page, when it was asked to say and a page came before.
  const std::optional<PageEdit>& edit() const { return edit_; }

 private:
  struct Cached {
    std::uint64_t sourceHash = 0;
    std::size_t sourceSize = static_cast<std::size_t>(-1);
    std::string bytes;
    std::size_t units = 0;  // of the decoded text
  };
  // A piece that changed, with what it held before.
  struct Before {
    std::size_t index;
    std::string bytes;
    std::size_t units;
  };
  PageEdit describe(const std::vector<Before>& changed) const;

  std::vector<Cached> cache_;
  std::uint64_t pageHash_ = 0;
  std::optional<PageEdit> edit_;
};

}  // namespace bq

// Turns the assembled page into the bytes of the temporary file: code page 932, with numeric
// character references for what the code page cannot hold. The page is a few dozen pieces of
// which one changes per keystroke, and a piece is kept as chunks of a few kilobytes of its text,
// each with its encoded bytes and a hash of its text: a keystroke encodes again only the chunks
// it touched, in a body of any length. Only the encoded bytes are kept, and the page is written
// chunk by chunk, so a long body is not held twice more. The change from one page to the next
// is told as an edit of the decoded text, so a preview gets only what changed.
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
  // Encodes what changed since the last call; with `describe`, also says what changed in the
  // page since then (edit()).
  void encode(const std::vector<const std::string*>& pieces, bool describe = false);
  // The page's bytes, in order.
  std::vector<std::string_view> bytes() const;
  // Differs whenever any piece differs (a 64-bit hash of the pieces' texts).
  std::uint64_t pageHash() const { return pageHash_; }
  // What the last encode changed in the page, when it was asked to say and a page came before.
  const std::optional<PageEdit>& edit() const { return edit_; }

 private:
  struct Chunk {
    std::uint64_t hash = 0;  // of its text
    std::size_t size = 0;    // of its text, in bytes
    std::string bytes;       // encoded
    std::size_t units = 0;   // of the decoded bytes
  };
  using Chunks = std::vector<Chunk>;
  // Where a piece changed: its chunks from `first` on, but for the last `kept`, were `before`.
  struct Change {
    std::size_t piece;
    std::size_t first;
    std::size_t kept;
    Chunks before;
  };
  // Brings a piece's chunks up to `text`; false when nothing changed.
  bool update(Chunks& chunks, std::string_view text, Change& change);
  PageEdit describe(const std::vector<Change>& changes) const;

  std::vector<Chunks> pieces_;
  std::uint64_t pageHash_ = 0;
  std::optional<PageEdit> edit_;
};

}  // namespace bq

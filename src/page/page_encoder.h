// Turns the assembled page into the bytes of the temporary file: code page 932, with numeric
// character references for what the code page cannot hold. The page is a few dozen pieces of
// which one changes per keystroke, so each piece's bytes are kept and only changed pieces are
// encoded again.
#pragma once

#include <string>
#include <vector>

namespace bq {

class PageEncoder {
 public:
  // The bytes of the concatenated pieces.
  const std::string& encode(const std::vector<const std::string*>& pieces);

 private:
  struct Cached {
    std::string source;
    std::string bytes;
  };
  std::vector<Cached> cache_;
  std::string out_;
};

}  // namespace bq

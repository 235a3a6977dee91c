#include "page/page_encoder.h"

#include <functional>

#include "text/cp932.h"

namespace bq {

void PageEncoder::encode(const std::vector<const std::string*>& pieces) {
  if (cache_.size() != pieces.size()) cache_.assign(pieces.size(), Cached{});
  std::uint64_t page = 1469598103934665603ull;
  for (std::size_t i = 0; i < pieces.size(); ++i) {
    Cached& c = cache_[i];
    const std::string& source = *pieces[i];
    std::uint64_t h = std::hash<std::string_view>{}(source);
    if (h != c.sourceHash || source.size() != c.sourceSize) {
      c.sourceHash = h;
      c.sourceSize = source.size();
      c.bytes = text::utf8ToCp932Html(source);
    }
    page = (page ^ h ^ (c.sourceSize << 1)) * 1099511628211ull;
  }
  pageHash_ = page;
}

std::vector<std::string_view> PageEncoder::bytes() const {
  std::vector<std::string_view> out;
  out.reserve(cache_.size());
  for (const Cached& c : cache_) out.emplace_back(c.bytes);
  return out;
}

}  // namespace bq

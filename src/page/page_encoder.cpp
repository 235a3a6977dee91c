#include "page/page_encoder.h"

#include "text/cp932.h"

namespace bq {

const std::string& PageEncoder::encode(const std::vector<const std::string*>& pieces) {
  if (cache_.size() != pieces.size()) cache_.assign(pieces.size(), Cached{});
  std::size_t total = 0;
  for (std::size_t i = 0; i < pieces.size(); ++i) {
    Cached& c = cache_[i];
    if (c.source != *pieces[i]) {
      c.source = *pieces[i];
      c.bytes = text::utf8ToCp932Html(c.source);
    }
    total += c.bytes.size();
  }
  out_.clear();
  out_.reserve(total);
  for (const Cached& c : cache_) out_ += c.bytes;
  return out_;
}

}  // namespace bq

#include "page/page_encoder.h"

#include <algorithm>
#include <functional>

#include "text/cp932.h"

namespace bq {

namespace {

using text::cp932CharEnd;
using text::cp932ToUtf8;
using text::cp932Units;

struct Place {
  std::size_t byte;   // in both versions of the piece
  std::size_t units;  // of the decoded text before it
};

// The last character boundary up to which two versions of a piece agree. Their bytes are
// stepped from the piece's start, the only place known to begin a character.
Place commonStart(std::string_view before, std::string_view after) {
  auto most = std::min(before.size(), after.size());
  auto same = static_cast<std::size_t>(
      std::mismatch(before.begin(), before.begin() + most, after.begin()).first - before.begin());
  Place p{0, 0};
  while (p.byte < same) {
    std::size_t next = cp932CharEnd(after, p.byte);
    if (next > same) break;
    p.byte = next;
    ++p.units;
  }
  return p;
}

// Where the two versions' common ends begin, both on character boundaries: stepped from `from`
// (a boundary in both) until equal tails of equal length are reached at boundaries of each,
// after which both decode alike.
std::pair<std::size_t, std::size_t> commonEnd(std::string_view before, std::string_view after,
                                              std::size_t from) {
  auto most = std::min(before.size(), after.size()) - from;
  std::size_t tail = 0;
  while (tail < most && before[before.size() - 1 - tail] == after[after.size() - 1 - tail]) {
    ++tail;
  }
  std::size_t b = from;
  std::size_t a = from;
  for (;;) {
    std::size_t leftB = before.size() - b;
    std::size_t leftA = after.size() - a;
    if (leftB == leftA && leftB <= tail) return {b, a};
    if (leftB >= leftA) b = cp932CharEnd(before, b);
    if (leftA >= leftB) a = cp932CharEnd(after, a);
  }
}

}  // namespace

void PageEncoder::encode(const std::vector<const std::string*>& pieces, bool describe) {
  edit_.reset();
  bool comparable = describe && cache_.size() == pieces.size();
  if (cache_.size() != pieces.size()) cache_.assign(pieces.size(), Cached{});
  std::vector<Before> changed;
  std::uint64_t page = 1469598103934665603ull;
  for (std::size_t i = 0; i < pieces.size(); ++i) {
    Cached& c = cache_[i];
    const std::string& source = *pieces[i];
    std::uint64_t h = std::hash<std::string_view>{}(source);
    if (h != c.sourceHash || source.size() != c.sourceSize) {
      if (comparable) changed.push_back({i, std::move(c.bytes), c.units});
      c.sourceHash = h;
      c.sourceSize = source.size();
      c.bytes = text::utf8ToCp932Html(source);
      c.units = cp932Units(c.bytes);
    }
    page = (page ^ h ^ (c.sourceSize << 1)) * 1099511628211ull;
  }
  pageHash_ = page;
  if (!changed.empty()) edit_ = this->describe(changed);
}

PageEdit PageEncoder::describe(const std::vector<Before>& changed) const {
  PageEdit edit;
  const Before& first = changed.front();
  const Before& last = changed.back();
  for (std::size_t i = 0; i < first.index; ++i) edit.start += cache_[i].units;
  const std::string& now = cache_[first.index].bytes;
  Place start = commonStart(first.bytes, now);
  edit.start += start.units;
  if (first.index == last.index) {
    auto [endBefore, endNow] = commonEnd(first.bytes, now, start.byte);
    edit.removed =
        cp932Units(std::string_view(first.bytes).substr(start.byte, endBefore - start.byte));
    edit.inserted = cp932ToUtf8(std::string_view(now).substr(start.byte, endNow - start.byte));
    return edit;
  }
  // Several pieces changed (a section shown or hidden, a settings file): from the first
  // difference in the first to the last in the last.
  edit.removed = cp932Units(std::string_view(first.bytes).substr(start.byte));
  edit.inserted = cp932ToUtf8(std::string_view(now).substr(start.byte));
  auto next = changed.begin() + 1;
  for (std::size_t i = first.index + 1; i < last.index; ++i) {
    bool wasChanged = next->index == i;
    edit.removed += wasChanged ? next->units : cache_[i].units;
    if (wasChanged) ++next;
    edit.inserted += cp932ToUtf8(cache_[i].bytes);
  }
  const std::string& lastNow = cache_[last.index].bytes;
  auto [endBefore, endNow] = commonEnd(last.bytes, lastNow, 0);
  edit.removed += cp932Units(std::string_view(last.bytes).substr(0, endBefore));
  edit.inserted += cp932ToUtf8(std::string_view(lastNow).substr(0, endNow));
  return edit;
}

std::vector<std::string_view> PageEncoder::bytes() const {
  std::vector<std::string_view> out;
  out.reserve(cache_.size());
  for (const Cached& c : cache_) out.emplace_back(c.bytes);
  return out;
}

}  // namespace bq

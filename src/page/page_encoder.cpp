#include "page/page_encoder.h"

#include <algorithm>
#include <functional>

#include "text/cp932.h"

namespace bq {

namespace {

using text::cp932CharEnd;
using text::cp932ToUtf8;
using text::cp932Units;

constexpr std::size_t kChunk = 4096;  // bytes of text per chunk, about

std::uint64_t hashOf(std::string_view s) {
  return std::hash<std::string_view>{}(s);
}

// A chunk may end only before a byte that starts a character (or at the end): encoding the
// two sides apart then gives the bytes encoding them together gives, valid UTF-8 or not.
bool startsCharacter(std::string_view text, std::size_t at) {
  return at >= text.size() || (static_cast<unsigned char>(text[at]) & 0xC0) != 0x80;
}

struct Place {
  std::size_t byte;   // in both versions
  std::size_t units;  // of the decoded text before it
};

// The last character boundary up to which two versions agree, stepped from their start (a
// chunk's start, the only place known to begin a character).
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

bool PageEncoder::update(Chunks& chunks, std::string_view text, Change& change) {
  std::size_t n = chunks.size();
  // The chunks still at the text's start...
  std::size_t first = 0;
  std::size_t from = 0;
  while (first < n && from + chunks[first].size <= text.size() &&
         hashOf(text.substr(from, chunks[first].size)) == chunks[first].hash) {
    from += chunks[first++].size;
  }
  while (first > 0 && !startsCharacter(text, from)) from -= chunks[--first].size;
  if (first == n && from == text.size()) return false;
  // ...and at its end.
  std::size_t kept = 0;
  std::size_t to = text.size();
  while (kept < n - first && to >= from + chunks[n - 1 - kept].size &&
         hashOf(text.substr(to - chunks[n - 1 - kept].size, chunks[n - 1 - kept].size)) ==
             chunks[n - 1 - kept].hash) {
    to -= chunks[n - 1 - kept++].size;
  }
  while (kept > 0 && !startsCharacter(text, to)) to += chunks[n - kept--].size;
  // A small chunk beside the change joins it, so that keys in one place do not leave a trail
  // of small chunks behind.
  if (first > 0 && chunks[first - 1].size < kChunk / 2) from -= chunks[--first].size;
  if (kept > 0 && chunks[n - kept].size < kChunk / 2) to += chunks[n - kept--].size;
  // Between them, new chunks of about equal size.
  Chunks fresh;
  std::size_t size = (to - from) / ((to - from + kChunk - 1) / kChunk + (to == from)) + 1;
  for (std::size_t at = from; at < to;) {
    std::size_t end = std::min(to, at + size);
    while (!startsCharacter(text, end)) ++end;
    std::string_view part = text.substr(at, end - at);
    Chunk c{hashOf(part), part.size(), text::utf8ToCp932Html(part), 0};
    c.units = cp932Units(c.bytes);
    fresh.push_back(std::move(c));
    at = end;
  }
  change.first = first;
  change.kept = kept;
  change.before.assign(std::make_move_iterator(chunks.begin() + static_cast<long>(first)),
                       std::make_move_iterator(chunks.end() - static_cast<long>(kept)));
  chunks.erase(chunks.begin() + static_cast<long>(first), chunks.end() - static_cast<long>(kept));
  chunks.insert(chunks.begin() + static_cast<long>(first), std::make_move_iterator(fresh.begin()),
                std::make_move_iterator(fresh.end()));
  return true;
}

void PageEncoder::encode(const std::vector<const std::string*>& pieces, bool describe) {
  edit_.reset();
  bool comparable = describe && pieces_.size() == pieces.size();
  if (pieces_.size() != pieces.size()) pieces_.assign(pieces.size(), Chunks{});
  std::vector<Change> changes;
  std::uint64_t page = 1469598103934665603ull;
  for (std::size_t i = 0; i < pieces.size(); ++i) {
    Change change{i, 0, 0, {}};
    if (update(pieces_[i], *pieces[i], change) && comparable) changes.push_back(std::move(change));
    for (const Chunk& c : pieces_[i]) page = (page ^ c.hash ^ (c.size << 1)) * 1099511628211ull;
    page = (page ^ i) * 1099511628211ull;  // where one piece ends and the next begins
  }
  pageHash_ = page;
  if (!changes.empty()) edit_ = this->describe(changes);
}

PageEdit PageEncoder::describe(const std::vector<Change>& changes) const {
  const Change& first = changes.front();
  const Change& last = changes.back();
  // The stretch of the page from the first changed chunk to the last, before and now; what
  // lies around it is the same in both.
  std::string before;
  std::string now;
  auto add = [](std::string& out, const Chunks& chunks, std::size_t from, std::size_t to) {
    for (std::size_t k = from; k < to; ++k) out += chunks[k].bytes;
  };
  auto next = changes.begin();
  for (std::size_t i = first.piece; i <= last.piece; ++i) {
    const Chunks& chunks = pieces_[i];
    if (next != changes.end() && next->piece == i) {
      const Change& c = *next++;
      std::size_t end = chunks.size() - c.kept;
      if (i != first.piece) {
        add(before, chunks, 0, c.first);
        add(now, chunks, 0, c.first);
      }
      add(before, c.before, 0, c.before.size());
      add(now, chunks, c.first, end);
      if (i != last.piece) {
        add(before, chunks, end, chunks.size());
        add(now, chunks, end, chunks.size());
      }
    } else {
      add(before, chunks, 0, chunks.size());
      add(now, chunks, 0, chunks.size());
    }
  }
  PageEdit edit;
  for (std::size_t i = 0; i < first.piece; ++i) {
    for (const Chunk& c : pieces_[i]) edit.start += c.units;
  }
  for (std::size_t k = 0; k < first.first; ++k) edit.start += pieces_[first.piece][k].units;
  Place start = commonStart(before, now);
  auto [endBefore, endNow] = commonEnd(before, now, start.byte);
  edit.start += start.units;
  edit.removed = cp932Units(std::string_view(before).substr(start.byte, endBefore - start.byte));
  edit.inserted = cp932ToUtf8(std::string_view(now).substr(start.byte, endNow - start.byte));
  return edit;
}

std::vector<std::string_view> PageEncoder::bytes() const {
  std::vector<std::string_view> out;
  for (const Chunks& chunks : pieces_) {
    for (const Chunk& c : chunks) out.emplace_back(c.bytes);
  }
  return out;
}

}  // namespace bq

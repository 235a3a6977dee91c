// libFuzzer target for the listing checks and their mend. Any text must be checked without a
// crash or a sanitizer report, in time linear in its length, with a bounded number of findings;
// the mend must leave nothing to mend and change nothing when run again.
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "checks/listing_checks.h"
#include "markup/markup_reader.h"
#include "text/cp932.h"

namespace {

std::vector<bq::checks::Finding> check(const std::string& text) {
  return bq::checks::checkTexts({{"欄1 本文", "txtEdit1", &text}, {"欄2 本文", "txtEdit2", &text}});
}

bool anyFixable(const std::vector<bq::checks::Finding>& found) {
  for (const auto& f : found) {
    if (f.fixable) return true;
  }
  return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string text = bq::text::toValidUtf8(std::string(reinterpret_cast<const char*>(data), size));
  auto found = check(text);
  // Five of each kind and one count per kind, whatever the text.
  if (found.size() > 30) std::abort();

  std::string mended = bq::markup::escapeStrayMarkup(text);
  if (anyFixable(check(mended))) std::abort();                        // something left to mend
  if (bq::markup::escapeStrayMarkup(mended) != mended) std::abort();  // not settled

  // Linear in the text: the input repeated to 64 KB is checked in well under a second (a
  // quadratic reading takes seconds there). Every sixteenth input, to keep the run quick.
  static unsigned count = 0;
  if (!text.empty() && ++count % 16 == 0) {
    std::string big;
    while (big.size() < (64u << 10)) big += text;
    auto start = std::chrono::steady_clock::now();
    auto many = check(big);
    auto took = std::chrono::steady_clock::now() - start;
    if (many.size() > 30 || took > std::chrono::seconds(1)) std::abort();
  }
  return 0;
}

// What an operation that can fail returns: nothing when it worked, else why it did not, a
// sentence in Japanese for the seller (the caller adds the file's name as the seller knows it).
// One convention for every layer; a std::optional<std::string> that is a file's content or a
// chosen name says so by its own name instead.
#pragma once

#include <optional>
#include <string>

namespace bq {

using Failure = std::optional<std::string>;

}  // namespace bq

// The twelve template fragment files and the hidden boxes that hold them.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace bq {

struct TemplateFile {
  const char* file;    // under data/tag/
  const char* holder;  // the hidden box it is loaded into
};

// In the order start-up loads them.
inline constexpr std::array<TemplateFile, 12> kTemplateFiles{{
    {"yahoo_1.tpf", "rtxtYahooTag1"},
    {"head.tpf", "rtxtTagHead"},
    {"tag1.tpf", "rtxtTag1"},
    {"tag2.tpf", "rtxtTag2"},
    {"pr.tpf", "rtxtTagPR"},
    {"tag3.tpf", "rtxtTag3"},
    {"tag4.tpf", "rtxtTag4"},
    {"send_head.tpf", "rtxtSendHead"},
    {"first.tpf", "rtxtFirst"},
    {"send_tag1.tpf", "rtxtSendTag1"},
    {"send_tag2.tpf", "rtxtSendTag2"},
    {"send_tag3.tpf", "rtxtSendTag3"},
}};

// Larger template files are refused.
inline constexpr std::uintmax_t kMaxTemplate = 16u * 1024u * 1024u;

// A template read: its whole text (in the encoding the whole file reads in), or nothing when
// the file is missing, unreadable, too large or no regular file, and why.
struct TemplateText {
  std::optional<std::string> text;
  std::string why;          // why there is no text (in Japanese; may be empty)
  std::size_t badLine = 0;  // the first byte no encoding reads (it became U+FFFD), else 0
  std::size_t nulLine = 0;  // the first NUL byte (left out of the text), else 0
};
TemplateText loadTemplate(const std::filesystem::path& file);

// What the seller is told when templates cannot be read.
std::string missingTemplateMessage(const std::vector<std::filesystem::path>& files);

}  // namespace bq

// Why an operating-system call failed, said in Japanese for the seller.
#pragma once

#include <string>

namespace bq::files {

enum class Access { Read, Write };

// One sentence ending in "。" for an errno value; never the system's English text.
std::string osReason(int err, Access access);

}  // namespace bq::files

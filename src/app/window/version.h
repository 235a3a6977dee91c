#pragma once

namespace bq {
inline constexpr const char* kVersion = "1.02";
}

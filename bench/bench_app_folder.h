// The benchmarks' app folder: a copy of the delivered templates under the temporary folder,
// made once per program.
#pragma once

#include <filesystem>
#include <random>
#include <string>

namespace bq::bench {

inline std::filesystem::path appFolder(const std::string& tag) {
  namespace fs = std::filesystem;
  static fs::path dir = [&tag] {
    fs::path d = fs::temp_directory_path() /
                 ("bidquill-bench-" + tag + "-" + std::to_string(std::random_device{}()));
    fs::create_directories(d / "data");
    fs::copy(BIDQUILL_TEMPLATE_DIR, d / "data" / "tag", fs::copy_options::recursive);
    return d;
  }();
  return dir;
}

}  // namespace bq::bench

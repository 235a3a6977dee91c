// Where the program finds its templates and writes its temporary pages.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "files/failure.h"

namespace bq {

// The folder of the running executable.
std::filesystem::path AppFolder();

struct AppPaths {
  std::filesystem::path app;      // the executable's folder (or the one given on the command line)
  std::filesystem::path tags;     // where the twelve template files lie
  std::filesystem::path designs;  // the gallery's designs, beside the templates
  std::filesystem::path temp;     // where temp.htm and temp_yahoo.htm are written; empty: nowhere

  // data/tag beside the executable, else the installed share/bidquill/data/tag. The pages go
  // to a private folder (0700): $XDG_RUNTIME_DIR/bidquill, else the per-user cache folder,
  // else /tmp/bidquill-UID; none of them usable leaves `temp` empty. With `pages`, they go
  // there instead (empty: nowhere), and no folder of the program's is made.
  static AppPaths resolve(const std::filesystem::path& appFolder,
                          const std::optional<std::filesystem::path>& pages = std::nullopt);
};

// Writes a whole file; on failure returns a message saying why (in Japanese, for the seller).
Failure writeWholeFile(const std::filesystem::path& file, std::string_view bytes);

// Reads a whole file, or nothing when it cannot be opened or read.
std::optional<std::string> readWholeFile(const std::filesystem::path& file);

// The path as UTF-8 text, for messages.
std::string displayPath(const std::filesystem::path& p);

}  // namespace bq

// A batch's files on disk: the sheet read without blocking or exhausting memory; the .html files
// made in a private folder inside the one the seller chose and moved into place only once every
// row is made and the sheet is saved (stopped or failed, the private folder goes and the
// seller's folder is as it was); the sheet with its column saved safely.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "batch/batch_job.h"

namespace bq::batch {

// Reads the spreadsheet (a regular file of at most 64 MB) into `bytes`; why not, in Japanese
// (the caller names the file as the seller knows it).
std::optional<std::string> readSheet(const std::filesystem::path& file, std::string& bytes);

class PageFolder {
 public:
  PageFolder() = default;
  PageFolder(const PageFolder&) = delete;
  PageFolder& operator=(const PageFolder&) = delete;
  ~PageFolder() { drop(); }

  // Makes the folder if needed and a private one inside it; why not, in Japanese.
  std::optional<std::string> open(const std::filesystem::path& folder);
  std::optional<std::string> add(const HtmlFile& file);
  // Moves every file into the folder, with the permissions the seller's new files get.
  std::optional<std::string> commit();
  // Removes what is not yet in place.
  void drop();

 private:
  std::filesystem::path folder_, staging_;
  std::vector<std::string> names_;
};

// Saves the sheet with its column (new file, flushed, renamed) and then puts the pages in
// place; why it failed, in Japanese, saying what was written.
std::optional<std::string> saveBatch(BatchJob& job, const std::filesystem::path& output,
                                     PageFolder* pages);

}  // namespace bq::batch

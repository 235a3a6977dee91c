// The .html files of a batch: made in a private folder inside the one the seller chose, and
// moved into place only once every row is made and the sheet is saved. Stopped or failed, the
// private folder goes and the seller's folder is as it was.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "batch/batch_job.h"

namespace bq::batch {

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

// A batch's files on disk: the sheet read without blocking or exhausting memory; the .html files
// made in a private folder inside the one the seller chose and moved into place only once every
// row is made and the sheet is saved (stopped or failed, the private folder goes and the
// seller's folder is as it was); the sheet with its column saved safely.
#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "batch/batch_job.h"
#include "files/failure.h"
#include "files/safe_file.h"

namespace bq::batch {

// Reads the spreadsheet (a regular file of at most 64 MB; UTF-16 decoded, see Sheet); why not,
// in Japanese (the caller names the file as the seller knows it).
Failure readSheet(const std::filesystem::path& file, Sheet& sheet);

class PageFolder {
 public:
  PageFolder() = default;
  PageFolder(const PageFolder&) = delete;
  PageFolder& operator=(const PageFolder&) = delete;
  ~PageFolder() { drop(); }

  // Makes the folder if needed and a private one inside it (removing what a run that was
  // killed left there); why not, in Japanese.
  Failure open(const std::filesystem::path& folder);
  Failure add(const HtmlFile& file);
  // Whether every file can go into place: nothing but a regular file stands at a name, and no
  // name is the sheet's (when given).
  Failure check(const std::filesystem::path& sheet = {}) const;
  // Moves every file into the folder, with the permissions the seller's new files get, keeping
  // the files they replace aside; when one cannot be placed, everything is put back. A journal
  // names them and `sheet`, the new sheet for `output` whose rename makes them final, first:
  // the next open() of the folder after a run that died puts right what it left.
  Failure place(const files::ReplacementFile& sheet, const std::filesystem::path& output);
  // Puts back what place() replaced (the sheet could not be saved after all).
  void putBack();
  // The sheet is in place: the journal goes.
  void finished();
  // Removes what is not in place, and what was replaced.
  void drop();

 private:
  std::filesystem::path folder_, staging_;
  std::vector<std::string> names_;
  std::vector<std::string> placed_;    // moved into the folder
  std::vector<std::string> replaced_;  // the seller's files they replaced, kept in staging_
};

// Called after each page placed (with how many are), so that tests can stop a run there.
void setPlacingHook(std::function<void(std::size_t)> hook);

// The prefix of the private folders, with the process's number: a run that was killed is known
// by its number no longer running.
inline constexpr const char* kStagingPrefix = ".bidquill-batch-";

// Puts the pages in place and saves the sheet with its column (new file, flushed, renamed):
// both or, failing, neither (the pages put back); why it failed, in Japanese.
// `streamed`: the output the job handed over as it went (BatchJob::streamTo), committed here.
Failure saveBatch(BatchJob& job, const std::filesystem::path& output, PageFolder* pages,
                  files::ReplacementFile* streamed = nullptr);

}  // namespace bq::batch

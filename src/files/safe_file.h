// Reading and replacing the seller's files so that nothing blocks, nothing is half-written
// after a failure or a power cut, and links, permissions and ownership survive a save.
#pragma once

#include <sys/stat.h>
#include <sys/types.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "files/failure.h"

namespace bq::files {

struct ReadLimits {
  std::uintmax_t bytes;       // the largest file read
  std::uintmax_t utf16Bytes;  // the same for a file that starts with a UTF-16 byte-order mark
  bool ownFileOnly = false;   // refuse a symbolic link and a file another user owns
};

enum class ReadError { None, NotFound, IsFolder, NotRegular, TooLarge, Unreadable };

struct ReadResult {
  std::string bytes;
  ReadError error = ReadError::None;
  std::string reason;  // in Japanese, when there is an error
};

// Reads a whole regular file. Folders, FIFOs and devices are refused without waiting on them;
// files over the limit are refused without being read; with `ownFileOnly`, so are links and
// files of other users.
ReadResult readRegularFile(const std::filesystem::path& file, const ReadLimits& limits);

// What a failed save left on disk.
enum class DiskState {
  Unchanged,   // the file is as it was
  NotCreated,  // there was no file and there is none
  Restored,    // written in place, failed, and put back as it was
  Damaged,     // written in place, failed, and could not be put back: the backup holds it
};

struct SaveFailure {
  std::string reason;  // in Japanese
  DiskState state;
  std::filesystem::path backup;  // with Damaged
};

// Replaces the file's bytes. A symbolic link is followed and the file it names is replaced.
// Normally a temporary file beside it is written, flushed to disk and renamed over it (the
// folder is flushed too), keeping the file's permissions. A file with other hard links or
// another owner, or one in a folder that cannot take a new file, is written in place instead,
// with a backup copy kept until the new bytes are on disk.
std::optional<SaveFailure> saveFileSafely(const std::filesystem::path& target,
                                          std::string_view bytes);

// A file written piece by piece (a batch's sheet, row by row) that replaces `target` as
// saveFileSafely does only at commit(): until then the old file is untouched, and a
// ReplacementFile that is not committed leaves nothing behind.
class ReplacementFile {
 public:
  ReplacementFile() = default;
  ReplacementFile(const ReplacementFile&) = delete;
  ReplacementFile& operator=(const ReplacementFile&) = delete;
  ~ReplacementFile();

  // Why the new bytes cannot be started (in Japanese), or nothing.
  Failure open(const std::filesystem::path& target);
  Failure append(std::string_view bytes);
  std::optional<SaveFailure> commit();
  void discard();
  // The new file as the system knows it (device and inode), and where it waits: what a journal
  // records to tell afterwards whether commit() renamed it into place. False before open().
  bool identify(struct stat& st) const;
  const std::filesystem::path& temporary() const { return tmp_; }

 private:
  std::filesystem::path target_, tmp_;
  int fd_ = -1;
  off_t size_ = 0;
  bool beside_ = false;  // the temporary file is in the target's folder
};

// The program's per-user folders, best first: the runtime folder ($XDG_RUNTIME_DIR/bidquill),
// the cache folder ($XDG_CACHE_HOME or ~/.cache, /bidquill), a folder of this user's own in the
// shared temporary folder. With `lastingFirst` the cache comes first (it survives a restart).
std::vector<std::filesystem::path> perUserFolders(bool lastingFirst = false);

// Makes the folder (and its parents) and checks that it is ours alone: a real folder, not a
// link, owned by this user, readable by nobody else (0700). False when it cannot be made so.
bool makePrivateFolder(const std::filesystem::path& folder);

// Replaces a file in a private folder: a new file that no link can redirect, renamed over the
// old one, so a reader sees the old bytes or the new ones. `flushed`: the bytes and the rename
// reach the disk before it returns (a journal). Returns why it failed, or nothing.
Failure writePrivateFile(const std::filesystem::path& file,
                         const std::vector<std::string_view>& parts, bool flushed = false);
inline Failure writePrivateFile(const std::filesystem::path& file, std::string_view bytes,
                                bool flushed = false) {
  return writePrivateFile(file, std::vector<std::string_view>{bytes}, flushed);
}

// Makes the renames in a folder reach the disk; a file system that cannot flush a folder still
// has them, so that is no failure.
void syncFolder(const std::filesystem::path& folder);

// The steps of a save, so that tests can make any one of them fail.
enum class SaveStep {
  CreateTemp,
  WriteTemp,
  SyncTemp,
  Rename,
  SyncFolder,
  BackupBeside,  // making the backup file beside the file written in place
  CreateBackup,
  WriteInPlace,
  Restore
};
// Called before each step; a non-zero result makes the step fail with that errno value.
void setSaveFaultHook(std::function<int(SaveStep)> hook);

}  // namespace bq::files

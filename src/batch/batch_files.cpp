#include "batch/batch_files.h"

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include <random>

#include "core/app_folder.h"
#include "files/os_reason.h"
#include "files/safe_file.h"

namespace fs = std::filesystem;

namespace bq::batch {

std::optional<std::string> readSheet(const fs::path& file, std::string& bytes) {
  files::ReadResult read = files::readRegularFile(file, {kMaxSpreadsheet, kMaxSpreadsheet});
  if (read.error == files::ReadError::TooLarge) return std::string(kSheetTooLarge);
  if (read.error != files::ReadError::None) return read.reason;
  bytes = std::move(read.bytes);
  return std::nullopt;
}

namespace {

// A private folder a run that no longer runs left in `folder` ("…-PID-NUMBER", ours, a real
// folder): removed, with what it holds.
void removeLeftStaging(const fs::path& folder) {
  std::error_code ec;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    std::string name = it->path().filename().string();
    if (name.rfind(kStagingPrefix, 0) != 0) continue;
    long pid = std::strtol(name.c_str() + std::strlen(kStagingPrefix), nullptr, 10);
    struct stat st;
    if (pid <= 0 || ::lstat(it->path().c_str(), &st) != 0 || !S_ISDIR(st.st_mode) ||
        st.st_uid != ::geteuid()) {
      continue;
    }
    if (::kill(static_cast<pid_t>(pid), 0) == 0 || errno != ESRCH) continue;  // still running
    std::error_code removed;
    fs::remove_all(it->path(), removed);
  }
}

}  // namespace

std::optional<std::string> PageFolder::open(const fs::path& folder) {
  std::error_code ec;
  fs::create_directories(folder, ec);
  if (!fs::is_directory(folder, ec)) {
    return "HTMLファイルのフォルダーを作れません: " + displayPath(folder);
  }
  removeLeftStaging(folder);
  std::random_device random;
  for (int attempt = 0; attempt < 8; ++attempt) {
    fs::path staging =
        folder / (kStagingPrefix + std::to_string(::getpid()) + "-" + std::to_string(random()));
    if (!fs::exists(fs::symlink_status(staging, ec)) && files::makePrivateFolder(staging)) {
      folder_ = folder;
      staging_ = staging;
      return std::nullopt;
    }
  }
  return "HTMLファイルのフォルダーに書き込めません: " + displayPath(folder);
}

std::optional<std::string> PageFolder::add(const HtmlFile& file) {
  if (auto why = files::writePrivateFile(staging_ / file.name, file.bytes)) {
    return displayPath(folder_ / file.name) + ": " + *why;
  }
  names_.push_back(file.name);
  return std::nullopt;
}

std::optional<std::string> PageFolder::check() const {
  for (const std::string& name : names_) {
    struct stat st;
    fs::path target = folder_ / name;
    if (::lstat(target.c_str(), &st) != 0) continue;
    if (S_ISDIR(st.st_mode)) return displayPath(target) + ": 同じ名前のフォルダーがあります。";
    if (!S_ISREG(st.st_mode)) return displayPath(target) + ": 通常のファイルではありません。";
  }
  return std::nullopt;
}

std::optional<std::string> PageFolder::place() {
  if (auto why = check()) return why;
  // The staged files are private; in place they get what the seller's other new files get.
  mode_t mask = ::umask(0);
  ::umask(mask);
  for (const std::string& name : names_) {
    fs::path target = folder_ / name, kept = staging_ / ("replaced-" + name);
    struct stat st;
    int err = 0;
    if (::lstat(target.c_str(), &st) == 0) {
      if (::rename(target.c_str(), kept.c_str()) != 0) {
        err = errno;
      } else {
        replaced_.push_back(name);
      }
    }
    ::chmod((staging_ / name).c_str(), 0666 & ~mask);
    if (!err && ::rename((staging_ / name).c_str(), target.c_str()) != 0) err = errno;
    if (err) {
      putBack();
      return displayPath(target) + ": " + files::osReason(err, files::Access::Write);
    }
    placed_.push_back(name);
  }
  return std::nullopt;
}

void PageFolder::putBack() {
  for (const std::string& name : placed_) {
    ::rename((folder_ / name).c_str(), (staging_ / name).c_str());
  }
  for (const std::string& name : replaced_) {
    ::rename((staging_ / ("replaced-" + name)).c_str(), (folder_ / name).c_str());
  }
  placed_.clear();
  replaced_.clear();
}

void PageFolder::drop() {
  std::error_code ec;
  if (!staging_.empty()) fs::remove_all(staging_, ec);
  staging_.clear();
  names_.clear();
  placed_.clear();
  replaced_.clear();
}

std::optional<std::string> saveBatch(BatchJob& job, const fs::path& output, PageFolder* pages,
                                     files::ReplacementFile* streamed) {
  if (pages) {
    if (auto why = pages->place()) {
      return "HTMLファイルを置けませんでした。" + *why +
             "\n何も書き込んでいません（元のファイルはそのままです）。";
    }
  }
  auto failure = streamed ? streamed->commit() : files::saveFileSafely(output, job.output());
  if (failure) {
    if (pages) pages->putBack();
    return displayPath(output) + ": " + failure->reason + "\n何も書き込んでいません。";
  }
  if (pages) pages->drop();  // what the pages replaced goes with the private folder
  return std::nullopt;
}

}  // namespace bq::batch

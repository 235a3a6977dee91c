#include "batch/batch_files.h"

#include <sys/stat.h>

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

std::optional<std::string> PageFolder::open(const fs::path& folder) {
  std::error_code ec;
  fs::create_directories(folder, ec);
  if (!fs::is_directory(folder, ec)) {
    return "HTMLファイルのフォルダーを作れません: " + displayPath(folder);
  }
  std::random_device random;
  for (int attempt = 0; attempt < 8; ++attempt) {
    fs::path staging = folder / (".bidquill-batch-" + std::to_string(random()));
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

std::optional<std::string> PageFolder::commit() {
  // The staged files are private; in place they get what the seller's other new files get.
  mode_t mask = ::umask(0);
  ::umask(mask);
  for (const std::string& name : names_) {
    ::chmod((staging_ / name).c_str(), 0666 & ~mask);
    if (::rename((staging_ / name).c_str(), (folder_ / name).c_str()) != 0) {
      return displayPath(folder_ / name) + ": " + files::osReason(errno, files::Access::Write);
    }
  }
  names_.clear();
  drop();
  return std::nullopt;
}

void PageFolder::drop() {
  std::error_code ec;
  if (!staging_.empty()) fs::remove_all(staging_, ec);
  staging_.clear();
}

std::optional<std::string> saveBatch(BatchJob& job, const fs::path& output, PageFolder* pages) {
  if (auto failure = files::saveFileSafely(output, job.output())) {
    return displayPath(output) + ": " + failure->reason + "\n何も書き込んでいません。";
  }
  if (auto why = pages ? pages->commit() : std::nullopt) {
    return "表は保存しましたが、HTMLファイルを置けませんでした。" + *why;
  }
  return std::nullopt;
}

}  // namespace bq::batch

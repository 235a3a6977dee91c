#include "batch/batch_files.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <random>

#include "core/app_folder.h"
#include "files/os_reason.h"
#include "files/safe_file.h"

namespace fs = std::filesystem;

namespace bq::batch {

std::optional<std::string> readSheet(const fs::path& file, Sheet& sheet) {
  files::ReadResult read = files::readRegularFile(file, {kMaxSpreadsheet, kMaxSpreadsheet});
  if (read.error == files::ReadError::TooLarge) return std::string(kSheetTooLarge);
  if (read.error != files::ReadError::None) return read.reason;
  sheet = sheetOf(std::move(read.bytes));
  return std::nullopt;
}

namespace {

std::function<void(std::size_t)>& placingHook() {
  static std::function<void(std::size_t)> hook;
  return hook;
}

// The journal of a placing, in the private folder: which pages are being placed and which new
// sheet makes them final. A run that dies while it places leaves it for the next run.
constexpr const char* kJournal = "journal";
constexpr const char* kJournalHead = "bidquill batch journal 1";

// A path on one line: "%" and line breaks written as %25, %0A, %0D.
std::string oneLine(const std::string& path) {
  std::string out;
  for (char c : path) {
    if (c == '%')
      out += "%25";
    else if (c == '\n')
      out += "%0A";
    else if (c == '\r')
      out += "%0D";
    else
      out += c;
  }
  return out;
}

std::string fromOneLine(std::string_view line) {
  std::string out;
  for (std::size_t i = 0; i < line.size(); ++i) {
    if (line[i] == '%' && line.substr(i, 3) == "%25")
      out += '%', i += 2;
    else if (line[i] == '%' && line.substr(i, 3) == "%0A")
      out += '\n', i += 2;
    else if (line[i] == '%' && line.substr(i, 3) == "%0D")
      out += '\r', i += 2;
    else
      out += line[i];
  }
  return out;
}

// Writes the journal; it reaches the disk after the staged pages (one flush of their file
// system) and before anything moves.
std::optional<std::string> writeJournal(const fs::path& staging, const std::string& text) {
  int dir = ::open(staging.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir < 0) return files::osReason(errno, files::Access::Write);
  int err = ::syncfs(dir) == 0 ? 0 : errno;
  ::close(dir);
  if (err) return files::osReason(err, files::Access::Write);
  return files::writePrivateFile(staging / kJournal, text, true);
}

bool sameFile(const struct stat& a, const struct stat& b) {
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// What a run that died while placing its pages left: if its new sheet was not yet in place,
// every page it placed goes and every page it replaced comes back; if it was, its pages stay.
void recover(const fs::path& folder, const fs::path& staging) {
  files::ReadResult journal = files::readRegularFile(staging / kJournal, {1 << 26, 1 << 26});
  if (journal.error != files::ReadError::None) return;  // it died before it placed anything
  std::vector<std::string> names;
  std::string sheet, temporary;
  struct stat newSheet {};
  bool head = false;
  std::size_t at = 0;
  const std::string& t = journal.bytes;
  while (at < t.size()) {
    std::size_t end = t.find('\n', at);
    if (end == std::string::npos) break;  // a journal cut short was never made whole: unused
    std::string_view line(t.data() + at, end - at);
    at = end + 1;
    auto value = [&](std::string_view key) {
      return line.rfind(key, 0) == 0 ? line.substr(key.size()) : std::string_view();
    };
    if (line == kJournalHead) head = true;
    if (auto v = value("sheet-id "); !v.empty()) {
      unsigned long long dev = 0, ino = 0;
      if (std::sscanf(std::string(v).c_str(), "%llu %llu", &dev, &ino) == 2) {
        newSheet.st_dev = static_cast<dev_t>(dev);
        newSheet.st_ino = static_cast<ino_t>(ino);
      }
    }
    if (auto v = value("sheet "); !v.empty()) sheet = fromOneLine(v);
    if (auto v = value("temporary "); !v.empty()) temporary = fromOneLine(v);
    if (auto v = value("page "); !v.empty()) names.emplace_back(v);
  }
  if (!head) return;
  struct stat st;
  if (!sheet.empty() && ::stat(sheet.c_str(), &st) == 0 && sameFile(st, newSheet)) return;
  for (const std::string& name : names) {
    if (name.find('/') != std::string::npos || name == "." || name == "..") continue;
    fs::path target = folder / name, kept = staging / ("replaced-" + name);
    if (::lstat(kept.c_str(), &st) == 0) {
      ::rename(kept.c_str(), target.c_str());
    } else if (::lstat((staging / name).c_str(), &st) != 0) {
      ::unlink(target.c_str());  // a page of its own, where there was none before
    }
  }
  if (!temporary.empty() && ::lstat(temporary.c_str(), &st) == 0 && sameFile(st, newSheet)) {
    ::unlink(temporary.c_str());
  }
  files::syncFolder(folder);
}

// The private folders that runs no longer running left in `folder` ("…-PID-NUMBER", ours, real
// folders): what they were placing is put right, then they go, with what they hold.
void recoverLeftStaging(const fs::path& folder) {
  std::error_code ec;
  std::vector<fs::path> left;
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
    left.push_back(it->path());
  }
  for (const fs::path& staging : left) {
    recover(folder, staging);
    std::error_code removed;
    fs::remove_all(staging, removed);
  }
}

}  // namespace

std::optional<std::string> PageFolder::open(const fs::path& folder) {
  std::error_code ec;
  fs::create_directories(folder, ec);
  if (!fs::is_directory(folder, ec)) {
    return "HTMLファイルのフォルダーを作れません: " + displayPath(folder);
  }
  recoverLeftStaging(folder);
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

std::optional<std::string> PageFolder::check(const fs::path& sheet) const {
  // The sheet's own name among the pages: one would overwrite the other.
  std::error_code ec;
  fs::path sheetPath = fs::weakly_canonical(fs::absolute(sheet), ec);
  for (const std::string& name : names_) {
    struct stat st;
    fs::path target = folder_ / name;
    std::error_code same;
    if (!sheet.empty() && (fs::weakly_canonical(fs::absolute(target), same) == sheetPath ||
                           fs::equivalent(target, sheet, same))) {
      return displayPath(sheet) +
             ": 出力のファイルが、作るHTMLファイルのひとつと同じです。出力のファイルに別の名前か"
             "別のフォルダーを指定してください。";
    }
    if (::lstat(target.c_str(), &st) != 0) continue;
    if (S_ISDIR(st.st_mode)) return displayPath(target) + ": 同じ名前のフォルダーがあります。";
    if (!S_ISREG(st.st_mode)) return displayPath(target) + ": 通常のファイルではありません。";
  }
  return std::nullopt;
}

std::optional<std::string> PageFolder::place(const files::ReplacementFile& sheet,
                                             const fs::path& output) {
  if (auto why = check(output)) return why;
  struct stat id;
  if (!sheet.identify(id)) {
    return displayPath(output) + ": " + files::osReason(EBADF, files::Access::Write);
  }
  std::string journal = std::string(kJournalHead) + "\nsheet-id " +
                        std::to_string(static_cast<unsigned long long>(id.st_dev)) + " " +
                        std::to_string(static_cast<unsigned long long>(id.st_ino)) + "\nsheet " +
                        oneLine(fs::absolute(output).string()) + "\ntemporary " +
                        oneLine(fs::absolute(sheet.temporary()).string()) + "\n";
  for (const std::string& name : names_) journal += "page " + name + "\n";
  if (auto why = writeJournal(staging_, journal)) return displayPath(folder_) + ": " + *why;
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
    if (placingHook()) placingHook()(placed_.size());
  }
  // The renames reach the disk before the sheet that makes them final.
  files::syncFolder(folder_);
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
  finished();
}

void PageFolder::finished() {
  if (staging_.empty()) return;
  ::unlink((staging_ / kJournal).c_str());
  files::syncFolder(staging_);
}

void setPlacingHook(std::function<void(std::size_t)> hook) {
  placingHook() = std::move(hook);
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
  if (!pages) {
    auto failure = streamed ? streamed->commit() : files::saveFileSafely(output, job.output());
    if (failure) return displayPath(output) + ": " + failure->reason + "\n何も書き込んでいません。";
    return std::nullopt;
  }
  // The new sheet waits beside the old one while the pages are placed; its rename is what makes
  // the pages final, so whenever the run dies the next one finds the old files or the new ones.
  files::ReplacementFile own;
  files::ReplacementFile& sheet = streamed ? *streamed : own;
  if (!streamed) {
    auto why = own.open(output);
    if (!why) why = own.append(job.output());
    if (why) return displayPath(output) + ": " + *why + "\n何も書き込んでいません。";
  }
  if (auto why = pages->place(sheet, output)) {
    pages->putBack();
    return "HTMLファイルを置けませんでした。" + *why +
           "\n何も書き込んでいません（元のファイルはそのままです）。";
  }
  if (auto failure = sheet.commit()) {
    pages->putBack();
    return displayPath(output) + ": " + failure->reason + "\n何も書き込んでいません。";
  }
  pages->finished();
  pages->drop();  // what the pages replaced goes with the private folder
  return std::nullopt;
}

}  // namespace bq::batch

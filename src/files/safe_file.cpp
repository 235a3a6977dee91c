#include "files/safe_file.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <random>

#include "files/os_reason.h"

namespace fs = std::filesystem;

namespace bq::files {
namespace {

std::function<int(SaveStep)>& faultHook() {
  static std::function<int(SaveStep)> hook;
  return hook;
}

// Zero, or the errno value with which the step failed (or is made to fail).
int fault(SaveStep step) {
  return faultHook() ? faultHook()(step) : 0;
}

template <class Action>
int run(SaveStep step, Action action) {
  if (int e = fault(step)) return e;
  return action();
}

class Fd {
 public:
  explicit Fd(int fd = -1) : fd_(fd) {}
  Fd(const Fd&) = delete;
  Fd& operator=(Fd&& other) noexcept {
    close();
    fd_ = other.fd_;
    other.fd_ = -1;
    return *this;
  }
  ~Fd() { close(); }
  int get() const { return fd_; }
  int release() {
    int fd = fd_;
    fd_ = -1;
    return fd;
  }
  explicit operator bool() const { return fd_ >= 0; }
  // Zero, or the errno of a failed close (where a delayed write error may show).
  int close() {
    if (fd_ < 0) return 0;
    int r = ::close(fd_);
    fd_ = -1;
    return r == 0 ? 0 : errno;
  }

 private:
  int fd_;
};

int writeAt(int fd, std::string_view bytes, off_t offset = 0) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n =
        ::pwrite(fd, bytes.data() + done, bytes.size() - done, offset + static_cast<off_t>(done));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return errno;
    done += static_cast<std::size_t>(n);
  }
  return 0;
}

// Writes the bytes from the start of the file, cuts it there and flushes it to disk.
int replaceContents(int fd, std::string_view bytes, SaveStep step) {
  return run(step, [&] {
    if (int e = writeAt(fd, bytes)) return e;
    if (::ftruncate(fd, static_cast<off_t>(bytes.size())) != 0) return errno;
    return ::fsync(fd) == 0 ? 0 : errno;
  });
}

std::string randomSuffix() {
  static std::mt19937_64 rng{std::random_device{}()};
  return std::to_string(rng() % 1000000000);
}

// Temporary files of `file` (".NAME.PID-NUMBER.tmp") that a run which no longer runs left in
// the folder (it was killed while writing): ours, regular files, removed.
void removeLeftTemporaries(const fs::path& folder, const fs::path& file) {
  std::string prefix = "." + file.filename().string() + ".";
  std::error_code ec;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    std::string name = it->path().filename().string();
    if (name.size() <= prefix.size() + 4 || name.rfind(prefix, 0) != 0 ||
        name.compare(name.size() - 4, 4, ".tmp") != 0) {
      continue;
    }
    char* after = nullptr;
    long pid = std::strtol(name.c_str() + prefix.size(), &after, 10);
    struct stat st;
    if (pid <= 0 || *after != '-' || ::lstat(it->path().c_str(), &st) != 0 ||
        !S_ISREG(st.st_mode) || st.st_uid != ::geteuid()) {
      continue;
    }
    if (::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH) ::unlink(it->path().c_str());
  }
}

// A new file of ours in the folder, named after `file` (".NAME.PID-NUMBER.EXT"), never through
// a link someone left at its name; another number is tried while a name is taken. Zero, or why
// it could not be made.
int createBeside(const fs::path& folder, const fs::path& file, const char* ext, fs::path& made,
                 Fd& fd) {
  for (int attempt = 0; attempt < 16; ++attempt) {
    fs::path p = folder / ("." + file.filename().string() + "." + std::to_string(::getpid()) + "-" +
                           randomSuffix() + ext);
    fd = Fd(::open(p.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (fd) {
      made = p;
      return 0;
    }
    if (errno != EEXIST) return errno;
  }
  return EEXIST;
}

// The file a chain of symbolic links ends at (which may not exist yet).
fs::path followLinks(fs::path p, int& err) {
  for (int hops = 0; hops < 40; ++hops) {
    struct stat st;
    if (::lstat(p.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return p;
    std::error_code ec;
    fs::path to = fs::read_symlink(p, ec);
    if (ec) {
      err = ec.value();
      return p;
    }
    p = to.is_absolute() ? to : p.parent_path() / to;
  }
  err = ELOOP;
  return p;
}

fs::path folderOf(const fs::path& file) {
  fs::path folder = file.parent_path();
  return folder.empty() ? fs::path(".") : folder;
}

mode_t newFileMode() {
  mode_t mask = ::umask(0);
  ::umask(mask);
  return 0666 & ~mask;
}

struct RenameResult {
  int err = 0;
  bool folderRefused = false;  // no new file can be made in the folder
};

// A new temporary file beside `file`, after removing those a killed run left.
RenameResult createTemporary(const fs::path& file, fs::path& tmp, Fd& fd) {
  fs::path folder = folderOf(file);
  removeLeftTemporaries(folder, file);
  if (int err =
          run(SaveStep::CreateTemp, [&] { return createBeside(folder, file, ".tmp", tmp, fd); })) {
    return {err, err == EACCES || err == EPERM || err == EROFS};
  }
  return {};
}

// The temporary file, written, takes the old file's permissions, reaches the disk and is renamed
// over it; on a failure it goes.
RenameResult putInPlace(Fd& fd, const fs::path& tmp, const fs::path& file, const struct stat* old) {
  fs::path folder = folderOf(file);
  auto discard = [&](int e) {
    fd.close();
    ::unlink(tmp.c_str());
    return RenameResult{e, false};
  };
  if (old) {
    // The group stays where the system lets us keep it; the permissions always do.
    int kept = ::fchown(fd.get(), static_cast<uid_t>(-1), old->st_gid);
    (void)kept;
  }
  mode_t mode = old ? (old->st_mode & 07777) : newFileMode();
  if (::fchmod(fd.get(), mode) != 0) return discard(errno);
  if (int e = run(SaveStep::SyncTemp, [&] { return ::fsync(fd.get()) == 0 ? 0 : errno; })) {
    return discard(e);
  }
  if (int e = fd.close()) return discard(e);
  int e = fault(SaveStep::Rename);
  if (!e && ::rename(tmp.c_str(), file.c_str()) != 0) e = errno;
  if (e) return discard(e);
  // The rename itself reaches the disk only with the folder.
  if (!fault(SaveStep::SyncFolder)) syncFolder(folder);
  return {};
}

RenameResult replaceByRename(const fs::path& file, std::string_view bytes, const struct stat* old) {
  fs::path tmp;
  Fd fd;
  if (RenameResult r = createTemporary(file, tmp, fd); r.err) return r;
  if (int e = run(SaveStep::WriteTemp, [&] { return writeAt(fd.get(), bytes); })) {
    fd.close();
    ::unlink(tmp.c_str());
    return {e, false};
  }
  return putInPlace(fd, tmp, file, old);
}

std::optional<SaveFailure> writeInPlace(const fs::path& file, std::string_view bytes) {
  ReadResult old = readRegularFile(file, {UINTMAX_MAX, UINTMAX_MAX});
  if (old.error != ReadError::None) return SaveFailure{old.reason, DiskState::Unchanged, {}};

  // The backup: beside the file if the folder takes it, else in a private folder of ours.
  fs::path backup;
  Fd b;
  int err = run(SaveStep::BackupBeside,
                [&] { return createBeside(folderOf(file), file, ".bak", backup, b); });
  // Else in a private folder of ours, one that outlives a restart first.
  for (const fs::path& ours : perUserFolders(true)) {
    if (!err) break;
    fs::path mine = ours / "backup";
    if (makePrivateFolder(mine)) err = createBeside(mine, file, ".bak", backup, b);
  }
  if (err && backup.empty()) {
    return SaveFailure{
        "元の内容を控えておく場所がありません（ファイルのフォルダーにも、ホームフォルダーや"
        "一時フォルダーにもファイルを作れません）。",
        DiskState::Unchanged,
        {}};
  }
  if (!err) err = replaceContents(b.get(), old.bytes, SaveStep::CreateBackup);
  if (!err) err = b.close();
  if (err) {
    if (!backup.empty()) ::unlink(backup.c_str());
    return SaveFailure{osReason(err, Access::Write), DiskState::Unchanged, {}};
  }

  Fd fd(::open(file.c_str(), O_WRONLY | O_NOFOLLOW | O_CLOEXEC));
  if (!fd) {
    err = errno;
    ::unlink(backup.c_str());
    return SaveFailure{osReason(err, Access::Write), DiskState::Unchanged, {}};
  }
  err = replaceContents(fd.get(), bytes, SaveStep::WriteInPlace);
  if (!err) err = fd.close();
  if (!err) {
    ::unlink(backup.c_str());
    return std::nullopt;
  }
  if (!fd) fd = Fd(::open(file.c_str(), O_WRONLY | O_NOFOLLOW | O_CLOEXEC));
  bool restored = fd && replaceContents(fd.get(), old.bytes, SaveStep::Restore) == 0;
  if (!restored) return SaveFailure{osReason(err, Access::Write), DiskState::Damaged, backup};
  ::unlink(backup.c_str());
  return SaveFailure{osReason(err, Access::Write), DiskState::Restored, {}};
}

}  // namespace

void setSaveFaultHook(std::function<int(SaveStep)> hook) {
  faultHook() = std::move(hook);
}

ReadResult readRegularFile(const fs::path& file, const ReadLimits& limits) {
  ReadResult r;
  auto fail = [&](ReadError e, std::string reason) {
    r.bytes.clear();
    r.error = e;
    r.reason = std::move(reason);
    return r;
  };
  // Non-blocking, so that a FIFO does not wait for a writer before fstat can tell what it is.
  Fd fd(::open(file.c_str(),
               O_RDONLY | O_NONBLOCK | O_CLOEXEC | (limits.ownFileOnly ? O_NOFOLLOW : 0)));
  if (!fd) {
    int e = errno;
    if (e == ELOOP && limits.ownFileOnly) {
      return fail(ReadError::NotRegular, "シンボリックリンクです。");
    }
    return fail(e == ENOENT ? ReadError::NotFound : ReadError::Unreadable,
                osReason(e, Access::Read));
  }
  struct stat st;
  if (::fstat(fd.get(), &st) != 0)
    return fail(ReadError::Unreadable, osReason(errno, Access::Read));
  if (limits.ownFileOnly && st.st_uid != ::geteuid()) {
    return fail(ReadError::Unreadable, "別のユーザーのファイルです。");
  }
  if (S_ISDIR(st.st_mode)) return fail(ReadError::IsFolder, "フォルダーです。");
  if (!S_ISREG(st.st_mode)) return fail(ReadError::NotRegular, "通常のファイルではありません。");
  auto size = static_cast<std::uintmax_t>(st.st_size);
  std::uintmax_t limit = limits.bytes;
  if (size > limits.bytes) {
    char bom[2] = {};
    bool utf16 = ::pread(fd.get(), bom, 2, 0) == 2 &&
                 ((bom[0] == '\xFF' && bom[1] == '\xFE') || (bom[0] == '\xFE' && bom[1] == '\xFF'));
    if (!utf16 || size > limits.utf16Bytes) return fail(ReadError::TooLarge, "");
    limit = limits.utf16Bytes;
  }
  // One byte more than fstat said, so that the read that meets the end needs no new buffer.
  r.bytes.resize(static_cast<std::size_t>(std::min(size, limit)) + 1);
  std::size_t done = 0;
  while (true) {
    if (done == r.bytes.size()) {
      // The file may have grown since fstat; read on, one byte past the limit at most.
      if (r.bytes.size() > limit) return fail(ReadError::TooLarge, "");
      std::uintmax_t more = std::min<std::uintmax_t>(limit - r.bytes.size(), 65535) + 1;
      r.bytes.resize(r.bytes.size() + static_cast<std::size_t>(more));
    }
    ssize_t n = ::read(fd.get(), r.bytes.data() + done, r.bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return fail(ReadError::Unreadable, osReason(errno, Access::Read));
    if (n == 0) break;
    done += static_cast<std::size_t>(n);
  }
  if (done > limit) return fail(ReadError::TooLarge, "");
  r.bytes.resize(done);
  return r;
}

std::vector<fs::path> perUserFolders(bool lastingFirst) {
  std::vector<fs::path> c;
  if (const char* run = std::getenv("XDG_RUNTIME_DIR"); run && *run) {
    c.push_back(fs::path(run) / "bidquill");
  }
  if (const char* xdg = std::getenv("XDG_CACHE_HOME"); xdg && *xdg) {
    c.insert(lastingFirst ? c.begin() : c.end(), fs::path(xdg) / "bidquill");
  } else if (const char* home = std::getenv("HOME"); home && *home) {
    c.insert(lastingFirst ? c.begin() : c.end(), fs::path(home) / ".cache" / "bidquill");
  }
  std::error_code ec;
  fs::path shared = fs::temp_directory_path(ec);
  if (!ec) c.push_back(shared / ("bidquill-" + std::to_string(::geteuid())));
  return c;
}

bool makePrivateFolder(const fs::path& folder) {
  std::error_code ec;
  if (!folder.has_parent_path() || folder.parent_path() == folder) return false;
  fs::create_directories(folder.parent_path(), ec);
  if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) return false;
  struct stat st;
  if (::lstat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::geteuid()) {
    return false;
  }
  return (st.st_mode & 077) == 0 || ::chmod(folder.c_str(), 0700) == 0;
}

void syncFolder(const fs::path& folder) {
  Fd dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (dir) ::fsync(dir.get());
}

std::optional<std::string> writePrivateFile(const fs::path& file,
                                            const std::vector<std::string_view>& parts,
                                            bool flushed) {
  fs::path tmp;
  Fd fd;
  int err = createBeside(folderOf(file), file, ".tmp", tmp, fd);
  if (err) return osReason(err, Access::Write);
  // Small parts go out together (a long page is hundreds of chunks), large ones as they are.
  constexpr std::size_t kBatch = 64 * 1024;
  off_t at = 0;
  std::string batch;
  auto put = [&](std::string_view bytes) {
    if (!err) err = writeAt(fd.get(), bytes, at);
    at += static_cast<off_t>(bytes.size());
  };
  for (std::string_view part : parts) {
    if (batch.size() + part.size() > kBatch && !batch.empty()) {
      put(batch);
      batch.clear();
    }
    if (part.size() >= kBatch) {
      put(part);
    } else {
      batch.append(part);
    }
  }
  if (!batch.empty()) put(batch);
  if (!err && flushed && ::fsync(fd.get()) != 0) err = errno;
  if (!err) err = fd.close();
  if (!err && ::rename(tmp.c_str(), file.c_str()) != 0) err = errno;
  if (!err && flushed) syncFolder(folderOf(file));
  if (!err) return std::nullopt;
  fd.close();
  ::unlink(tmp.c_str());
  return osReason(err, Access::Write);
}

namespace {

// The file a save of `target` replaces (links followed) and whether it can be: why not.
std::optional<SaveFailure> saveTarget(const fs::path& target, fs::path& file, struct stat& st,
                                      bool& exists) {
  int err = 0;
  file = followLinks(target, err);
  exists = !err && ::stat(file.c_str(), &st) == 0;
  if (!err && !exists && errno != ENOENT) err = errno;
  if (err) return SaveFailure{osReason(err, Access::Write), DiskState::Unchanged, {}};
  if (exists) {
    if (S_ISDIR(st.st_mode)) return SaveFailure{"フォルダーです。", DiskState::Unchanged, {}};
    if (!S_ISREG(st.st_mode)) {
      return SaveFailure{"通常のファイルではありません。", DiskState::Unchanged, {}};
    }
    // A file nobody may write is read-only, also to an administrator (as on Windows).
    if ((st.st_mode & 0222) == 0) {
      return SaveFailure{"ファイルが読み取り専用です。", DiskState::Unchanged, {}};
    }
    if (::access(file.c_str(), W_OK) != 0) {
      return SaveFailure{osReason(errno, Access::Write), DiskState::Unchanged, {}};
    }
  }
  return std::nullopt;
}

// Renaming a new file over one with other names or another owner would part it from them.
bool replacedInPlace(const struct stat& st, bool exists) {
  return exists && (st.st_nlink > 1 || st.st_uid != ::geteuid());
}

}  // namespace

std::optional<SaveFailure> saveFileSafely(const fs::path& target, std::string_view bytes) {
  fs::path file;
  struct stat st;
  bool exists = false;
  if (auto refused = saveTarget(target, file, st, exists)) return refused;
  bool inPlace = replacedInPlace(st, exists);
  if (!inPlace) {
    RenameResult r = replaceByRename(file, bytes, exists ? &st : nullptr);
    if (!r.err) return std::nullopt;
    if (!exists || !r.folderRefused) {
      return SaveFailure{osReason(r.err, Access::Write),
                         exists ? DiskState::Unchanged : DiskState::NotCreated,
                         {}};
    }
  }
  return writeInPlace(file, bytes);
}

ReplacementFile::~ReplacementFile() {
  discard();
}

void ReplacementFile::discard() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  if (!tmp_.empty()) ::unlink(tmp_.c_str());
  tmp_.clear();
}

std::optional<std::string> ReplacementFile::open(const fs::path& target) {
  discard();
  target_ = target;
  size_ = 0;
  int err = 0;
  fs::path file = followLinks(target, err);
  Fd fd;
  RenameResult r = err ? RenameResult{err, false} : createTemporary(file, tmp_, fd);
  // A folder that takes no new file: the bytes wait in a private folder of ours, and the file
  // is written in place at the end, as a save does there.
  for (const fs::path& ours : perUserFolders()) {
    if (!r.err || !r.folderRefused) break;
    fs::path mine = ours / "saving";
    if (makePrivateFolder(mine)) r = {createBeside(mine, file, ".tmp", tmp_, fd), false};
  }
  if (r.err) {
    tmp_.clear();
    return osReason(r.err, Access::Write);
  }
  beside_ = tmp_.parent_path() == folderOf(file);
  fd_ = fd.release();
  return std::nullopt;
}

bool ReplacementFile::identify(struct stat& st) const {
  return fd_ >= 0 && ::fstat(fd_, &st) == 0;
}

std::optional<std::string> ReplacementFile::append(std::string_view bytes) {
  if (fd_ < 0) return osReason(EBADF, Access::Write);
  if (int e = run(SaveStep::WriteTemp, [&] { return writeAt(fd_, bytes, size_); })) {
    return osReason(e, Access::Write);
  }
  size_ += static_cast<off_t>(bytes.size());
  return std::nullopt;
}

std::optional<SaveFailure> ReplacementFile::commit() {
  fs::path file;
  struct stat st;
  bool exists = false;
  std::optional<SaveFailure> refused = saveTarget(target_, file, st, exists);
  if (refused || fd_ < 0) {
    discard();
    return refused ? refused
                   : SaveFailure{osReason(EBADF, Access::Write), DiskState::Unchanged, {}};
  }
  if (beside_ && !replacedInPlace(st, exists)) {
    Fd fd(fd_);
    fd_ = -1;
    fs::path tmp = std::move(tmp_);
    tmp_.clear();
    RenameResult r = putInPlace(fd, tmp, file, exists ? &st : nullptr);
    if (!r.err) return std::nullopt;
    return SaveFailure{
        osReason(r.err, Access::Write), exists ? DiskState::Unchanged : DiskState::NotCreated, {}};
  }
  // Where the file must be written in place, the bytes are read back and saved as a save does.
  ReadResult bytes = readRegularFile(tmp_, {UINTMAX_MAX, UINTMAX_MAX});
  discard();
  if (bytes.error != ReadError::None) {
    return SaveFailure{bytes.reason, DiskState::Unchanged, {}};
  }
  return saveFileSafely(target_, bytes.bytes);
}

}  // namespace bq::files

#include "core/app_folder.h"

#include "files/os_reason.h"
#include "files/safe_file.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <system_error>

#ifdef _WIN32
#include <windows.h>
#elif defined(__APPLE__)
#include <mach-o/dyld.h>
#endif

namespace fs = std::filesystem;

namespace bq {

fs::path AppFolder() {
#ifdef _WIN32
  wchar_t buf[MAX_PATH * 4];
  DWORD n = GetModuleFileNameW(nullptr, buf, static_cast<DWORD>(std::size(buf)));
  return fs::path(std::wstring(buf, n)).parent_path();
#elif defined(__APPLE__)
  char buf[4096];
  uint32_t size = sizeof buf;
  if (_NSGetExecutablePath(buf, &size) == 0) return fs::canonical(buf).parent_path();
  return fs::current_path();
#else
  std::error_code ec;
  fs::path exe = fs::read_symlink("/proc/self/exe", ec);
  return ec ? fs::current_path() : exe.parent_path();
#endif
}

AppPaths AppPaths::resolve(const fs::path& appFolder, const std::optional<fs::path>& pages) {
  AppPaths p;
  p.app = appFolder;
  std::error_code ec;
  p.tags = appFolder / "data" / "tag";
  fs::path installed = appFolder.parent_path() / "share" / "bidquill" / "data" / "tag";
  if (!fs::is_directory(p.tags, ec) && fs::is_directory(installed, ec)) p.tags = installed;
  p.designs = p.tags.parent_path() / "designs";
  if (pages) {
    p.temp = *pages;
    return p;
  }
  // The pages are read back by the preview; nobody else may put a file or a link there.
  for (const fs::path& folder : files::perUserFolders()) {
    if (files::makePrivateFolder(folder)) {
      p.temp = folder;
      break;
    }
  }
  return p;
}

std::optional<std::string> writeWholeFile(const fs::path& file, std::string_view bytes) {
  std::error_code ec;
  fs::create_directories(file.parent_path(), ec);
  std::FILE* f = std::fopen(file.string().c_str(), "wb");
  if (!f) return files::osReason(errno, files::Access::Write);
  bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  int err = errno;
  ok = (std::fclose(f) == 0) && ok;
  if (!ok) return files::osReason(err ? err : errno, files::Access::Write);
  return std::nullopt;
}

std::optional<std::string> readWholeFile(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) return std::nullopt;
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) return std::nullopt;
  return bytes;
}

std::string displayPath(const fs::path& p) {
  auto u8 = p.u8string();
  return std::string(u8.begin(), u8.end());
}

}  // namespace bq

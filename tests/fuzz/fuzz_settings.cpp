// libFuzzer target for the settings reader and loader: any bytes must parse, read, keep every
// line as it was, and load into the window without a crash or a sanitizer report.
#include <unistd.h>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "app/window/frm_main.h"
#include "forms/headless_platform.h"
#include "settings/ini_document.h"
#include "settings/settings_keys.h"

namespace fs = std::filesystem;

namespace {

struct Window {
  fs::path dir;
  bq::HeadlessPlatform platform;
  std::unique_ptr<bq::frmMain> form;
  Window() {
    dir = fs::temp_directory_path() / ("bidquill-fuzz-" + std::to_string(getpid()));
    fs::create_directories(dir / "data");
    // Folders of its own: the pages it writes never land where a running Bidquill shows its own.
    for (const char* v : {"HOME", "XDG_RUNTIME_DIR", "XDG_CACHE_HOME", "XDG_CONFIG_HOME"}) {
      fs::path own = dir / v;
      fs::create_directories(own);
      fs::permissions(own, fs::perms::owner_all);
      setenv(v, own.c_str(), 1);
    }
    std::error_code ec;
    fs::copy(BIDQUILL_TEMPLATE_DIR, dir / "data" / "tag",
             fs::copy_options::recursive | fs::copy_options::overwrite_existing, ec);
    form = std::make_unique<bq::frmMain>(platform, dir);
    form->Load();
  }
  ~Window() {
    form.reset();
    std::error_code ec;
    fs::remove_all(dir, ec);
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string bytes(reinterpret_cast<const char*>(data), size);
  bq::IniDocument doc = bq::IniDocument::parse(bytes);
  bq::text::Encoding e = doc.encoding();
  if (e != bq::text::Encoding::Utf16LE && e != bq::text::Encoding::Utf16BE &&
      doc.serialize() != bytes) {
    std::abort();  // a line was not kept as it was
  }
  // Every key in one pass, as loading reads them; one read and one continuation besides.
  static const std::vector<bq::IniDocument::Query> queries = [] {
    std::vector<bq::IniDocument::Query> q;
    for (const bq::SettingKey& k : bq::settingKeys()) q.push_back({k.section, k.key, true});
    return q;
  }();
  (void)doc.lookup(queries);
  (void)doc.read("Text", "Edit1");
  (void)doc.continuation("Text", "Edit1");

  static Window window;
  fs::path file = window.dir / "input.ini";
  std::ofstream(file, std::ios::binary) << bytes;
  window.platform.messages.clear();
  window.platform.queueFile(file.string());
  window.form->settings.cmdOpen.click();
  return 0;
}

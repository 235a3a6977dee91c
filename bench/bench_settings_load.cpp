// Opening settings files of hostile shapes: time, and the peak of memory in use during the open
// as a multiple of the file's size (counted by this program's own operator new).
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <new>
#include <random>

#include "app/window/frm_main.h"
#include "bench_app_folder.h"
#include "files/safe_file.h"
#include "forms/headless_platform.h"
#include "settings/ini_document.h"
#include "settings/settings_keys.h"
#include "text/cp932.h"

namespace {

std::atomic<std::size_t> inUse{0};
std::atomic<std::size_t> peak{0};

void* counted(std::size_t n) {
  void* p = std::malloc(n ? n : 1);
  if (!p) throw std::bad_alloc();
  std::size_t now = inUse += malloc_usable_size(p);
  std::size_t seen = peak.load();
  while (now > seen && !peak.compare_exchange_weak(seen, now)) {
  }
  return p;
}

void release(void* p) noexcept {
  if (!p) return;
  inUse -= malloc_usable_size(p);
  std::free(p);
}

}  // namespace

void* operator new(std::size_t n) {
  return counted(n);
}
void* operator new[](std::size_t n) {
  return counted(n);
}
void operator delete(void* p) noexcept {
  release(p);
}
void operator delete[](void* p) noexcept {
  release(p);
}
void operator delete(void* p, std::size_t) noexcept {
  release(p);
}
void operator delete[](void* p, std::size_t) noexcept {
  release(p);
}

namespace fs = std::filesystem;
using namespace bq;

namespace {

fs::path appFolder() {
  return bench::appFolder("load");
}

// The start state saved, with `insert` put right after the line "Edit1=" (or, `asValue`, on it:
// body 1's value).
fs::path fileWith(const std::string& name, const std::string& insert, bool asValue = false) {
  HeadlessPlatform platform;
  frmMain form(platform, appFolder());
  form.Load();
  fs::path start = appFolder() / "start.ini";
  platform.queueFile(start.string());
  form.settings.cmdSave.click();
  std::ifstream in(start, std::ios::binary);
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  bytes.insert(bytes.find("Edit1=\r\n") + (asValue ? 6 : 8), insert);
  fs::path f = appFolder() / name;
  std::ofstream(f, std::ios::binary) << bytes;
  return f;
}

// A field of the process's status in kB ("VmHWM:": the resident peak since it was reset).
std::size_t residentKB(const char* field) {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind(field, 0) == 0)
      return std::strtoull(line.c_str() + std::strlen(field), nullptr, 10);
  }
  return 0;
}
// What the benchmark's own setup freed is given back first, so the peak is the open's.
void resetResidentPeak() {
  malloc_trim(0);
  std::ofstream("/proc/self/clear_refs") << "5";
}

// Opens the file again and again; `body`: the length body 1 must have once it is open (the
// benchmark measured a load of that text, not of a file the loader passed over).
void open(benchmark::State& state, const fs::path& file, std::size_t body = 0) {
  HeadlessPlatform platform;
  frmMain form(platform, appFolder());
  form.Load();
  double ratio = 0, resident = 0;
  auto size = static_cast<double>(fs::file_size(file));
  for (auto _ : state) {
    std::size_t before = inUse;
    peak = before;
    resetResidentPeak();
    if (form.document.modified()) platform.queueAnswer("discard");
    platform.queueFile(file.string());
    form.settings.cmdOpen.click();
    ratio = static_cast<double>(peak - before) / size;
    // The whole process at its peak (what was freed before but kept by malloc counts too).
    resident = static_cast<double>(residentKB("VmHWM:")) * 1024 / size;
    state.PauseTiming();
    if (!platform.messages.empty()) state.SkipWithError(platform.messages.back().text.c_str());
    if (body && form.page.section(1).txtEdit.text().size() != body) {
      state.SkipWithError("body 1 was not loaded whole");
    }
    // The next open starts from a short page again, as a seller's would.
    form.page.section(1).txtEdit.setText("");
    form.output.RefreshPreview();
    form.history.restart();  // and without the last open's undo step
    malloc_trim(0);
    state.ResumeTiming();
  }
  state.counters["file_MB"] = size / (1024 * 1024);
  state.counters["peak_memory_x_file"] = ratio;
  state.counters["peak_rss_x_file"] = resident;
}

// The settings layer alone: the file read and every key of the table looked up in it.
void readKeys(benchmark::State& state, const fs::path& file) {
  std::vector<IniDocument::Query> queries;
  for (const SettingKey& k : settingKeys()) {
    queries.push_back({k.section, k.key, k.encoding == ValueEncoding::Text});
  }
  double ratio = 0;
  for (auto _ : state) {
    std::size_t before = inUse;
    peak = before;
    auto read = files::readRegularFile(file, {16u << 20, 32u << 20});
    auto doc = IniDocument::parse(std::move(read.bytes));
    benchmark::DoNotOptimize(doc.lookup(queries));
    ratio = static_cast<double>(peak - before) / static_cast<double>(fs::file_size(file));
  }
  state.counters["peak_memory_x_file"] = ratio;
}

// Body 1 as the Windows program leaves a long text: 128,000 raw lines after its key.
const fs::path& rawLines() {
  static const fs::path f = [] {
    std::string line = *text::utf8ToCp932("商品の説明文です。状態は良好、付属品あり。<BR>\r\n");
    std::string lines;
    for (int i = 0; i < 128000; ++i) lines += line;
    return fileWith("raw-lines.ini", lines);
  }();
  return f;
}

// 16 MB of blank lines inside the file.
const fs::path& blankLines() {
  static const fs::path f = fileWith("blank-lines.ini", std::string(16 * 1024 * 1024 - 8192, '\n'));
  return f;
}

// 16 MB of short foreign keys: the worst case for a reader that would index every key.
const fs::path& foreignKeys() {
  static const fs::path f = [] {
    std::string keys = "\r\n";
    for (int i = 0; keys.size() < 16 * 1024 * 1024 - 8192; ++i) {
      keys += "k" + std::to_string(i) + "=\r\n";
    }
    return fileWith("foreign-keys.ini", keys);
  }();
  return f;
}

// One value of 16 MB on one line: body 1 in ASCII, and in Japanese (two bytes a character in
// the file, three in memory).
constexpr std::size_t kLongValue = 16 * 1024 * 1024 - 8192;
const fs::path& longValue(bool japanese) {
  static const fs::path ascii = fileWith("long-ascii.ini", std::string(kLongValue, 'a'), true);
  static const fs::path kana = [] {
    std::string a = *text::utf8ToCp932("あ");
    std::string v;
    while (v.size() < kLongValue) v += a;
    return fileWith("long-kana.ini", v, true);
  }();
  return japanese ? kana : ascii;
}
void BM_OpenLongValueAscii(benchmark::State& state) {
  open(state, longValue(false), kLongValue);
}
void BM_OpenLongValueJapanese(benchmark::State& state) {
  open(state, longValue(true), kLongValue / 2 * 3);
}
// The same as Bidquill saves a long text with line breaks: its first line under Edit1, the whole
// text (escaped) under Bidquill.Multiline.
const fs::path& savedMultiline() {
  static const fs::path f = [] {
    HeadlessPlatform platform;
    frmMain form(platform, appFolder());
    form.Load();
    std::string line = "商品の説明文です。状態は良好、付属品あり。<BR>\n";
    std::string body;
    while (body.size() < 10 * 1024 * 1024) body += line;
    form.page.section(1).txtEdit.setText(body);
    fs::path file = appFolder() / "saved-multiline.ini";
    platform.queueFile(file.string());
    form.settings.cmdSave.click();
    return file;
  }();
  return f;
}
void BM_OpenSavedMultiline(benchmark::State& state) {
  open(state, savedMultiline());
}
BENCHMARK(BM_OpenSavedMultiline)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_OpenLongValueAscii)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_OpenLongValueJapanese)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_ReadLongRawText(benchmark::State& state) {
  readKeys(state, rawLines());
}
void BM_OpenLongRawText(benchmark::State& state) {
  open(state, rawLines());
}
void BM_ReadBlankLines16MB(benchmark::State& state) {
  readKeys(state, blankLines());
}
void BM_OpenBlankLines16MB(benchmark::State& state) {
  open(state, blankLines());
}
void BM_ReadForeignKeys16MB(benchmark::State& state) {
  readKeys(state, foreignKeys());
}
void BM_OpenForeignKeys16MB(benchmark::State& state) {
  open(state, foreignKeys());
}
BENCHMARK(BM_ReadLongRawText)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_OpenLongRawText)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_ReadBlankLines16MB)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_OpenBlankLines16MB)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_ReadForeignKeys16MB)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_OpenForeignKeys16MB)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

// As the programs start: large blocks are always mapped, and so given back when freed.
int main(int argc, char** argv) {
  mallopt(M_MMAP_THRESHOLD, 1 << 20);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}

// The batch over a spreadsheet of 10,000 items with 2 KB bodies, in code page 932 (as Excel in
// Japan saves CSV), in UTF-8 and in UTF-16 (Excel's 「Unicode テキスト」): the whole job, reading,
// typing, page, checks and the copy of the sheet, written as the command line writes it (row by row
// into a file that replaces the output at the end). The process's peak resident size is measured
// per run: it must not grow with the rows.
#include <benchmark/benchmark.h>
#include <malloc.h>
#include <sys/resource.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>

#include "app/copies/offscreen_form.h"
#include "batch/batch_files.h"
#include "batch/batch_job.h"
#include "bench_app_folder.h"
#include "files/safe_file.h"
#include "text/cp932.h"

namespace fs = std::filesystem;
using namespace bq;

namespace {

fs::path appFolder() {
  return bench::appFolder("batch");
}

// 管理番号,商品名,状態,説明 with a description of `bodyBytes` (2 KB unless said) over several
// lines, as Excel quotes it.
std::string sheet(int rows, text::Encoding encoding, std::size_t bodyBytes = 2000) {
  std::string body;
  for (int line = 0; body.size() < bodyBytes; ++line) {
    body +=
        "昭和初期の木製小物入れです。引き出しは三段、\"特選\"の札付き。サイズ 幅30cm 高さ20cm。\n";
  }
  std::string quoted = "\"";
  for (char c : body) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
  quoted += '"';
  std::string s = "管理番号,商品名,状態,説明\r\n";
  s.reserve(static_cast<std::size_t>(rows) * (quoted.size() + 64));
  for (int i = 1; i <= rows; ++i) {
    s += "A-" + std::to_string(i) + ",木製 小物入れ " + std::to_string(i) + ",美品," + quoted +
         "\r\n";
  }
  if (encoding == text::Encoding::Cp932) return *text::utf8ToCp932(s);
  return encoding == text::Encoding::Utf16LE ? batch::toUtf16(s, encoding) : s;
}

// The process's resident peak in MB since the last reset.
double residentPeakMB() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmHWM:", 0) == 0) return std::strtod(line.c_str() + 6, nullptr) / 1024.0;
  }
  return 0;
}

void batchRun(benchmark::State& state, text::Encoding encoding) {
  const int rows = static_cast<int>(state.range(0));
  std::string bytes =
      sheet(rows, encoding, state.range(1) ? static_cast<std::size_t>(state.range(1)) : 2000);
  const std::size_t fileBytes = bytes.size();
  const batch::Sheet read = batch::sheetOf(std::move(bytes));  // as readSheet leaves it
  OffscreenForm offscreen(appFolder());
  offscreen.start();
  batch::BatchPlan plan;
  plan.columns = {std::nullopt, batch::Target{1, false}, batch::Target{3, false},
                  batch::Target{2, false}};
  fs::path out = appFolder() / "out.csv";
  double peak = 0;
  for (auto _ : state) {
    malloc_trim(0);  // what making the sheet freed is not counted as the run's
    std::ofstream("/proc/self/clear_refs") << "5";
    batch::BatchJob job(offscreen.form(), read, plan);
    job.prepare();
    files::ReplacementFile file;
    file.open(out);
    job.streamTo([&file](std::string_view b) { return file.append(b); });
    std::vector<batch::HtmlFile> files;
    job.finish(files);
    if (auto why = batch::saveBatch(job, out, nullptr, &file)) state.SkipWithError(why->c_str());
    peak = residentPeakMB();
  }
  // It measured what it names: every row made, the sheet on disk with its column.
  std::error_code ec;
  if (fs::file_size(out, ec) <= fileBytes) state.SkipWithError("the output was not written");
  state.counters["input_MB"] = static_cast<double>(fileBytes) / 1e6;
  state.counters["output_MB"] = static_cast<double>(fs::file_size(out, ec)) / 1e6;
  state.counters["peak_rss_MB"] = peak;
  state.SetItemsProcessed(state.iterations() * rows);
}

// What runs before the first row: the whole sheet read once (in steps between the window's
// events), plus the first row.
void BatchRead(benchmark::State& state) {
  const batch::Sheet read =
      batch::sheetOf(sheet(static_cast<int>(state.range(0)), text::Encoding::Cp932));
  OffscreenForm offscreen(appFolder());
  offscreen.start();
  batch::BatchPlan plan;
  plan.columns = {std::nullopt, batch::Target{1, false}, batch::Target{3, false},
                  batch::Target{2, false}};
  for (auto _ : state) {
    batch::BatchJob job(offscreen.form(), read, plan);
    job.prepare();
    std::vector<batch::HtmlFile> files;
    while (job.scanning()) job.step(std::chrono::steady_clock::now(), files);
    benchmark::DoNotOptimize(job.rows());
  }
}
BENCHMARK(BatchRead)->Arg(10000)->Unit(benchmark::kMillisecond);

void BatchCp932(benchmark::State& s) {
  batchRun(s, text::Encoding::Cp932);
}
void BatchUtf8(benchmark::State& s) {
  batchRun(s, text::Encoding::Utf8);
}
// Its peak is to be the UTF-8 one's: the file is read as UTF-8 text once.
void BatchUtf16(benchmark::State& s) {
  batchRun(s, text::Encoding::Utf16LE);
}
// 50,000 rows with 1 KB bodies: 2 KB ones would pass the 64 MB a sheet may have.
BENCHMARK(BatchCp932)
    ->Args({1000, 0})
    ->Args({10000, 0})
    ->Args({50000, 1000})
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BatchUtf8)->Args({10000, 0})->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BatchUtf16)->Args({10000, 0})->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();

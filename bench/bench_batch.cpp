// The batch over a spreadsheet of 10,000 items with 2 KB bodies, in code page 932 (as Excel in
// Japan saves CSV) and in UTF-8: the whole job, reading, typing, page, checks and the copy of
// the sheet. Memory beyond the output is shown as the peak resident size.
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <filesystem>
#include <random>

#include "app/offscreen_form.h"
#include "batch/batch_job.h"
#include "bench_app_folder.h"
#include "text/cp932.h"

namespace fs = std::filesystem;
using namespace bq;

namespace {

fs::path appFolder() {
  return bench::appFolder("batch");
}

// 管理番号,商品名,状態,説明 with a 2 KB description over several lines, as Excel quotes it.
std::string sheet(int rows, bool cp932) {
  std::string body;
  for (int line = 0; body.size() < 2000; ++line) {
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
  return cp932 ? *text::utf8ToCp932(s) : s;
}

void batchRun(benchmark::State& state, bool cp932) {
  const int rows = static_cast<int>(state.range(0));
  std::string bytes = sheet(rows, cp932);
  OffscreenForm offscreen(appFolder());
  offscreen.start();
  batch::BatchPlan plan;
  plan.columns = {std::nullopt, batch::Target{1, false}, batch::Target{3, false},
                  batch::Target{2, false}};
  std::size_t output = 0;
  for (auto _ : state) {
    batch::BatchJob job(offscreen.form(), bytes, plan);
    job.prepare();
    std::vector<batch::HtmlFile> files;
    job.finish(files);
    output = job.output().size();
    benchmark::DoNotOptimize(output);
  }
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  state.counters["input_MB"] = static_cast<double>(bytes.size()) / 1e6;
  state.counters["output_MB"] = static_cast<double>(output) / 1e6;
  state.counters["peak_rss_MB"] = static_cast<double>(usage.ru_maxrss) / 1024.0;
  state.SetItemsProcessed(state.iterations() * rows);
}

// What runs before the first row: the whole sheet read once (in steps between the window's
// events), plus the first row.
void BatchRead(benchmark::State& state) {
  std::string bytes = sheet(static_cast<int>(state.range(0)), true);
  OffscreenForm offscreen(appFolder());
  offscreen.start();
  batch::BatchPlan plan;
  plan.columns = {std::nullopt, batch::Target{1, false}, batch::Target{3, false},
                  batch::Target{2, false}};
  for (auto _ : state) {
    batch::BatchJob job(offscreen.form(), bytes, plan);
    job.prepare();
    std::vector<batch::HtmlFile> files;
    while (job.scanning()) job.step(std::chrono::steady_clock::now(), files);
    benchmark::DoNotOptimize(job.rows());
  }
}
BENCHMARK(BatchRead)->Arg(10000)->Unit(benchmark::kMillisecond);

void BatchCp932(benchmark::State& s) {
  batchRun(s, true);
}
void BatchUtf8(benchmark::State& s) {
  batchRun(s, false);
}
BENCHMARK(BatchCp932)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BatchUtf8)->Arg(10000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();

// Engine-side costs of what the seller does most: start-up, a refresh, a style change, a change
// of the ship-from prefecture. Timings are measured here, never asserted in tests.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <random>
#include <sstream>

#include "app/script/script_runner.h"
#include "app/window/frm_main.h"
#include "app/window/listing_report.h"
#include "bench_app_folder.h"
#include "forms/headless_platform.h"
#include "markup/markup_reader.h"
#include "text/cp932.h"
#include "web/web_session.h"

namespace fs = std::filesystem;
using namespace bq;

namespace {

fs::path appFolder() {
  return bench::appFolder("engine");
}

struct Started {
  HeadlessPlatform platform;
  frmMain form{platform, appFolder()};
  Started() { form.Load(); }
};

// 20 KB of mixed Japanese and markup per body.
std::string bigBody(int seed) {
  std::string s;
  while (s.size() < 20000)
    s += "商品の説明文です。状態は良好、付属品あり。<BR>\nLine " + std::to_string(seed++) + " ";
  return s;
}

// Every body at 20 KB, the generated ones too.
void fillLarge(Started& s) {
  for (int i = 1; i <= 8; ++i) {
    if (i != 5 && i != 6) s.form.page.section(i).txtEdit.setText(bigBody(i));
  }
  s.form.page.section(5).EditText = bigBody(5);
  s.form.page.section(6).EditText = bigBody(6);
}

// The floor a refresh is compared with: writing the page's bytes with a plain fwrite.
void fwritePage(benchmark::State& state, Started& s) {
  s.form.output.assembleNow();
  std::string bytes = text::utf8ToCp932Html(s.form.output.txtTag.text());
  fs::path file = appFolder() / "fwrite.htm";
  for (auto _ : state) {
    std::FILE* f = std::fopen(file.c_str(), "wb");
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes.size()));
}

void BM_Startup(benchmark::State& state) {
  for (auto _ : state) {
    HeadlessPlatform platform;
    frmMain form(platform, appFolder());
    benchmark::DoNotOptimize(form.Load());
  }
}
BENCHMARK(BM_Startup)->Unit(benchmark::kMillisecond);

// Pages assembled per seller action, each action run through the door the front ends use (the
// script runner: bidquill-cli run and the browser edition): start-up, the sample opened, a
// colour chosen, a design opened. Each is one page; the counters say how many were made.
void BM_PagesPerAction(benchmark::State& state) {
  const fs::path data = fs::path(BIDQUILL_TEMPLATE_DIR).parent_path();
  std::map<std::string, int> pages;
  for (auto _ : state) {
    HeadlessPlatform platform;
    frmMain form(platform, appFolder());
    form.Load();
    pages["start"] = form.output.assemblies();
    std::ostringstream out;
    ScriptRunner runner(form, platform, out);
    auto act = [&](const char* name, std::vector<std::string> args) {
      int before = form.output.assemblies();
      if (auto failed = runner.execute(args)) state.SkipWithError(failed->c_str());
      pages[name] = form.output.assemblies() - before;
    };
    act("open_sample", {"open", (data / "sample" / "listing.ini").u8string()});
    runner.execute({"dialog", "colour", "16711680"});  // the colour dialog's answer
    act("colour", {"click", "cmdT2BC"});
    act("design", {"open-design", (data / "designs" / "ネイビー.ini").u8string()});
  }
  // It measured what it names: each action changed the page shown.
  if (pages["open_sample"] == 0 || pages["colour"] == 0 || pages["design"] == 0)
    state.SkipWithError("an action made no page");
  for (const auto& [name, n] : pages) state.counters[name] = n;
}
BENCHMARK(BM_PagesPerAction)->Iterations(1)->Unit(benchmark::kMillisecond);

void refresh(benchmark::State& state, bool big) {
  Started s;
  if (big) fillLarge(s);
  int k = 0;
  for (auto _ : state) {
    // One keystroke's worth: a title changes, then the page is rebuilt and written.
    s.form.page.section(1).txtTitle.setText(k++ % 2 ? "商品名" : "商品名!");
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                          static_cast<int64_t>(s.form.output.txtTag.text().size()));
}
void BM_RefreshDefaultPage(benchmark::State& state) {
  refresh(state, false);
}
void BM_RefreshLargePage(benchmark::State& state) {
  refresh(state, true);
}
BENCHMARK(BM_RefreshDefaultPage)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RefreshLargePage)->Unit(benchmark::kMicrosecond);

void BM_FwriteLargePage(benchmark::State& state) {
  Started s;
  fillLarge(s);
  fwritePage(state, s);
}
BENCHMARK(BM_FwriteLargePage)->Unit(benchmark::kMicrosecond);

void BM_FwriteDefaultPage(benchmark::State& state) {
  Started s;
  fwritePage(state, s);
}
BENCHMARK(BM_FwriteDefaultPage)->Unit(benchmark::kMicrosecond);

// Style changes without the refresh's file write, which the refresh figures cover.
void BM_StyleChangeEngineSide(benchmark::State& state) {
  Started s;
  s.form.output.chkRealTP.setValue(0);
  int k = 0;
  for (auto _ : state) {
    s.platform.queueColour(k++ % 2 ? 0x0000FF : 0x00FF00);
    s.form.registry().find<PushButton>("cmdT3BC")->click();
    s.form.registry().find<ToggleButton>("chkT3B")->click();
    s.form.registry().find<ComboBox>("cmbE3FS")->setListIndex(k % 7);
  }
}
BENCHMARK(BM_StyleChangeEngineSide)->Unit(benchmark::kMicrosecond);

void BM_ShipFromChangeEngineSide(benchmark::State& state) {
  Started s;
  s.form.output.chkRealTP.setValue(0);
  s.form.shipping.row(3).chkSend.setValue(1);
  int k = 0;
  for (auto _ : state) s.form.zones.cmbSend.setListIndex(k++ % 47);
}
BENCHMARK(BM_ShipFromChangeEngineSide)->Unit(benchmark::kMicrosecond);

// A full settings file with real-time preview on: every handler's refresh is included.
fs::path fullSettingsFile() {
  static fs::path file = [] {
    Started s;
    for (int i = 1; i <= 8; ++i)
      s.form.page.section(i).txtTitle.setText("見出し" + std::to_string(i));
    for (int i = 1; i <= 8; ++i) {
      if (i != 5 && i != 6) s.form.page.section(i).txtEdit.setText("本文の一行目<BR>\n二行目");
    }
    for (int i = 1; i <= 12; ++i) s.form.shipping.row(i).chkSend.setValue(1);
    for (int i = 1; i <= 16; ++i) s.form.payment.row(i).chkBank.setValue(1);
    s.platform.queueColour(0x336699);
    s.form.registry().find<PushButton>("cmdTBC")->click();
    fs::path f = appFolder() / "full.ini";
    s.platform.queueFile(f.string());
    s.form.settings.cmdSave.click();
    return f;
  }();
  return file;
}

// Alternates between the full file and the start state, so that every load changes the page.
void BM_LoadSettingsRealTimeOn(benchmark::State& state) {
  fs::path full = fullSettingsFile();
  Started s;
  fs::path start = appFolder() / "start.ini";
  s.platform.queueFile(start.string());
  s.form.settings.cmdSave.click();
  int k = 0;
  for (auto _ : state) {
    s.platform.queueFile((k++ % 2 ? start : full).string());
    s.form.settings.cmdOpen.click();
  }
}
BENCHMARK(BM_LoadSettingsRealTimeOn)->Unit(benchmark::kMillisecond);

void BM_SaveSettings(benchmark::State& state) {
  fs::path file = fullSettingsFile();
  Started s;
  s.platform.queueFile(file.string());
  s.form.settings.cmdOpen.click();
  fs::path out = appFolder() / "saved.ini";
  for (auto _ : state) {
    s.platform.queueFile(out.string());
    s.form.settings.cmdSave.click();
  }
}
BENCHMARK(BM_SaveSettings)->Unit(benchmark::kMillisecond);

// The listing checks over a typical listing (every section shown, short texts) and over a
// page with a 1 MB body full of tags, addresses and stray "<": the cost must grow linearly.
void listingChecks(benchmark::State& state, std::size_t bodyBytes) {
  Started s;
  for (int i = 1; i <= 8; ++i) s.form.page.section(i).chkTitle.setValue(1);
  std::string piece =
      "<b>状態良好</b> <font color=\"red\">送料無料</font> <新品> a@b.jp "
      "<img src=\"https://img.example.com/a.jpg\"><BR>\n";
  std::string body = "商品の説明です。<BR>\n付属品あり。";
  while (body.size() < bodyBytes) body += piece;
  s.form.page.section(1).txtEdit.setText(body);
  for (auto _ : state) benchmark::DoNotOptimize(checks::checkListing(s.form));
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(body.size()));
}
void BM_ListingChecksTypical(benchmark::State& state) {
  listingChecks(state, 0);
}
void BM_ListingChecks(benchmark::State& state) {
  listingChecks(state, static_cast<std::size_t>(state.range(0)));
}
// The shapes that once took seconds or gigabytes: 1 MiB of empty raw-text elements, of "<", of
// unknown tags (a finding each, grouped), and the mend of the last; of declarations and
// processing instructions that never end.
const char* const kHostile[] = {"<style></style>", "<",          "<x>", "<b title=x ",
                                "<b title=",       "<![CDATA[ ", "<?x "};
void BM_ListingChecksHostile(benchmark::State& state) {
  std::string body;
  while (body.size() < (1u << 20)) body += kHostile[state.range(0)];
  for (auto _ : state) {
    benchmark::DoNotOptimize(checks::checkTexts({{"欄1 本文", "txtEdit1", &body}}));
  }
  state.SetLabel(kHostile[state.range(0)]);
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * body.size()));
}
void BM_MendHostile(benchmark::State& state) {
  std::string body;
  while (body.size() < (1u << 20)) body += kHostile[state.range(0)];
  for (auto _ : state) benchmark::DoNotOptimize(markup::escapeStrayMarkup(body));
  state.SetLabel(kHostile[state.range(0)]);
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * body.size()));
}
BENCHMARK(BM_ListingChecksTypical)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ListingChecksHostile)->DenseRange(0, 6)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MendHostile)->DenseRange(0, 6)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ListingChecks)->Arg(256 << 10)->Arg(1 << 20)->Unit(benchmark::kMillisecond);

}  // namespace

// One keystroke in a body of 1 MB as the browser edition sends it (the change alone), with the
// page made, written and told to the page as what changed in it.
void BM_WebKeystrokeInLongBody(benchmark::State& state) {
  fs::path dir = appFolder();
  web::WebSession session(dir, dir / "state" / "bench-recovery.ini");
  session.start();
  std::string body;
  while (body.size() < (1u << 20)) body += "商品の説明文です。状態は良好、付属品あり。<BR>\n";
  session.act({"type", "txtEdit3", body}, {});
  std::size_t at = 1000;
  for (auto _ : state) {
    std::string r = session.act({"edit", "txtEdit3", std::to_string(at++), "0", "あ"}, {});
    if (r.find(R"("mainEdits":[[)") == std::string::npos || r.size() > 4096) {
      state.SkipWithError("the page was not told only what changed");
      break;
    }
  }
}
BENCHMARK(BM_WebKeystrokeInLongBody)->Unit(benchmark::kMillisecond);

// The listing's history over 1,000 keystrokes (each its own step: a pause between them) in a
// body of 1 MB: the time a key costs the history, and what it holds as a multiple of the
// listing (its copy of the values plus the steps).
void BM_HistoryKeystrokesInLongBody(benchmark::State& state) {
  Started s;
  History& h = s.form.history;
  auto clock = std::chrono::steady_clock::time_point{};
  h.setClock([&clock] { return clock; });
  std::string body;
  while (body.size() < (1u << 20)) body += "商品の説明文です。状態は良好、付属品あり。<BR>\n";
  TextBox& box = s.form.page.section(3).txtEdit;
  {
    History::Action step(h);
    box.setText(body);
  }
  std::size_t keys = 0;
  for (auto _ : state) {
    box.setSelection(1000 + keys * 2, 0);
    History::Action step(h);
    box.replaceSelection("あ");
    clock += 2 * History::kPause;
    ++keys;
  }
  // It measured what it names: every key is a step of the history, and the body is whole.
  if (h.steps() != keys + 1 || box.text().size() != body.size() + 3 * keys) {
    state.SkipWithError("the keys did not reach the history");
  }
  std::size_t listing = body.size();
  state.counters["held_x_listing"] =
      static_cast<double>(listing + h.stepBytes()) / static_cast<double>(listing);
  state.counters["steps"] = static_cast<double>(h.steps());
}
BENCHMARK(BM_HistoryKeystrokesInLongBody)->Iterations(1000)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();

#include "cli/batch_command.h"

#include <algorithm>
#include <chrono>
#include <ostream>

#include "app/copies/offscreen_form.h"
#include "batch/batch_files.h"
#include "batch/batch_job.h"
#include "core/app_folder.h"
#include "files/safe_file.h"

namespace fs = std::filesystem;

namespace bq::cli {
namespace {

using batch::BatchJob;
using batch::BatchPlan;
using batch::CsvError;

// Applies the --map entries over what the headers gave; false with a reason.
bool applyMaps(const std::vector<std::string>& maps, const std::vector<std::string>& headers,
               BatchPlan& plan, std::vector<std::string>& notes, std::string& error) {
  std::vector<bool> mapped(headers.size());  // by a --map (a header's own choice may be moved)
  std::vector<batch::Target> targets;        // given by a --map
  for (const std::string& m : maps) {
    std::size_t eq = m.find('=');
    auto target = batch::targetNamed(m.substr(0, eq));
    if (eq == std::string::npos || !target) {
      error = "--map 「" + m +
              "」: 「欄1 本文=説明」のように、欄の名前と列の見出しを = でつないでください。";
      return false;
    }
    if (!target->title && bodyIsGenerated(target->section)) {
      error = "--map 「" + m + "」: 欄" + std::to_string(target->section) +
              "の本文は発送方法・支払方法から作られるので、列を入れられません。";
      return false;
    }
    if (std::find(targets.begin(), targets.end(), *target) != targets.end()) {
      notes.push_back("--map: " + batch::targetName(*target) + "が2回指定されています。後の「" + m +
                      "」を使います。");
    }
    targets.push_back(*target);
    std::optional<std::size_t> byHeader;  // the column whose header asked for the target
    for (std::size_t k = 0; k < plan.columns.size(); ++k) {
      if (plan.columns[k] == target) {
        if (!mapped[k]) byHeader = k;
        plan.columns[k].reset();
      }
    }
    std::string header = m.substr(eq + 1);
    std::optional<std::size_t> c;
    if (!header.empty()) c = batch::findColumn(headers, header);
    if (!header.empty() && !c) {
      error =
          "--map 「" + m + "」: 見出しにも列の記号（A、B …）にも「" + header + "」がありません。";
      return false;
    }
    if (byHeader && byHeader != c) {
      notes.push_back("--map: " + batch::columnLabel(headers, *byHeader) + "の見出しは" +
                      batch::targetName(*target) + "を指しますが、「" + m + "」のとおり" +
                      (c ? batch::columnLabel(headers, *c) + "を使います。"
                         : std::string("今のリストの文を使います。")));
    }
    if (!c) continue;  // the listing's own text stays
    if (plan.columns[*c] && !(*plan.columns[*c] == *target) && mapped[*c]) {
      notes.push_back("--map: " + batch::columnLabel(headers, *c) + "は" +
                      batch::targetName(*plan.columns[*c]) + "と" + batch::targetName(*target) +
                      "の両方に指定されています。" + batch::targetName(*target) + "に入れます。");
    }
    plan.columns[*c] = target;
    mapped[*c] = true;
  }
  return true;
}

}  // namespace

int runBatch(const BatchCommand& c, std::ostream& report, std::ostream& errors) {
  auto fail = [&](const std::string& message) {
    errors << "bidquill-cli: " << message << "\n何も書き込んでいません。\n";
    return 2;
  };
  if (c.output.empty()) return fail("出力のCSVファイルを -o で指定してください。");
  std::error_code ec;
  if (fs::equivalent(c.items, c.output, ec)) {
    return fail(
        "出力先が入力のファイルと同じです。入力のファイルは変えません。別の名前を指定してください"
        "。");
  }
  batch::Sheet sheet;
  if (auto why = batch::readSheet(c.items, sheet)) return fail(displayPath(c.items) + ": " + *why);

  OffscreenForm offscreen(c.appFolder.empty() ? AppFolder() : c.appFolder);
  if (auto error = offscreen.start()) return fail(*error);
  if (!c.design.empty()) {
    if (auto error = offscreen.open(c.design)) return fail(*error);
  }
  frmMain& form = offscreen.form();

  batch::CsvReader reader(sheet, true, c.items.filename().u8string());
  batch::CsvRecord header;
  if (!reader.next(header)) {
    const CsvError& e = *reader.error();
    return fail(displayPath(c.items) + ": " + e.message);
  }
  BatchPlan plan;
  plan.sheetName = c.items.filename().u8string();
  std::vector<std::string> notes;
  plan.columns = batch::mapColumnsFor(header.cells, form, &notes);
  if (!c.header.empty()) plan.header = c.header;
  std::string error;
  if (!applyMaps(c.maps, header.cells, plan, notes, error)) return fail(error);
  for (std::string& note : batch::headerNotes(header.cells, c.replace.empty() ? plan.header : "")) {
    notes.push_back(note);
  }
  if (!c.replace.empty()) {
    plan.replaceColumn = batch::findColumn(header.cells, c.replace);
    if (!plan.replaceColumn) {
      return fail("--replace: 見出しにも列の記号にも「" + c.replace + "」がありません。");
    }
    if (!c.header.empty())
      notes.push_back("--replace では列を足さないので、--header は使いません。");
  }
  if (!c.nameColumn.empty()) {
    plan.nameColumn = batch::findColumn(header.cells, c.nameColumn);
    if (!plan.nameColumn) {
      return fail("--name-column: 見出しにも列の記号にも「" + c.nameColumn + "」がありません。");
    }
  } else {
    plan.nameColumn = batch::defaultNameColumn(header.cells);  // as the window names them
  }
  plan.htmlFiles = !c.htmlDir.empty();
  // Told before anything is made: what the mapping decided between columns that wanted the same.
  for (const std::string& note : notes) errors << "bidquill-cli: 注意: " << note << '\n';

  BatchJob job(form, sheet, plan);
  if (auto e = job.prepare()) return fail(displayPath(c.items) + ": " + e->message);

  batch::PageFolder pages;
  if (plan.htmlFiles) {
    if (auto why = pages.open(c.htmlDir)) return fail(*why);
  }
  // The sheet is written as its rows are made, beside the output, and replaces it at the end.
  files::ReplacementFile sheetOut;
  if (auto why = sheetOut.open(c.output)) return fail(displayPath(c.output) + ": " + *why);
  job.streamTo([&sheetOut](std::string_view bytes) { return sheetOut.append(bytes); });
  std::vector<batch::HtmlFile> files;
  bool done = false;
  while (!done) {
    done = job.step(std::chrono::steady_clock::now() + std::chrono::milliseconds(50), files);
    for (const batch::HtmlFile& f : files) {
      if (auto why = pages.add(f)) return fail(*why);
    }
    files.clear();
  }
  if (const auto& e = job.error()) {
    return fail((e->row >= 0 ? displayPath(c.items) : displayPath(c.output)) + ": " + e->message);
  }
  if (auto why = batch::saveBatch(job, c.output, plan.htmlFiles ? &pages : nullptr, &sheetOut)) {
    errors << "bidquill-cli: " << *why << '\n';  // it says what was written
    return 2;
  }

  for (const batch::RowFinding& f : job.findings()) {
    report << (f.row ? std::to_string(f.row) + "行目" : std::string("全行共通")) << ": " << f.text
           << '\n';
  }
  report << job.summary() << '\n';
  return job.findings().empty() ? 0 : 1;
}

}  // namespace bq::cli

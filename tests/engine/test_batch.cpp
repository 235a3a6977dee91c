// The batch over an offscreen copy of the listing: one row per step at the least (so a window
// can stop it between rows), the seller's own window untouched, nothing made before every row
// is read, and file names that any system takes.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <set>

#include "app/copies/design_gallery.h"
#include "app/copies/offscreen_form.h"
#include "app/window/listing_report.h"
#include "batch/batch_files.h"
#include "batch/batch_job.h"
#include "batch/csv_writer.h"
#include "engine_fixture.h"
#include "files/safe_file.h"
#include "settings/ini_document.h"

namespace bq::test {
namespace {

using batch::BatchJob;
using batch::BatchPlan;
using batch::Target;

constexpr auto kPast = std::chrono::steady_clock::time_point::min();

class Batch : public Engine {
 protected:
  // An offscreen copy of the window as it is now.
  std::unique_ptr<OffscreenForm> copyOfWindow() {
    auto copy = std::make_unique<OffscreenForm>(dir);
    EXPECT_FALSE(copy->startAsCopyOf(f()));
    return copy;
  }
  // Column B into 欄2's body, an .html file per row named from column A.
  static BatchPlan numberedBodies() {
    BatchPlan plan;
    plan.columns = {std::nullopt, Target{2, false}};
    plan.htmlFiles = true;
    plan.nameColumn = 0;
    return plan;
  }
};

// Excel's 「Unicode テキスト」 (UTF-16 with its mark, tabs, CRLF) with commas in the header is
// read as a TSV and written back in UTF-16 with only the column added; a DOS end-of-file mark is
// no row, stays at the end and is told.
TEST_F(Batch, UnicodeTextWithCommasAndAnEndOfFileMarkAreReadAsTheyWereWritten) {
  auto copy = copyOfWindow();
  std::string header = "番号\t説明(サイズ, 重さ, 色)";
  std::string utf8 = header + "\r\n1\t木箱\r\n2\t茶碗, 小\r\n";
  for (auto encoding : {text::Encoding::Utf16LE, text::Encoding::Utf16BE}) {
    std::string sheet = batch::toUtf16(utf8, encoding);
    const batch::Sheet jobSheet = batch::sheetOf(sheet);
    BatchJob job(copy->form(), jobSheet, numberedBodies());
    ASSERT_FALSE(job.prepare());
    std::vector<batch::HtmlFile> files;
    ASSERT_TRUE(job.finish(files));
    ASSERT_EQ(job.made(), 2);
    EXPECT_NE(files[1].bytes.find("茶碗, 小"), std::string::npos);
    std::string firstLine = batch::toUtf16(header + "\t説明HTML\r\n1\t", encoding);
    EXPECT_EQ(job.output().compare(0, firstLine.size(), firstLine), 0);
    EXPECT_EQ(text::decodeText(job.output()).substr(0, 13), "番号\t説明");
  }
  std::string sheet = "番号,説明\r\n1,木箱\r\n\x1A";
  const batch::Sheet jobSheet = batch::sheetOf(sheet);
  BatchJob job(copy->form(), jobSheet, numberedBodies());
  ASSERT_FALSE(job.prepare());
  std::vector<batch::HtmlFile> files;
  ASSERT_TRUE(job.finish(files));
  EXPECT_EQ(job.rows(), 1u);
  EXPECT_EQ(job.output().back(), '\x1A');
  EXPECT_NE(job.summary().find("0x1A"), std::string::npos);
}

// The pages and the sheet land together or not at all; what a killed run left is cleared.
TEST_F(Batch, PagesAndSheetAreWrittenAllOrNothingAndLeftoversOfAKilledRunGo) {
  fs::path html = dir / "html", out = dir / "out.csv";
  fs::create_directories(html / "2.html");  // a folder where a page would go
  std::ofstream(html / "1.html") << "old page";
  std::ofstream(out) << "old sheet";
  // Left by a run that was killed: its private folder and its half-written sheet.
  fs::create_directories(html / (std::string(batch::kStagingPrefix) + "999999999-1"));
  std::ofstream(dir / ".out.csv.999999999-42.tmp") << "half";
  auto run = [&] {
    auto copy = copyOfWindow();
    const batch::Sheet jobSheet = batch::sheetOf("番号,説明\r\n1,一\r\n2,二\r\n");
    BatchJob job(copy->form(), jobSheet, numberedBodies());
    EXPECT_FALSE(job.prepare());
    batch::PageFolder pages;
    EXPECT_FALSE(pages.open(html));
    std::vector<batch::HtmlFile> files;
    job.finish(files);
    for (const auto& f : files) EXPECT_FALSE(pages.add(f));
    return batch::saveBatch(job, out, &pages);
  };
  auto why = run();
  ASSERT_TRUE(why);
  EXPECT_NE(why->find("同じ名前のフォルダーがあります"), std::string::npos) << *why;
  EXPECT_EQ(readFile(html / "1.html"), "old page");
  EXPECT_EQ(readFile(out), "old sheet");
  EXPECT_FALSE(fs::exists(html / (std::string(batch::kStagingPrefix) + "999999999-1")));

  // The sheet cannot be saved: the pages placed are taken back, the old ones put back.
  fs::remove(html / "2.html");
  files::setSaveFaultHook([](files::SaveStep s) { return s == files::SaveStep::Rename ? EIO : 0; });
  why = run();
  files::setSaveFaultHook(nullptr);
  ASSERT_TRUE(why);
  EXPECT_EQ(readFile(html / "1.html"), "old page");
  EXPECT_FALSE(fs::exists(html / "2.html"));
  EXPECT_EQ(readFile(out), "old sheet");
  EXPECT_FALSE(fs::exists(dir / ".out.csv.999999999-42.tmp"));

  EXPECT_FALSE(run());
  EXPECT_NE(readFile(html / "1.html").find("一"), std::string::npos);
  EXPECT_NE(readFile(out).find("説明HTML"), std::string::npos);
  for (const auto& e : fs::directory_iterator(html)) {
    EXPECT_NE(e.path().filename().string()[0], '.') << e.path();  // nothing private left
  }

  // The sheet named as one of the pages: refused, nothing written.
  std::string page = readFile(html / "1.html");
  out = html / "sub" / ".." / "1.html";
  fs::create_directories(html / "sub");
  why = run();
  ASSERT_TRUE(why);
  EXPECT_NE(why->find("作るHTMLファイルのひとつと同じ"), std::string::npos) << *why;
  EXPECT_EQ(readFile(html / "1.html"), page);
}

// A run killed while it places its pages or renames its sheet: the next run into the folder
// finds the old pages and sheet, or the new ones, never a mix.
TEST_F(Batch, ARunKilledWhilePlacingLeavesTheOldFilesOrTheNewOnes) {
  fs::path html = dir / "html", out = dir / "out.csv";
  const std::string sheet = "番号,説明\r\n1,一\r\n2,二\r\n3,三\r\n4,四\r\n";
  auto killedAt = [&](std::function<void()> arm) {
    fs::remove_all(html);
    fs::create_directories(html);
    for (int i = 1; i <= 3; ++i) std::ofstream(html / (std::to_string(i) + ".html")) << "old";
    std::ofstream(out) << "old sheet";
    auto copy = copyOfWindow();
    const batch::Sheet jobSheet = batch::sheetOf(sheet);
    BatchJob job(copy->form(), jobSheet, numberedBodies());
    EXPECT_FALSE(job.prepare());
    std::vector<batch::HtmlFile> files;
    job.finish(files);
    pid_t child = ::fork();
    if (child == 0) {
      arm();
      batch::PageFolder pages;
      if (pages.open(html)) ::_exit(3);
      for (const auto& f : files) pages.add(f);
      batch::saveBatch(job, out, &pages);
      ::_exit(0);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    EXPECT_TRUE(WIFSIGNALED(status));
    batch::PageFolder later;  // the next run opens the folder
    EXPECT_FALSE(later.open(html));
    later.drop();
    std::vector<std::string> found;
    for (int i = 1; i <= 4; ++i) {
      fs::path page = html / (std::to_string(i) + ".html");
      found.push_back(!fs::exists(page) ? "-" : readFile(page) == "old" ? "old" : "new");
    }
    found.push_back(readFile(out) == "old sheet" ? "old" : "new");
    std::size_t entries = 0;
    for (auto it = fs::directory_iterator(html); it != fs::directory_iterator(); ++it) ++entries;
    EXPECT_EQ(entries, found[3] == "-" ? 3u : 4u);  // nothing private left
    return found;
  };
  using V = std::vector<std::string>;
  const V old = {"old", "old", "old", "-", "old"}, made = {"new", "new", "new", "new", "new"};
  auto killAfterPage = [](std::size_t n) {
    batch::setPlacingHook([n](std::size_t placed) {
      if (placed == n) ::raise(SIGKILL);
    });
  };
  auto killAtSave = [](files::SaveStep step) {
    files::setSaveFaultHook([step](files::SaveStep s) {
      if (s == step) ::raise(SIGKILL);
      return 0;
    });
  };
  EXPECT_EQ(killedAt([&] { killAfterPage(1); }), old);
  EXPECT_EQ(killedAt([&] { killAfterPage(3); }), old);
  EXPECT_EQ(killedAt([&] { killAtSave(files::SaveStep::Rename); }), old);
  EXPECT_EQ(killedAt([&] { killAtSave(files::SaveStep::SyncFolder); }), made);
}

// --replace: the page goes into a column the sheet has, nothing else moves; a page longer than
// an Excel cell holds is told with its row.
TEST_F(Batch, PagesGoIntoAnExistingColumnAndACellExcelWouldCutIsTold) {
  auto copy = copyOfWindow();
  BatchPlan plan = numberedBodies();
  plan.htmlFiles = false;
  plan.replaceColumn = 2;
  std::string sheet =
      "番号,説明,HTML,価格\r\n1,短い,古い,100\r\n2," + std::string(40000, 'x') + "\r\n";
  const batch::Sheet jobSheet = batch::sheetOf(sheet);
  BatchJob job(copy->form(), jobSheet, plan);
  ASSERT_FALSE(job.prepare());
  std::vector<batch::HtmlFile> files;
  ASSERT_TRUE(job.finish(files));
  const std::string& out = job.output();
  auto startsAt = [&](std::size_t at, std::string_view what) {
    return out.compare(at, what.size(), what) == 0;
  };
  EXPECT_TRUE(startsAt(0, "番号,説明,HTML,価格\r\n1,短い,\"")) << out.substr(0, 40);
  std::size_t row2 = out.find("\r\n2,");
  ASSERT_NE(row2, std::string::npos);
  EXPECT_TRUE(startsAt(row2 - 5, "\",100"));  // the price stays after the page
  EXPECT_EQ(out.find("古い"), std::string::npos);
  EXPECT_TRUE(startsAt(row2 + 4 + 40000, ",\""));  // a short row gets its cell
  int told = 0;
  for (const batch::RowFinding& f : job.findings()) {
    if (f.text.find("32767") == std::string::npos) continue;
    ++told;
    EXPECT_EQ(f.row, 3);
  }
  EXPECT_EQ(told, 1);
}

// Streamed as made, the output is the same bytes (UTF-16 too, its mark once), and the file it
// goes into replaces the output only when committed.
TEST_F(Batch, TheOutputStreamedAsMadeIsTheSameAndLandsOnlyWhenCommitted) {
  std::string utf8 = "番号,説明\r\n";
  for (int i = 0; i < 150; ++i) utf8 += std::to_string(i) + "," + std::string(10000, 'x') + "\r\n";
  for (auto encoding : {text::Encoding::Utf8, text::Encoding::Utf16LE}) {
    std::string sheet = encoding == text::Encoding::Utf8 ? utf8 : batch::toUtf16(utf8, encoding);
    BatchPlan plan = numberedBodies();
    plan.htmlFiles = false;
    std::vector<batch::HtmlFile> files;
    auto copy = copyOfWindow();
    const batch::Sheet wholeSheet = batch::sheetOf(sheet);
    BatchJob whole(copy->form(), wholeSheet, plan);
    ASSERT_FALSE(whole.prepare());
    whole.finish(files);
    auto copy2 = copyOfWindow();
    const batch::Sheet streamedSheet = batch::sheetOf(sheet);
    BatchJob streamed(copy2->form(), streamedSheet, plan);
    ASSERT_FALSE(streamed.prepare());
    fs::path out = dir / "streamed.csv";
    files::ReplacementFile file;
    ASSERT_FALSE(file.open(out));
    int chunks = 0;
    streamed.streamTo([&](std::string_view bytes) {
      ++chunks;
      return file.append(bytes);
    });
    streamed.finish(files);
    EXPECT_GT(chunks, 1);
    EXPECT_FALSE(fs::exists(out));
    ASSERT_FALSE(file.commit());
    EXPECT_EQ(readFile(out), whole.output());
    fs::remove(out);
  }
  // Not committed: nothing is left beside the output.
  {
    files::ReplacementFile file;
    ASSERT_FALSE(file.open(dir / "never.csv"));
    EXPECT_FALSE(file.append("a,b\r\n"));
  }
  for (const auto& e : fs::directory_iterator(dir)) {
    EXPECT_NE(e.path().extension(), ".tmp") << e.path();
  }
}

TEST_F(Batch, RowsAreMadeOneStepAtATimeInACopyThatLeavesTheWindowAlone) {
  type("txtEdit7", "ノークレームでお願いします");
  std::string windowPage = f().output.assembleNow();
  bool modified = f().document.modified();
  std::size_t tempWrites = platform.main.navigations.size();

  auto copy = copyOfWindow();
  // Row 3 has only its number (a page all the same); the row after it is empty in every cell.
  std::string sheet = "番号,説明\r\n1,一行目\r\n2,\"二行\r\n目\"\r\n3,\r\n,\r\n4,四\r\n";
  const batch::Sheet jobSheet = batch::sheetOf(sheet);
  BatchJob job(copy->form(), jobSheet, numberedBodies());
  ASSERT_FALSE(job.prepare());
  std::vector<batch::HtmlFile> files;
  // A deadline already passed still makes one row: a step never stalls, never runs away.
  for (std::size_t n = 1; n <= 5; ++n) {
    EXPECT_EQ(job.step(kPast, files), n == 5);
    EXPECT_EQ(job.done(), n);
    EXPECT_EQ(job.rows(), 5u);
  }
  EXPECT_EQ(job.made(), 4);
  EXPECT_EQ(job.skipped(), 1);
  ASSERT_EQ(files.size(), 4u);
  EXPECT_EQ(files[2].name, "3.html");
  EXPECT_EQ(files[1].name, "2.html");
  // Pasted as the window pastes: the line break gets its <BR>; the unmapped body stays.
  EXPECT_NE(files[1].bytes.find("二行<BR>\n目"), std::string::npos) << files[1].bytes;
  EXPECT_NE(files[1].bytes.find("ノークレームでお願いします"), std::string::npos);
  EXPECT_EQ(files[1].bytes.find("一行目"), std::string::npos);  // a fresh copy for every row
  EXPECT_EQ(files[1].bytes.compare(0, 3, "\xEF\xBB\xBF"), 0);

  // The window: same page, same modified mark, no page written or shown for the batch.
  EXPECT_EQ(f().output.assembleNow(), windowPage);
  EXPECT_EQ(f().document.modified(), modified);
  EXPECT_EQ(platform.main.navigations.size(), tempWrites);
  EXPECT_EQ(text("txtEdit2"), "");
}

TEST_F(Batch, ABadRowAnywhereStopsTheJobBeforeAnyPageIsMade) {
  auto copy = copyOfWindow();
  std::string sheet = "番号,説明\r\n1,a\r\n2,b\r\n3,\"never closed\r\n";
  BatchPlan plan;
  plan.columns = {std::nullopt, Target{2, false}};
  const batch::Sheet jobSheet = batch::sheetOf(sheet);
  BatchJob job(copy->form(), jobSheet, plan);
  ASSERT_FALSE(job.prepare());
  std::vector<batch::HtmlFile> files;
  EXPECT_FALSE(job.finish(files));
  ASSERT_TRUE(job.error());
  EXPECT_EQ(job.error()->row, 4);
  EXPECT_EQ(job.done(), 0u);
  EXPECT_TRUE(files.empty());
  EXPECT_TRUE(job.output().empty());

  const batch::Sheet unmappedSheet = batch::sheetOf("番号,説明\r\n1,a\r\n");

  BatchJob unmapped(copy->form(), unmappedSheet, BatchPlan{});
  ASSERT_TRUE(unmapped.prepare());
  EXPECT_NE(unmapped.prepare()->message.find("説明に使う列がありません"), std::string::npos);
}

TEST_F(Batch, FindingsAreToldPerRowAndTheListingsOwnOnce) {
  type("txtEdit7", "<x>注意");  // not replaced by any column: the same in every row
  click("chkFit");
  auto copy = copyOfWindow();
  std::string sheet = "説明\nA<B です\nふつう\nC<D\n";
  BatchPlan plan;
  plan.columns = {Target{2, false}};
  const batch::Sheet jobSheet = batch::sheetOf(sheet);
  BatchJob job(copy->form(), jobSheet, plan);
  ASSERT_FALSE(job.prepare());
  std::vector<batch::HtmlFile> none;
  job.finish(none);
  std::vector<int> rows;
  for (const auto& f : job.findings()) rows.push_back(f.row);
  EXPECT_EQ(rows, (std::vector<int>{2, 0, 4}));
  EXPECT_NE(job.summary().find("3 件（2 行）"), std::string::npos) << job.summary();
}

TEST_F(Batch, FileNamesAreSafeEverywhereAndUnique) {
  EXPECT_EQ(batch::safeFileName("A/B\\C:D*E?F\"G<H>I|J"), "A_B_C_D_E_F_G_H_I_J");
  EXPECT_EQ(batch::safeFileName("  ..隠し.  "), "隠し");
  EXPECT_EQ(batch::safeFileName("../../etc/passwd"), "_.._etc_passwd");
  EXPECT_EQ(batch::safeFileName("CON"), "_CON");
  EXPECT_EQ(batch::safeFileName("lpt1.txt"), "_lpt1.txt");
  EXPECT_EQ(batch::safeFileName("COM10"), "COM10");
  EXPECT_EQ(batch::safeFileName("a\nb\tc"), "a_b_c");
  // Cut by bytes, between characters: 79 Japanese characters are 237 bytes.
  EXPECT_EQ(batch::safeFileName(std::string(300, 'x')).size(), 226u);
  std::string japanese;
  for (int i = 0; i < 79; ++i) japanese += "箱";
  EXPECT_EQ(batch::safeFileName(japanese).size(), 225u);
  EXPECT_EQ(batch::safeFileName("x" + japanese).size(), 226u);

  auto copy = copyOfWindow();
  std::string sheet = "番号,説明\nabc,1\nABC,2\n,3\n/,4\n";
  const batch::Sheet jobSheet = batch::sheetOf(sheet);
  BatchJob job(copy->form(), jobSheet, numberedBodies());
  ASSERT_FALSE(job.prepare());
  std::vector<batch::HtmlFile> files;
  job.finish(files);
  std::vector<std::string> names;
  for (const auto& file : files) names.push_back(file.name);
  EXPECT_EQ(names, (std::vector<std::string>{"abc.html", "ABC (2).html", "行4.html", "_.html"}));
}

}  // namespace
}  // namespace bq::test

namespace bq::test {
namespace {

TEST_F(Batch, TheGalleryShowsEveryDesignWithTheSellersTextsAndChangesNothing) {
  fs::copy(fs::path(BIDQUILL_TEMPLATE_DIR) / ".." / "designs", dir / "data" / "designs");
  type("txtEdit1", "私の古い茶碗");
  std::string before = f().output.assembleNow();
  std::vector<DesignSample> samples = designSamples(f());
  ASSERT_GE(samples.size(), 6u);
  std::set<std::string> pages;
  for (const DesignSample& s : samples) {
    EXPECT_EQ(s.error, "") << s.name;
    EXPECT_NE(s.page.find("私の古い茶碗"), std::string::npos) << s.name;
    pages.insert(s.page);
  }
  EXPECT_EQ(pages.size(), samples.size());  // six designs, six different pages
  EXPECT_EQ(f().output.assembleNow(), before);

  // Choosing one through デザインを読み込む…: the texts stay, and so does the listing's file.
  save(file("mine.ini"));
  platform.queueFile(samples[0].file.string());
  click("cmdOpenDesign");
  EXPECT_EQ(text("txtEdit1"), "私の古い茶碗");
  EXPECT_EQ(f().output.assembleNow(), samples[0].page);
  EXPECT_TRUE(f().document.modified());
  EXPECT_EQ(value("cdgINI"), file("mine.ini").string());

  // Every design passes the checks, and every coloured text stands out from what it is on.
  click("chkSend1");
  for (const DesignSample& d : samples) {
    platform.queueFile(d.file.string());
    click("cmdOpenDesign");
    EXPECT_TRUE(checks::checkListing(f()).empty()) << d.name;
    const StyleState& st = f().style;
    std::vector<std::pair<std::string, std::string>> texts = {
        {st.ShippingNameFontColor, st.EditBackColor[5]},
        {st.ShippingPriceFontColor, st.EditBackColor[5]}};
    for (int i = 1; i <= kSections; ++i) {
      texts.emplace_back(st.TitleFontColor[i], st.TitleBackColor[i]);
      if (i != kShippingSection) texts.emplace_back(st.EditFontColor[i], st.EditBackColor[i]);
    }
    for (const auto& [ink, paper] : texts)
      EXPECT_GE(checks::contrastRatio(ink, paper), 4.5) << d.name << " " << ink << "/" << paper;
  }
}

}  // namespace
}  // namespace bq::test

namespace bq::test {
namespace {

// A code page 932 sheet takes the page as the page encoder holds it: the same bytes as the page
// encoded on its own, character references included.
TEST_F(Batch, ACodePage932SheetGetsThePageAsEncodedOnce) {
  type("txtEdit7", "絵文字😀と♥、髙橋");
  auto copy = copyOfWindow();
  std::string sheet = *text::utf8ToCp932("番号,説明\r\n1,一行目\r\n");
  const batch::Sheet jobSheet = batch::sheetOf(sheet);
  BatchJob job(copy->form(), jobSheet, numberedBodies());
  ASSERT_FALSE(job.prepare());
  std::vector<batch::HtmlFile> files;
  ASSERT_TRUE(job.finish(files));
  std::string page = files[0].bytes.substr(3);  // without the byte-order mark
  std::string expected;
  batch::appendColumn(
      sheet, batch::kDefaultHeader, [&](const batch::CsvRecord&) { return page; }, expected);
  EXPECT_EQ(job.output(), expected);
  EXPECT_NE(job.output().find("&#128512;"), std::string::npos);
  auto cut = [](const BatchJob& j) {
    for (const auto& f : j.findings())
      if (f.text.find("Excel のセルに入る 32767 文字を超えます") != std::string::npos) return true;
    return false;
  };
  EXPECT_FALSE(cut(job));

  // Counted as the cell is written: 3,700 emoji are 7,400 UTF-16 units but 33,300 characters.
  std::string emoji;
  for (int i = 0; i < 3700; ++i) emoji += "😀";
  type("txtEdit7", emoji);
  auto again = copyOfWindow();
  const batch::Sheet bigSheet = batch::sheetOf(sheet);
  BatchJob big(again->form(), bigSheet, numberedBodies());
  ASSERT_FALSE(big.prepare());
  files.clear();
  ASSERT_TRUE(big.finish(files));
  EXPECT_TRUE(cut(big));
}

}  // namespace
}  // namespace bq::test

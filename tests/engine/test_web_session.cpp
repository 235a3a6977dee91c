// The engine as the browser page drives it: actions that wait for a dialog change nothing until
// they are run again with its answer, and each result carries exactly what the page must show.
#include "app/window/window_layout.h"
#include "engine/engine_fixture.h"
#include "web/json.h"
#include "web/web_batch.h"
#include "web/web_session.h"

namespace bq::test {
namespace {

class WebSessionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = appFolderWithTemplates("web");
    session = std::make_unique<web::WebSession>(dir, dir / "state" / "recovery.ini");
    started = session->start();
  }
  void TearDown() override {
    session.reset();
    std::error_code ec;
    fs::remove_all(dir, ec);
  }
  std::string act(std::vector<std::string> args, std::vector<std::string> answers = {}) {
    return session->act(args, answers);
  }
  static bool has(const std::string& json, const std::string& part) {
    return json.find(part) != std::string::npos;
  }

  fs::path dir;
  std::unique_ptr<web::WebSession> session;
  std::string started;
};

TEST(Json, EscapesWhatJsonMustAndKeepsTheRest) {
  web::Json j;
  j.beginObject().key("a").value(std::string("\"x\\y\"\r\n\t\x01 桐")).key("b").beginArray();
  j.value(true).value(-5LL).beginObject().endObject().endArray().endObject();
  EXPECT_EQ(j.str(), R"({"a":"\"x\\y\"\r\n\t\u0001 桐","b":[true,-5,{}]})");
}

TEST_F(WebSessionTest, StartListsEveryShownControlAndNoHiddenOne) {
  EXPECT_TRUE(has(started, R"("missing":[])"));
  EXPECT_TRUE(has(started, R"("name":"txtTitle1")"));
  EXPECT_TRUE(has(started, R"j("name":"optYPack(11)")j"));
  EXPECT_TRUE(has(started, R"("spin":"updnWidth")"));
  // The page itself and the template holders stay in the engine.
  EXPECT_FALSE(has(started, R"("name":"txtTag")"));
  EXPECT_FALSE(has(started, R"("name":"rtxtYahooTag1")"));
  EXPECT_TRUE(has(started, R"("title":"無題 — Bidquill","modified":false)"));
}

// The one description of the window holds every control the window shows, once, each shown as
// what it is; the front ends build from it and nothing else.
TEST_F(WebSessionTest, TheWindowDescriptionHoldsEveryShownControlOnceAsWhatItIs) {
  using layout::Look;
  std::map<std::string, int> seen;
  for (const layout::Piece* p : layout::namedPieces()) {
    ++seen[p->name];
    if (p->kind == layout::Kind::Command) continue;
    const Control* c = session->form().registry().find(p->name);
    ASSERT_NE(c, nullptr) << p->name;
    ControlKind want = ControlKind::TextBox;
    switch (p->look) {
      case Look::Check:
        want = ControlKind::CheckBox;
        break;
      case Look::Toggle:
        want = ControlKind::ToggleButton;
        break;
      case Look::Combo:
        want = ControlKind::ComboBox;
        break;
      case Look::Option:
        want = ControlKind::OptionButton;
        break;
      case Look::Button:
        want = ControlKind::PushButton;
        break;
      default:
        break;
    }
    EXPECT_EQ(c->kind(), want) << p->name;
  }
  for (const auto& [name, count] : seen) EXPECT_EQ(count, 1) << name;
  for (const Control* c : session->form().registry().controls()) {
    bool shown =
        c->visible() && c->kind() != ControlKind::TextHolder && c->kind() != ControlKind::UpDown;
    if (shown) {
      EXPECT_EQ(seen.count(c->name()), 1u) << c->name();
    }
  }
  EXPECT_TRUE(has(started, R"("window":{"toolStrip":{"kind":"strip","name":"frmToolBar")"));
}

// A keystroke in a long body must carry neither the body nor the page back to the page: only
// what changed in the page.
TEST_F(WebSessionTest, ABoxHoldingWhatWasTypedComesBackWithoutItsText) {
  std::string body(100000, 'x');
  act({"type", "txtEdit1", body});
  std::string r = act({"type", "txtEdit1", body + "y"});
  EXPECT_TRUE(
      has(r, R"("name":"txtEdit1","kind":"text","caption":"","visible":true,"asTyped":true)"))
      << r.substr(0, 300);
  EXPECT_LT(r.size(), 5000u);
  EXPECT_TRUE(has(r, R"("mainPage":false,"mainEdits":[[)")) << r.substr(0, 300);
  EXPECT_TRUE(has(session->mainPage(), body + "y"));
  // What the engine changes itself is sent whole.
  act({"select", "txtEdit1", "3", "0"});
  r = act({"key", "txtEdit1", "Enter"});
  EXPECT_TRUE(has(r, R"(xxx<BR>\nxxx)")) << r.substr(0, 300);
}

// A long box is told what changed, counted as the page counts (UTF-16 units: an emoji is two).
TEST_F(WebSessionTest, AnEditPutsTheChangeWhereThePageCountsIt) {
  act({"type", "txtEdit1", "桐😀の箱"});
  std::string r = act({"edit", "txtEdit1", "3", "1", "小さな"});  // 桐 😀 | の → 小さな
  EXPECT_TRUE(has(r, R"("asTyped":true)")) << r.substr(0, 300);
  act({"edit", "txtEdit1", "0", "0", "<"});
  EXPECT_EQ(session->form().registry().find<TextBox>("txtEdit1")->text(), "<桐😀小さな箱");
  // Half an emoji, or past the end, is refused and changes nothing.
  for (const char* start : {"3", "99"}) {
    r = act({"edit", "txtEdit1", start, "0", "x"});
    EXPECT_TRUE(has(r, R"("error":"edit: )")) << start;
  }
  r = act({"edit", "txtEdit1", "6", "9", ""});
  EXPECT_TRUE(has(r, R"("error":"edit: )"));
  EXPECT_EQ(session->form().registry().find<TextBox>("txtEdit1")->text(), "<桐😀小さな箱");
}

TEST_F(WebSessionTest, AnActionWaitingForAColourChangesNothingUntilAnswered) {
  std::string r = act({"click", "cmdT1BC"});
  EXPECT_TRUE(has(r, R"("pending":{"signature":"colour","kind":"colour","initial":16777215)")) << r;
  EXPECT_TRUE(has(r, R"("changed":[])")) << r;
  EXPECT_TRUE(has(r, R"("modified":false)"));

  r = act({"click", "cmdT1BC"}, {"colour 255"});
  EXPECT_FALSE(has(r, "pending")) << r;
  EXPECT_TRUE(has(r, R"("name":"cmdT1BC","kind":"button")")) << r;
  EXPECT_TRUE(has(r, R"("swatch":255)")) << r;
  EXPECT_TRUE(has(r, R"("mainEdits":[[)"));
  EXPECT_TRUE(has(r, R"("modified":true)"));
  EXPECT_TRUE(has(session->mainPage(), "#FF0000")) << session->mainPage().substr(0, 400);
  // Answers a dialog did not take are dropped: the next action's dialog still waits.
  act({"click", "cmdT2BC"}, {"colour 1", "colour 2", "colour 3"});
  r = act({"click", "cmdT3BC"});
  EXPECT_TRUE(has(r, R"("pending":{"signature":"colour")")) << r;
}

TEST_F(WebSessionTest, OpeningAfterChangesAsksThenPicksThenOpens) {
  fs::path listing = dir / "listing.ini";
  fs::copy_file(fs::path(BIDQUILL_TEMPLATE_DIR) / ".." / "sample" / "listing.ini", listing);
  act({"type", "txtTitle2", "変えた"});

  std::string r = act({"click", "cmdOpen"});
  EXPECT_TRUE(has(r, R"("pending":{"signature":"question:save|discard|cancel","kind":"question")"))
      << r;
  EXPECT_TRUE(has(r, R"({"key":"discard","caption":"保存しない"})")) << r;
  const std::string discard = "question:save|discard|cancel discard";
  r = act({"click", "cmdOpen"}, {discard});
  EXPECT_TRUE(has(r, R"("pending":{"signature":"file:open","kind":"file","mode":"open")")) << r;
  EXPECT_TRUE(has(r, R"("modified":true)"));

  r = act({"click", "cmdOpen"}, {discard, "file:open " + listing.string()});
  EXPECT_FALSE(has(r, "pending")) << r;
  EXPECT_TRUE(has(r, R"("title":"listing.ini — Bidquill","modified":false)")) << r;
  EXPECT_TRUE(has(r, R"("text":"アンティーク 木製 小物入れ")")) << r;
  EXPECT_TRUE(has(r, R"("saved":[])"));
}

TEST_F(WebSessionTest, AnAnswerThatAlreadyActedIsNotGivenToTheNextDialog) {
  fs::path other = dir / "other.ini";
  act({"type", "txtTitle2", "別のファイル"});
  act({"save-as"}, {"file:save " + other.string()});
  fs::path listing = dir / "listing.ini";
  act({"type", "txtTitle2", "変えた"});
  act({"save-as"}, {"file:save " + listing.string()});
  act({"type", "txtTitle2", "また変えた"});

  // 保存 in the question saves at once, before the file dialog the action then waits for.
  const std::string save = "question:save|discard|cancel save";
  std::string r = act({"click", "cmdOpen"}, {save});
  EXPECT_TRUE(has(r, R"("saved":[")" + listing.string() + R"("])")) << r;
  EXPECT_TRUE(has(r, R"("pending":{"signature":"file:open")")) << r;
  // Run again with the file: there is nothing left to ask about, and 保存 is not taken for it.
  r = act({"click", "cmdOpen"}, {save, "file:open " + other.string()});
  EXPECT_FALSE(has(r, "pending")) << r;
  EXPECT_TRUE(has(r, R"("saved":[])")) << r;
  EXPECT_TRUE(has(r, R"("title":"other.ini — Bidquill","modified":false)")) << r;
  EXPECT_TRUE(has(r, R"("text":"別のファイル")")) << r;
}

TEST_F(WebSessionTest, SavingReportsTheFileAndTheStateFileKeepsUnsavedWork) {
  act({"type", "txtEdit1", "一行目\n二行目"});
  EXPECT_TRUE(session->keepState());
  EXPECT_FALSE(session->keepState());  // nothing new since
  fs::path state = dir / "state" / "recovery.ini";
  ASSERT_TRUE(fs::exists(state));

  fs::path out = dir / "out.ini";
  std::string r = act({"save-as"}, {"file:save " + out.string()});
  EXPECT_TRUE(has(r, R"("saved":[")" + out.string() + R"("])")) << r;
  EXPECT_TRUE(fs::exists(out));
  EXPECT_FALSE(fs::exists(state));  // a clean save lets the kept work go

  // Work kept by an earlier visit comes back unsaved, with its file's name.
  act({"type", "txtEdit1", "まだ保存していない"});
  ASSERT_TRUE(session->keepState());
  web::WebSession again(dir, state);
  again.start();
  r = again.resume(state);
  EXPECT_TRUE(has(r, R"("title":"out.ini* — Bidquill","modified":true)")) << r;
  EXPECT_TRUE(has(r, R"("text":"まだ保存していない")")) << r;
  EXPECT_FALSE(has(r, "pending"));
}

TEST_F(WebSessionTest, WidthBoxesReportRefusalAndTheMendButtonRewritesTheLessThan) {
  std::string r = act({"type", "txtWidth", "abc"});
  EXPECT_TRUE(has(r, R"("refused":true)")) << r;
  r = act({"leave", "txtWidth"});
  EXPECT_TRUE(has(r, R"("name":"txtWidth","kind":"text","caption":"","visible":true,"text":"750")"))
      << r;
  EXPECT_TRUE(has(act({"leave", "txtTitle1"}), R"("error":)"));

  act({"type", "txtEdit1", "3<x>5"});
  r = act({"click", "cmdPreview"});
  EXPECT_TRUE(has(r, R"("shown":true)")) << r;
  EXPECT_TRUE(has(r, R"("fixable":true)")) << r;
  EXPECT_TRUE(has(r, R"("clipboard":")")) << r;
  EXPECT_TRUE(has(r, R"("page":true)"));
  r = act({"fix"});
  EXPECT_TRUE(has(r, R"("text":"3&lt;x>5")")) << r;
  EXPECT_TRUE(has(session->sourceText(), "3&lt;x>5"));
  EXPECT_TRUE(has(session->framedPage(), "3&lt;x>5"));
}

// What the window cannot do, the actions the browser forwards cannot either.
TEST_F(WebSessionTest, ActionsAreRefusedAsTheWindowRefusesThem) {
  for (std::vector<std::string> refused : {std::vector<std::string>{"paste", "txtMoney3", "x"},
                                           {"key", "txtMoney3", "Enter"},
                                           {"type", "txtEdit1", std::string("a\0b", 3)},
                                           {"set", "txtEdit1", std::string("\0", 1)},
                                           {"set", "chkT1B", "5"},
                                           {"set", "optTA(1)", "0"}}) {
    EXPECT_TRUE(has(act(refused), R"("error":)")) << refused[0] << " " << refused[1];
  }
  // A toggle set does what pressing it does.
  act({"set", "chkT1B", "1"});
  act({"set", "chkT1B", "1"});
  EXPECT_TRUE(has(session->mainPage(), "<strong>商品名</strong>"));
}

}  // namespace
}  // namespace bq::test

namespace bq::test {
namespace {

// The browser's batch: the sheet's first rows and mapping, a bad row as the job's error (nothing
// saved), and a finished job's sheet and pages in the engine's files.
TEST_F(WebSessionTest, TheBatchAnswersInJsonAndSavesOnlyAFinishedJob) {
  web::WebBatch batch(session->form());
  // The bad row lies beyond the rows the mapping dialog shows.
  std::ofstream(dir / "bad.csv", std::ios::binary)
      << "番号,本文2\r\n1,a\r\n2,b\r\n3,c\r\n4,d\r\n5,e\r\n6,f\r\n7,\"open\r\n";
  std::string sheet = batch.sheet(dir / "bad.csv");
  EXPECT_TRUE(has(sheet, R"("rows":[["1","a"],["2","b"],["3","c"],["4","d"],["5","e"]])")) << sheet;
  EXPECT_TRUE(has(sheet, R"("mapped":["","欄2 本文"])")) << sheet;
  EXPECT_EQ(batch.start(dir / "bad.csv", {"", "欄2 本文"}, "", -2), "{}");
  std::string step = batch.step(1000);
  EXPECT_TRUE(has(step, R"({"error":"8行目のB列で)")) << step;
  EXPECT_TRUE(has(batch.finish(dir / "bad.out"), "error"));
  EXPECT_FALSE(fs::exists(dir / "bad.out"));

  std::ofstream(dir / "good.csv", std::ios::binary) << "番号,本文2\r\nA/1,いち\r\n";
  EXPECT_EQ(batch.start(dir / "good.csv", {"", "欄2 本文"}, "", 0), "{}");
  EXPECT_TRUE(has(batch.step(1000), R"("finished":true)"));
  std::string done = batch.finish(dir / "good.out");
  EXPECT_TRUE(has(done, R"("files":["A_1.html"])")) << done;
  EXPECT_NE(readFile(dir / "good.out").find("いち"), std::string::npos);
  EXPECT_TRUE(fs::exists(dir / "good.out.pages" / "A_1.html"));
}

}  // namespace
}  // namespace bq::test

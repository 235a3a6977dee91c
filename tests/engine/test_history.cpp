// 元に戻す and やり直す: every change the settings file holds comes back, a design as one step,
// typing by words and pauses; the modified mark follows the saved state; steps hold only what
// changed.
#include "engine/engine_fixture.h"
#include "settings/ini_document.h"

namespace bq::test {
namespace {

class HistoryTest : public Engine {
 protected:
  History& h() { return f().history; }
  // One action of the seller, as a front end wraps it.
  void act(const std::function<void()>& change) {
    History::Action step(h());
    change();
  }
  // Everything the settings file would hold, and the page.
  std::string state() {
    IniDocument doc;
    f().settings.writeAll(doc);
    return doc.serialize() + page();
  }
  std::chrono::steady_clock::time_point now{};
};

TEST_F(HistoryTest, EveryKindOfChangeGoesBackAndForthAndADesignIsOneStep) {
  start();
  h().setClock([this] { return now; });
  EXPECT_FALSE(h().cmdUndo.enabled() || h().cmdRedo.enabled());
  std::vector<std::string> states{state()};
  fs::path design = fs::path(BIDQUILL_TEMPLATE_DIR).parent_path() / "designs" / "和風.ini";
  for (auto change : std::vector<std::function<void()>>{
           [&] { click("chkSend3"); }, [&] { c<ComboBox>("cmbT2FS").setListIndex(4); },
           [&] { click("optTA(0)"); }, [&] { click("chkE3B"); },
           [&] { c<UpDown>("updnWidth").setValue(700); }, [&] { click("chkFit"); },
           [&] {
             platform.queueColour(0x0000FF);
             click("cmdE2FC");
           },
           [&] { f().settings.openDesign(design); }, [&] { type("txtEdit2", "木の箱"); }}) {
    act(change);
    ASSERT_NE(state(), states.back());
    states.push_back(state());
  }
  EXPECT_EQ(h().steps(), states.size() - 1);
  for (std::size_t i = states.size() - 1; i-- > 0;) {
    ASSERT_TRUE(h().undo());
    ASSERT_EQ(state(), states[i]) << "undoing step " << i + 1;
  }
  EXPECT_FALSE(h().undo());
  EXPECT_FALSE(h().cmdUndo.enabled());  // greyed, and a click does nothing
  EXPECT_TRUE(h().cmdRedo.enabled());
  for (std::size_t i = 1; i < states.size(); ++i) {
    ASSERT_TRUE(h().redo());
    ASSERT_EQ(state(), states[i]) << "redoing step " << i;
  }
  EXPECT_FALSE(h().redo());
  // A new change after an undo: what was taken back cannot be redone.
  h().undo();
  act([&] { click("chkSend4"); });
  EXPECT_FALSE(h().canRedo());

  // Choosing what is chosen already, or the design the listing has, changes nothing.
  save(file("saved.ini"));
  std::size_t steps = h().steps();
  act([&] { c<ComboBox>("cmbT2FS").setListIndex(c<ComboBox>("cmbT2FS").listIndex()); });
  act([&] { f().settings.openDesign(design); });
  EXPECT_EQ(h().steps(), steps);
  EXPECT_FALSE(f().document.modified());
}

TEST_F(HistoryTest, TypingIsTakenBackByWordsAndPausesAndTheSavedStateIsUnmodified) {
  start();
  h().setClock([this] { return now; });
  auto key = [&](const std::string& s) {
    act([&] { c<TextBox>("txtEdit1").replaceSelection(s); });
    now += std::chrono::milliseconds(200);
  };
  for (const char* k : {"古", "い", "、", "箱", "で"}) key(k);
  now += History::kPause * 2;
  for (const char* k : {"す", "。"}) key(k);
  // Backspaces merge too.
  act([&] { c<TextBox>("txtEdit1").setSelection(6, 1); });
  key("");
  act([&] { c<TextBox>("txtEdit1").setSelection(5, 1); });
  key("");
  EXPECT_EQ(text("txtEdit1"), "古い、箱で");
  h().undo();
  EXPECT_EQ(text("txtEdit1"), "古い、箱です。");
  h().undo();
  EXPECT_EQ(text("txtEdit1"), "古い、箱で");
  h().undo();
  EXPECT_EQ(text("txtEdit1"), "古い、");
  h().undo();
  EXPECT_EQ(text("txtEdit1"), "");
  EXPECT_FALSE(f().document.modified());  // back where the listing started

  // Saved in the middle: going back to it clears the mark, leaving it sets it again.
  h().redo();
  save(file("a.ini"));
  EXPECT_FALSE(f().document.modified());
  h().redo();
  EXPECT_TRUE(f().document.modified());
  h().undo();
  EXPECT_FALSE(f().document.modified());
  h().undo();
  EXPECT_TRUE(f().document.modified());
  // Opening a file starts a new history.
  open(file("a.ini"));
  EXPECT_FALSE(h().canUndo());
  EXPECT_FALSE(h().canRedo());

  // A width typed digit by digit is one step, as a price is; each spinner click is one.
  for (const char* w : {"6", "60", "600"}) {
    act([&] { type("txtWidth", w); });
    now += std::chrono::milliseconds(200);
  }
  act([&] { c<UpDown>("updnWidth").stepBy(1); });
  act([&] { c<UpDown>("updnWidth").stepBy(1); });
  EXPECT_EQ(text("txtWidth"), "620");
  h().undo();
  h().undo();
  EXPECT_EQ(text("txtWidth"), "600");
  h().undo();
  EXPECT_EQ(text("txtWidth"), "750");
  EXPECT_FALSE(h().canUndo());
}

TEST_F(HistoryTest, AStepHoldsWhatChangedNotTheText) {
  start();
  std::string body;
  while (body.size() < (1u << 20)) body += "昭和初期の木製小物入れです。\n";
  act([&] { type("txtEdit1", body); });
  for (int i = 0; i < 50; ++i) {
    act([&] { c<TextBox>("txtEdit1").setSelection(i * 3, 0); });
    act([&] { c<TextBox>("txtEdit1").replaceSelection("あ"); });
  }
  // The first step holds the megabyte typed in; the 50 keys after it only themselves.
  EXPECT_LT(h().stepBytes(), body.size() + 64 * 1024);
  h().undo();
  EXPECT_EQ(text("txtEdit1").size(), body.size() + 49 * 3);
}

}  // namespace
}  // namespace bq::test

namespace bq::test {
namespace {

// A file that is refused changes nothing, and leaves nothing to undo.
TEST_F(HistoryTest, ARefusedFileLeavesNothingToUndo) {
  start();
  std::ofstream(file("bad.ini")) << "[Data]\nWidth=abc\n";
  open(file("bad.ini"));
  EXPECT_FALSE(h().cmdUndo.enabled());
  EXPECT_FALSE(h().canUndo());
}

}  // namespace
}  // namespace bq::test

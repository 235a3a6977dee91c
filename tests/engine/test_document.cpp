// The listing as a document: what marks it modified, the question before changes are lost,
// and the recovery file that keeps them through a crash.
#include <sys/stat.h>
#include <unistd.h>

#include "app/window/x_text_box.h"
#include "engine/engine_fixture.h"

namespace bq::test {
namespace {

class DocumentState : public Engine {
 protected:
  Document& doc() { return f().document; }
};

TEST_F(DocumentState, OnlyTheSellersChangesMarkTheListingModified) {
  start();
  EXPECT_FALSE(doc().modified());
  EXPECT_EQ(doc().windowTitle(), "無題 — Bidquill");
  EXPECT_EQ(doc().windowTitleTemplate(), "無題[*] — Bidquill");

  // Cancelled dialogs, the preview and a cancelled open change nothing the file holds.
  platform.queueCancel();
  click("cmdT1BC");
  platform.queueCancel();
  click("cmdOpen");
  click("cmdPreview");
  EXPECT_FALSE(doc().modified());

  int told = 0;
  doc().onStateChange = [&] { ++told; };
  type("txtTitle1", "新しい題");
  EXPECT_TRUE(doc().modified());
  EXPECT_EQ(doc().windowTitle(), "無題* — Bidquill");
  platform.queueFile(file("a.ini").string());
  click("cmdSave");
  EXPECT_FALSE(doc().modified());
  EXPECT_EQ(doc().currentFile(), file("a.ini"));
  EXPECT_EQ(doc().windowTitle(), "a.ini — Bidquill");
  EXPECT_EQ(told, 2);

  // Every kind of control the file holds.
  for (auto change : std::vector<std::function<void()>>{
           [&] { click("chkSend3"); }, [&] { c<ComboBox>("cmbT2FS").setListIndex(4); },
           [&] { click("optTA(0)"); }, [&] { click("chkE3B"); },
           [&] { c<UpDown>("updnWidth").setValue(700); },
           [&] {
             platform.queueColour(0x0000FF);
             click("cmdE2FC");
           }}) {
    ASSERT_TRUE(doc().save());
    EXPECT_FALSE(doc().modified());
    change();
    EXPECT_TRUE(doc().modified());
  }

  // A save that fails keeps the mark; a successful open clears it and names the file.
  fs::create_directories(file("dir.ini"));
  platform.queueFile(file("dir.ini").string());
  EXPECT_FALSE(doc().saveAs());
  EXPECT_TRUE(doc().modified());
  EXPECT_EQ(doc().currentFile(), file("a.ini"));
  platform.queueAnswer("discard");
  platform.queueFile(file("a.ini").string());
  click("cmdOpen");
  EXPECT_FALSE(doc().modified());
  EXPECT_EQ(c<CheckBox>("chkSend3").value(), 1);
}

TEST_F(DocumentState, TheQuestionBeforeLosingChangesSavesDiscardsOrKeepsEverything) {
  start();
  EXPECT_TRUE(doc().settleChanges());  // nothing to ask
  EXPECT_TRUE(platform.questions.empty());
  type("txtEdit1", "大事な本文");

  platform.queueAnswer("cancel");
  EXPECT_FALSE(doc().close());
  ASSERT_EQ(platform.questions.size(), 1u);
  EXPECT_NE(platform.questions[0].text.find("「無題」の変更を保存しますか"), std::string::npos);
  EXPECT_EQ(platform.questions[0].choices.size(), 3u);
  EXPECT_EQ(platform.questions[0].choices[0].caption, "保存");

  // 保存, but the file dialog is cancelled: nothing is lost.
  platform.queueAnswer("save");
  platform.queueCancel();
  EXPECT_FALSE(doc().settleChanges());
  EXPECT_EQ(text("txtEdit1"), "大事な本文");
  // 保存 where the save fails: still nothing lost.
  fs::create_directories(file("dir.ini"));
  platform.queueAnswer("save");
  platform.queueFile(file("dir.ini").string());
  EXPECT_FALSE(doc().close());
  EXPECT_TRUE(doc().modified());

  platform.queueAnswer("save");
  platform.queueFile(file("kept.ini").string());
  EXPECT_TRUE(doc().close());
  EXPECT_NE(readFile(file("kept.ini")).find(*text::utf8ToCp932("大事な本文")), std::string::npos);

  type("txtEdit1", "捨てる");
  platform.queueAnswer("discard");
  EXPECT_TRUE(doc().close());
  EXPECT_NE(readFile(file("kept.ini")).find(*text::utf8ToCp932("大事な本文")), std::string::npos);
}

TEST_F(DocumentState, UnsavedWorkSurvivesACrashThroughTheRecoveryFile) {
  fs::path recovery = dir / "recovery" / "recovery.ini";
  start();
  doc().setRecoveryFile(recovery);
  platform.queueFile(file("listing.ini").string());
  ASSERT_TRUE(doc().saveAs());
  doc().writeRecovery();
  EXPECT_FALSE(fs::exists(recovery));  // nothing unsaved

  type("txtTitle1", "保存前の題 😀");
  click("chkSend4");
  // Due after a pause in the changes, or while they go on, every few seconds at least.
  auto now = std::chrono::steady_clock::now();
  EXPECT_FALSE(doc().recoveryDue(now));
  EXPECT_TRUE(doc().recoveryDue(now + std::chrono::milliseconds(Document::kRecoveryPauseMs)));
  doc().writeRecovery();
  ASSERT_TRUE(fs::exists(recovery));
  EXPECT_FALSE(doc().recoveryDue(now + std::chrono::seconds(60)));  // nothing new to write
  std::string written = readFile(recovery);

  // The program ends without saving; the next start finds the file and restores it.
  fs::path next = dir / "recovery" / "next.ini";
  start();
  doc().setRecoveryFile(next);
  platform.queueAnswer("restore");
  EXPECT_TRUE(doc().offerRecovery(recovery));
  EXPECT_EQ(text("txtTitle1"), "保存前の題 😀");
  EXPECT_EQ(c<CheckBox>("chkSend4").value(), 1);
  EXPECT_TRUE(doc().modified());
  EXPECT_EQ(doc().currentFile(), file("listing.ini"));
  EXPECT_EQ(doc().windowTitle(), "listing.ini* — Bidquill");
  EXPECT_EQ(platform.questions.back().choices[0].caption, "復元する");
  // Until saved, the recovery file stays, as this run's; the save removes it.
  EXPECT_FALSE(fs::exists(recovery));
  EXPECT_EQ(readFile(next), written);
  ASSERT_TRUE(doc().save());
  EXPECT_FALSE(fs::exists(next));
  EXPECT_NE(readFile(file("listing.ini")).find("\xFF\xFE"), std::string::npos);

  // 破棄する removes it and changes nothing.
  std::ofstream(recovery, std::ios::binary) << written;
  start();
  doc().setRecoveryFile(recovery);
  platform.queueAnswer("discard");
  EXPECT_FALSE(doc().offerRecovery(recovery));
  EXPECT_FALSE(fs::exists(recovery));
  EXPECT_EQ(text("txtTitle1"), "商品名");
  EXPECT_FALSE(doc().modified());

  // The question before closing writes it first; a clean close removes it.
  type("txtTitle1", "x");
  platform.queueAnswer("cancel");
  EXPECT_FALSE(doc().close());
  EXPECT_TRUE(fs::exists(recovery));
  platform.queueAnswer("discard");
  EXPECT_TRUE(doc().close());
  EXPECT_FALSE(fs::exists(recovery));
}

TEST_F(DocumentState, ARecoveryFileThatDoesNotLoadChangesNothingAndStays) {
  fs::path recovery = dir / "recovery.ini";
  std::ofstream(recovery, std::ios::binary) << "[Data]\r\nWidth=abc\r\n";
  start();
  doc().setRecoveryFile(recovery);
  platform.queueAnswer("restore");
  EXPECT_FALSE(doc().offerRecovery(recovery));
  EXPECT_TRUE(fs::exists(recovery));
  EXPECT_FALSE(doc().modified());
  ASSERT_EQ(platform.messages.size(), 1u);
  EXPECT_NE(platform.messages[0].text.find("このファイルは残してあります"), std::string::npos);
}

TEST_F(DocumentState, TheRecoveryFileIsWrittenPrivatelyAndNeverThroughALink) {
  start();
  // A link planted at its name is replaced, the file it named is untouched.
  fs::path folder = dir / "data-folder", victim = dir / "victim.txt";
  fs::create_directories(folder);
  std::ofstream(victim) << "not yours";
  fs::create_symlink(victim, folder / "recovery-1.ini");
  doc().setRecoveryFile(folder / "recovery-1.ini");
  type("txtTitle1", "未保存");
  ASSERT_TRUE(doc().writeRecovery());
  EXPECT_EQ(readFile(victim), "not yours");
  EXPECT_FALSE(fs::is_symlink(folder / "recovery-1.ini"));
  EXPECT_EQ(fs::status(folder).permissions() & fs::perms::all, fs::perms::owner_all);
  // A recovery file another user left at the name does not end recovery: it is replaced.
  ASSERT_EQ(::chown((folder / "recovery-1.ini").c_str(), 4321, 4321), 0);
  type("txtTitle1", "未保存 1");
  ASSERT_TRUE(doc().writeRecovery());
  struct stat st {};
  ASSERT_EQ(::stat((folder / "recovery-1.ini").c_str(), &st), 0);
  EXPECT_EQ(st.st_uid, ::geteuid());

  // A data folder that is a link: its target's permissions stay, the work goes to the private
  // page folder, and the seller is told once.
  fs::path target = dir / "shared", linked = dir / "linked";
  fs::create_directories(target);
  fs::permissions(target, fs::perms::owner_all | fs::perms::group_read | fs::perms::others_read);
  fs::create_directory_symlink(target, linked);
  doc().setRecoveryFile(linked / "recovery-2.ini");
  type("txtTitle1", "未保存 2");
  ASSERT_TRUE(doc().writeRecovery());
  EXPECT_EQ(fs::status(target).permissions() & fs::perms::others_read, fs::perms::others_read);
  EXPECT_FALSE(fs::exists(target / "recovery-2.ini"));
  EXPECT_EQ(doc().recoveryFile(), f().paths().temp / "recovery-2.ini");
  EXPECT_NE(readFile(doc().recoveryFile()).find(*text::utf8ToCp932("未保存 2")), std::string::npos);
  ASSERT_EQ(platform.statuses.size(), 1u);
  EXPECT_NE(platform.statuses[0].find("自分専用ではありません"), std::string::npos);
}

TEST_F(DocumentState, ARecoveryFileIsOfferedWithItsFileAndTimeAndRefusedWithAReason) {
  start();
  fs::path recovery = dir / "recovery-3.ini";
  doc().setRecoveryFile(recovery);
  platform.queueFile(file("listing.ini").string());
  ASSERT_TRUE(doc().saveAs());
  type("txtTitle1", "続き");
  ASSERT_TRUE(doc().writeRecovery());
  std::string written = readFile(recovery);

  start();
  doc().setRecoveryFile(dir / "next.ini");
  platform.queueAnswer("discard");
  EXPECT_FALSE(doc().offerRecovery(recovery));
  const std::string& asked = platform.questions.back().text;
  EXPECT_NE(asked.find("設定ファイル: " + displayPath(file("listing.ini"))), std::string::npos);
  EXPECT_NE(asked.find("最後に控えた日時: 20"), std::string::npos);
  EXPECT_NE(asked.find("「破棄する」と、その控えを削除します"), std::string::npos);

  // A link, or a file of another user, is not read: the seller is told why.
  fs::create_symlink(file("listing.ini"), recovery);
  platform.queueAnswer("restore");
  EXPECT_FALSE(doc().offerRecovery(recovery));
  EXPECT_NE(platform.messages.back().text.find("シンボリックリンクです"), std::string::npos);
  EXPECT_FALSE(fs::exists(fs::symlink_status(recovery)));
  EXPECT_TRUE(fs::exists(file("listing.ini")));
  std::ofstream(recovery, std::ios::binary) << written;
  ASSERT_EQ(::chown(recovery.c_str(), 4321, 4321), 0);
  EXPECT_FALSE(doc().offerRecovery(recovery));
  EXPECT_NE(platform.messages.back().text.find("別のユーザーのファイルです"), std::string::npos);
  EXPECT_EQ(text("txtTitle1"), "商品名");

  // The file a recovery names is taken only when it is a settings file.
  for (const std::string& named :
       {std::string("/dev/null"), std::string("relative.ini"), (dir / "folder.ini").string()}) {
    fs::create_directories(dir / "folder.ini");
    std::string hostile = written;
    std::size_t at = hostile.find("File=");
    ASSERT_NE(at, std::string::npos);
    hostile.replace(at + 5, hostile.find("\r\n", at) - at - 5, named);
    std::ofstream(recovery, std::ios::binary) << hostile;
    start();
    doc().setRecoveryFile(dir / "next.ini");
    platform.queueAnswer("restore");
    EXPECT_TRUE(doc().offerRecovery(recovery)) << named;
    EXPECT_EQ(text("txtTitle1"), "続き");
    EXPECT_TRUE(doc().currentFile().empty()) << named;
    EXPECT_NE(platform.messages.back().text.find("無題として開きました"), std::string::npos);
  }
}

TEST(PastedText, LineBreaksBecomeWhatEnterGives) {
  EXPECT_EQ(clsXTextBox::pastedLines("a\r\nb<br>\nc\rd<BR>"), "a<BR>\nb<br>\nc<BR>\nd<BR>");
  EXPECT_EQ(clsXTextBox::pastedLines("\n\n"), "<BR>\n<BR>\n");
  EXPECT_EQ(clsXTextBox::pastedLines("no break"), "no break");
}

}  // namespace
}  // namespace bq::test

// Settings files as sellers and other programs really leave them (code page 932, CR LF), and
// saving them where links, permissions, full disks and power cuts are a fact of life.
#include <sys/stat.h>
#include <unistd.h>

#include "engine/engine_fixture.h"
#include "files/safe_file.h"
#include "settings/ini_document.h"
#include "settings/settings_keys.h"

namespace bq::test {
namespace {

std::string sj(const std::string& utf8) {
  return *text::utf8ToCp932(utf8);
}

class SettingsFiles : public Engine {
 protected:
  void TearDown() override {
    files::setSaveFaultHook(nullptr);
    Engine::TearDown();
  }
  void write(const fs::path& p, const std::string& bytes) {
    std::ofstream(p, std::ios::binary) << bytes;
  }
  // The start state as saved: what a Windows-written file looks like before a seller edits it.
  std::string startFile() {
    start();
    save(file("start.ini"));
    return readFile(file("start.ini"));
  }
  static std::string replaced(std::string s, const std::string& from, const std::string& to) {
    std::size_t at = s.find(from);
    if (at == std::string::npos) throw std::runtime_error("no " + from);
    return s.replace(at, from.size(), to);
  }
  std::string lastMessage() {
    return platform.messages.empty() ? "" : platform.messages.back().text;
  }
  // Opens the file in a fresh window, checks the texts, saves it unchanged and opens it again.
  void expectTextsThroughSave(const fs::path& p, const std::map<std::string, std::string>& texts) {
    for (int round = 0; round < 2; ++round) {
      start();
      platform.messages.clear();
      open(p);
      EXPECT_TRUE(platform.messages.empty()) << lastMessage();
      for (const auto& [box, value] : texts)
        EXPECT_EQ(text(box), value) << box << " round " << round;
      if (round == 0) save(p);
    }
  }
};

TEST_F(SettingsFiles, ADesignBringsItsLookAndLeavesTheSellersTermsAndTexts) {
  // A design: another look in every part of the window, and texts of its own.
  start();
  platform.queueColour(0x336699);
  click("cmdT2BC");
  click("chkE3B");
  type("txtWidth", "640");
  click("optTA(0)");
  click("chkSend4");
  click("chkBank3");
  click("chkTitle4");
  type("txtTitle1", "デザインの題");
  type("txtEdit1", "デザインの本文");
  save(file("design.ini"));

  // The seller's listing: its texts and terms stay, its look becomes the design's.
  start();
  f().document.setRecoveryFile({});
  platform.queueFile(file("mine.ini").string());
  ASSERT_TRUE(f().document.saveAs());
  type("txtTitle1", "私の題");
  type("txtEdit1", "私の本文<BR>\n二行目");
  std::size_t questions = platform.questions.size();
  ASSERT_TRUE(f().settings.openDesign(file("design.ini")));
  EXPECT_EQ(platform.questions.size(), questions);  // nothing typed is lost: nothing asked
  EXPECT_EQ(text("txtTitle1"), "私の題");
  EXPECT_EQ(text("txtEdit1"), "私の本文<BR>\n二行目");
  EXPECT_TRUE(f().document.modified());
  EXPECT_EQ(f().document.currentFile(), file("mine.ini"));
  save(file("after.ini"));
  IniDocument design = IniDocument::parse(readFile(file("design.ini")));
  IniDocument after = IniDocument::parse(readFile(file("after.ini")));
  IniDocument mine = IniDocument::parse(readFile(file("mine.ini")));
  // The design's look; the seller's shipping, payment and preference stay (chkSend4, chkBank3).
  for (const SettingKey& k : settingKeys()) {
    if (k.role == KeyRole::Text) continue;
    const IniDocument& from = k.role == KeyRole::Look ? design : mine;
    EXPECT_EQ(after.read(k.section, k.key), from.read(k.section, k.key)) << k.key;
  }
  EXPECT_NE(after.read("CheckSend", "4"), design.read("CheckSend", "4"));
  EXPECT_NE(after.read("Text", "Title1"), design.read("Text", "Title1"));
}

TEST_F(SettingsFiles, OtherProgramsKeysInTextSectionsStayKeysAndSurviveASave) {
  std::string bytes = startFile();
  bytes = replaced(bytes, "Title1=" + sj("商品名") + "\r\n",
                   "Title1=hello\r\nFont=Arial\r\nSize = 12\r\n");
  bytes = replaced(bytes, "Edit2=\r\n",
                   "Edit2=" + sj("<font color=\"red\">赤</font>") + "\r\n" +
                       sj("<a href=x>リンク</a>") + "\r\n");
  bytes = replaced(bytes, "Edit8=\r\n", "Edit8=" + sj("本文八\r\nメモ=仕入れ値3000円") + "\r\n");
  bytes = replaced(bytes, "[TextBank]\r\n", "[TextBank]\r\nver.2-x=1\r\n");
  write(file("w.ini"), bytes);

  expectTextsThroughSave(file("w.ini"),
                         {{"txtTitle1", "hello"},
                          {"txtTitle2", "商品説明"},
                          {"txtEdit2", "<font color=\"red\">赤</font>\n<a href=x>リンク</a>"},
                          {"txtEdit8", "本文八"},
                          {"txtBankPunc", "， "}});
  EXPECT_EQ(page().find("仕入れ値"), std::string::npos);
  std::string after = readFile(file("w.ini"));
  EXPECT_NE(after.find("Title1=hello\r\nFont=Arial\r\nSize = 12\r\nTitle2="), std::string::npos);
  EXPECT_NE(after.find("Edit8=" + sj("本文八\r\nメモ=仕入れ値3000円") + "\r\n"), std::string::npos);
  EXPECT_NE(after.find("[TextBank]\r\nver.2-x=1\r\n"), std::string::npos);
  // The HTML line went into the whole-text copy; the key keeps the first line.
  EXPECT_NE(after.find("Edit2=" + sj("<font color=\"red\">赤</font>") + "\r\nEdit3="),
            std::string::npos);
}

TEST_F(SettingsFiles, EveryForeignLineSurvivesLoadAndSaveWhoeverWroteTheFile) {
  // Written on Windows (raw text lines, code page 932, CR LF), added to by another program
  // (a comment, a section, a key, a last line without a line break), then saved here twice.
  std::string bytes = startFile();
  bytes = replaced(bytes, "Edit1=\r\n", "Edit1=" + sj("一行目<BR>\r\n二行目") + "\r\n");
  bytes = replaced(bytes, "[Data]\r\n", "[Data]\r\nTheme=" + sj("濃い色") + "\r\n");
  const std::vector<std::string> foreign = {"; " + sj("別のプログラムのメモ") + "\r\n",
                                            "[Window]\r\nLeft=10\r\n\r\n",
                                            "Theme=" + sj("濃い色") + "\r\n", "[Tail]\r\nx=1"};
  bytes = foreign[0] + foreign[1] + bytes + foreign[3];
  write(file("all.ini"), bytes);
  expectTextsThroughSave(file("all.ini"), {{"txtEdit1", "一行目<BR>\n二行目"}});
  type("txtEdit2", "ここで書いた\n二行");
  save(file("all.ini"));
  expectTextsThroughSave(file("all.ini"),
                         {{"txtEdit1", "一行目<BR>\n二行目"}, {"txtEdit2", "ここで書いた\n二行"}});
  std::string after = readFile(file("all.ini"));
  EXPECT_EQ(after.find(foreign[0] + foreign[1]), 0u);
  EXPECT_NE(after.find("[Data]\r\n" + foreign[2]), std::string::npos);
  EXPECT_NE(after.find("[Tail]\r\nx=1\r\n[Bidquill.Multiline]\r\n"), std::string::npos);
}

TEST_F(SettingsFiles, ALineOpeningABracketWithoutClosingItIsTextNotAHeader) {
  std::string bytes = startFile();
  bytes = replaced(bytes, "Title2=" + sj("商品説明") + "\r\n",
                   "Title2=" + sj("送料について\r\n[注意 送料別") + "\r\n");
  write(file("b.ini"), bytes);
  expectTextsThroughSave(file("b.ini"), {{"txtTitle2", "送料について\n[注意 送料別"},
                                         {"txtTitle3", "商品状態"},
                                         {"txtTitle5", "発送方法"},
                                         {"txtEdit1", ""}});
  EXPECT_EQ(readFile(file("b.ini")).find(sj("\r\n[注意 送料別\r\n")), std::string::npos);
}

TEST_F(SettingsFiles, RawLinesWrittenOnWindowsWinOverOurStaleCopy) {
  start();
  type("txtEdit1", "一行目\n古い二行目");
  save(file("m.ini"));
  // The Windows program rewrote the text: same first line, its own further lines.
  std::string bytes = replaced(readFile(file("m.ini")), "Edit1=" + sj("一行目") + "\r\n",
                               "Edit1=" + sj("一行目\r\n新しい二行目\r\n新しい三行目") + "\r\n");
  write(file("m.ini"), bytes);
  expectTextsThroughSave(file("m.ini"), {{"txtEdit1", "一行目\n新しい二行目\n新しい三行目"}});
  std::string after = readFile(file("m.ini"));
  EXPECT_EQ(after.find(sj("古い")), std::string::npos);
  EXPECT_NE(after.find("Text.Edit1=" + sj("一行目\\n新しい二行目\\n新しい三行目")),
            std::string::npos);
  EXPECT_NE(after.find("Edit1=" + sj("一行目") + "\r\nEdit2="), std::string::npos);
}

TEST_F(SettingsFiles, EndOfFileMarksBlanksAroundNumbersAndALoneLeadByte) {
  std::string bytes = startFile();
  bytes = replaced(bytes, "Width=750\r\n", "Width=\t900\x0B \r\n");
  bytes = replaced(bytes, "Cellpadding=2\r\n", "Cellpadding= 3\x0C\x1A\r\n");
  bytes = replaced(bytes, "Title3=" + sj("商品状態") + "\r\n", "Title3=ABC\x82\r\n");
  write(file("e.ini"), bytes + "\x1A");
  expectTextsThroughSave(file("e.ini"),
                         {{"txtWidth", "900"}, {"txtTitle3", "ABC"}, {"txtEdit8", ""}});
  EXPECT_EQ(c<ComboBox>("cmbCellpadding").listIndex(), 3);
  std::string after = readFile(file("e.ini"));
  EXPECT_NE(after.substr(0, 2), "\xFF\xFE");  // still code page 932
  EXPECT_EQ(after.back(), '\x1A');

  // New keys go before the mark.
  start();
  open(file("e.ini"));
  type("txtEdit8", "a\nb");
  save(file("e.ini"));
  after = readFile(file("e.ini"));
  EXPECT_EQ(after.substr(after.size() - 3), "\r\n\x1A");
  EXPECT_NE(after.find("[Bidquill.Multiline]\r\nText.Edit8=a\\nb\r\n\x1A"), std::string::npos);
}

// Read as written: code page 932 under a UTF-8 mark is the seller's Japanese and comes back
// byte for byte; what reads in neither encoding, and a NUL, are told with their line.
TEST_F(SettingsFiles, AMarkTheTextContradictsBytesThatDoNotReadAndNulsAreHandledAndTold) {
  std::string bytes = "\xEF\xBB\xBF" + replaced(startFile(), "Title1=" + sj("商品名") + "\r\n",
                                                "Title1=" + sj("古い木箱") + "\r\n");
  write(file("m.ini"), bytes);
  expectTextsThroughSave(file("m.ini"), {{"txtTitle1", "古い木箱"}});
  EXPECT_EQ(readFile(file("m.ini")), bytes);

  bytes = replaced(startFile(), "Title2=" + sj("商品説明") + "\r\n", "Title2=A\xFD\r\n");
  bytes = replaced(bytes, "Title3=" + sj("商品状態") + "\r\n", std::string("Title3=B\0C\r\n", 11));
  write(file("b.ini"), bytes);
  start();
  platform.messages.clear();
  open(file("b.ini"));
  EXPECT_EQ(text("txtTitle3"), "BC");
  ASSERT_EQ(platform.messages.size(), 2u);
  std::size_t line =
      static_cast<std::size_t>(std::count(
          bytes.begin(), bytes.begin() + static_cast<long>(bytes.find("Title2=A")), '\n')) +
      1;
  EXPECT_NE(platform.messages[0].text.find(std::to_string(line) + " 行目"), std::string::npos)
      << platform.messages[0].text;
  EXPECT_NE(platform.messages[1].text.find(std::to_string(line + 1) + " 行目に NUL"),
            std::string::npos);
}

TEST_F(SettingsFiles, SavingThroughASymbolicLinkReplacesTheFileItNames) {
  startFile();
  fs::create_directories(dir / "sync");
  write(dir / "sync" / "real.ini", "[Other]\r\nk=v\r\n");
  fs::permissions(dir / "sync" / "real.ini",
                  fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  fs::create_symlink("sync/real.ini", file("link.ini"));
  type("txtTitle1", "リンク先へ");
  save(file("link.ini"));
  EXPECT_TRUE(platform.messages.empty()) << lastMessage();
  EXPECT_TRUE(fs::is_symlink(file("link.ini")));
  std::string real = readFile(dir / "sync" / "real.ini");
  EXPECT_EQ(real.find("[Other]\r\nk=v\r\n"), 0u);
  EXPECT_NE(real.find(sj("リンク先へ")), std::string::npos);
  EXPECT_EQ(fs::status(dir / "sync" / "real.ini").permissions(),
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  EXPECT_EQ(std::distance(fs::directory_iterator(dir / "sync"), fs::directory_iterator()), 1);
}

TEST_F(SettingsFiles, HardLinksAndUnwritableFoldersAreWrittenInPlaceThroughABackup) {
  startFile();
  write(file("a.ini"), "[Other]\r\nk=v\r\n");
  fs::create_hard_link(file("a.ini"), file("b.ini"));
  type("txtTitle1", "両方に");
  save(file("a.ini"));
  EXPECT_TRUE(platform.messages.empty()) << lastMessage();
  EXPECT_TRUE(fs::equivalent(file("a.ini"), file("b.ini")));
  EXPECT_NE(readFile(file("b.ini")).find(sj("両方に")), std::string::npos);

  // Another owner's file (an administrator saving a seller's file) keeps its owner.
  if (::geteuid() == 0) {
    write(file("owned.ini"), "[Other]\r\nk=v\r\n");
    ASSERT_EQ(::chown(file("owned.ini").c_str(), 4321, 4321), 0);
    save(file("owned.ini"));
    struct stat st {};
    ::stat(file("owned.ini").c_str(), &st);
    EXPECT_EQ(st.st_uid, 4321u);
    EXPECT_NE(readFile(file("owned.ini")).find(sj("両方に")), std::string::npos);
  }

  // A folder that takes no new file: the file itself is written, silently.
  std::vector<files::SaveStep> steps;
  files::setSaveFaultHook([&](files::SaveStep s) {
    steps.push_back(s);
    return s == files::SaveStep::CreateTemp ? EACCES : 0;
  });
  write(file("c.ini"), "[Other]\r\nk=v\r\n");
  type("txtTitle1", "フォルダー不可");
  save(file("c.ini"));
  EXPECT_TRUE(platform.messages.empty()) << lastMessage();
  EXPECT_NE(readFile(file("c.ini")).find(sj("フォルダー不可")), std::string::npos);
  EXPECT_EQ(readFile(file("c.ini")).find("[Other]\r\nk=v\r\n"), 0u);
  EXPECT_NE(std::find(steps.begin(), steps.end(), files::SaveStep::CreateBackup), steps.end());
  // Without a file to write into, nothing can be done: said so.
  save(file("new.ini"));
  EXPECT_NE(lastMessage().find("ファイルは作られていません"), std::string::npos);
  EXPECT_EQ(lastMessage().find("元のファイル"), std::string::npos);
  EXPECT_FALSE(fs::exists(file("new.ini")));
  for (const auto& e : fs::directory_iterator(dir)) {
    EXPECT_EQ(e.path().extension(), e.is_directory() ? "" : ".ini") << e.path();
  }
}

TEST_F(SettingsFiles, WithoutAHomeFolderTheBackupGoesToAPrivateFolderElseTheRealReasonIsGiven) {
  startFile();
  // A writable file in a folder that takes no new file, and a home that cannot hold a cache.
  std::string home = std::getenv("HOME") ? std::getenv("HOME") : "";
  std::string tmp = std::getenv("TMPDIR") ? std::getenv("TMPDIR") : "";
  std::ofstream(dir / "not-a-folder") << "x";
  setenv("HOME", (dir / "not-a-folder").c_str(), 1);
  unsetenv("XDG_CACHE_HOME");
  files::setSaveFaultHook([](files::SaveStep s) {
    return s == files::SaveStep::CreateTemp || s == files::SaveStep::BackupBeside ? EACCES : 0;
  });
  write(file("d.ini"), "[Other]\r\nk=v\r\n");
  type("txtTitle1", "控えは別の場所に");
  save(file("d.ini"));
  EXPECT_TRUE(platform.messages.empty()) << lastMessage();
  EXPECT_NE(readFile(file("d.ini")).find(sj("控えは別の場所に")), std::string::npos);
  // Nowhere at all for a backup: the file is left alone and the message says that was why.
  unsetenv("XDG_RUNTIME_DIR");
  setenv("TMPDIR", (dir / "not-a-folder").c_str(), 1);
  type("txtTitle1", "書かない");
  save(file("d.ini"));
  EXPECT_NE(lastMessage().find("元の内容を控えておく場所がありません"), std::string::npos)
      << lastMessage();
  EXPECT_EQ(readFile(file("d.ini")).find(sj("書かない")), std::string::npos);
  setenv("HOME", home.c_str(), 1);
  if (tmp.empty())
    unsetenv("TMPDIR");
  else
    setenv("TMPDIR", tmp.c_str(), 1);
}

TEST_F(SettingsFiles, AFailureAtAnyStepLeavesTheOldFileOrSaysWhereItIs) {
  startFile();
  const std::string old = "[Other]\r\nk=v\r\n";
  using S = files::SaveStep;
  std::vector<S> calls;
  files::setSaveFaultHook([&](S s) {
    calls.push_back(s);
    return 0;
  });
  write(file("f.ini"), old);
  save(file("f.ini"));
  // The new file is flushed before it is renamed, and the folder after.
  std::vector<S> expected{S::CreateTemp, S::WriteTemp, S::SyncTemp, S::Rename, S::SyncFolder};
  EXPECT_EQ(calls, expected);

  for (S failing : {S::WriteTemp, S::SyncTemp, S::Rename}) {
    write(file("f.ini"), old);
    files::setSaveFaultHook([&](S s) { return s == failing ? ENOSPC : 0; });
    platform.messages.clear();
    save(file("f.ini"));
    EXPECT_EQ(readFile(file("f.ini")), old);
    EXPECT_NE(lastMessage().find("ディスクの空き容量が足りません。"), std::string::npos);
    EXPECT_NE(lastMessage().find("元のファイルはそのままです"), std::string::npos);
  }
  // Written in place (a hard link), failing half-way: put back, or kept in a backup.
  fs::create_hard_link(file("f.ini"), file("g.ini"));
  files::setSaveFaultHook([](S s) { return s == S::WriteInPlace ? EIO : 0; });
  save(file("f.ini"));
  EXPECT_EQ(readFile(file("g.ini")), old);
  EXPECT_NE(lastMessage().find("元の内容に戻しました"), std::string::npos);
  files::setSaveFaultHook([](S s) { return s == S::WriteInPlace || s == S::Restore ? EIO : 0; });
  save(file("f.ini"));
  std::string m = lastMessage();
  EXPECT_NE(m.find("書きかけ"), std::string::npos) << m;
  std::size_t at = m.find(".f.ini.");
  ASSERT_NE(at, std::string::npos) << m;
  std::size_t from = m.rfind("\n", at) + 1;
  EXPECT_EQ(readFile(m.substr(from, m.find("\r\n", at) - from)), old);
}

TEST_F(SettingsFiles, FoldersFifosAndDevicesAreNamedAndNeverWaitedOn) {
  start();
  fs::create_directories(file("folder.ini"));
  ASSERT_EQ(::mkfifo(file("pipe.ini").c_str(), 0600), 0);
  for (const fs::path& p : {file("folder.ini"), file("pipe.ini"), fs::path("/dev/null")}) {
    std::string says =
        p == file("folder.ini") ? "フォルダーです。" : "通常のファイルではありません。";
    platform.messages.clear();
    open(p);
    EXPECT_NE(lastMessage().find(says), std::string::npos) << lastMessage();
    EXPECT_NE(lastMessage().find("今の内容は何も変わっていません"), std::string::npos);
    EXPECT_EQ(lastMessage().find("大きすぎ"), std::string::npos);
    save(p);
    EXPECT_NE(lastMessage().find(says), std::string::npos) << lastMessage();
    EXPECT_NE(lastMessage().find("何も書き込んでいません"), std::string::npos);
    EXPECT_EQ(lastMessage().find("設定ファイルか確かめて"), std::string::npos);
  }
  EXPECT_EQ(c<CheckBox>("chkRealTP").value(), 1);

  save(dir / "gone" / "x.ini");
  EXPECT_NE(lastMessage().find("フォルダーが見つかりません"), std::string::npos);
  EXPECT_NE(lastMessage().find("ファイルは作られていません"), std::string::npos);
  EXPECT_EQ(lastMessage().find("元のファイル"), std::string::npos);
}

TEST_F(SettingsFiles, AUtf16FileMayHoldAsManyCharactersAsACodePageFile) {
  start();
  // 8.6 MB of text with one emoji: about 18 MB in UTF-16.
  std::string body(8600000, 'a');
  body += "😀";
  type("txtEdit4", body);
  save(file("big.ini"));
  EXPECT_TRUE(platform.messages.empty()) << lastMessage();
  EXPECT_GT(fs::file_size(file("big.ini")), 16u * 1024 * 1024);
  start();
  open(file("big.ini"));
  EXPECT_TRUE(platform.messages.empty()) << lastMessage();
  EXPECT_EQ(text("txtEdit4"), body);

  // More than open takes is not written at all.
  type("txtEdit4", std::string(17 * 1024 * 1024, 'b') + "😀");
  save(file("bigger.ini"));
  EXPECT_NE(lastMessage().find("何も書き込んでいません"), std::string::npos) << lastMessage();
  EXPECT_FALSE(fs::exists(file("bigger.ini")));
}

}  // namespace
}  // namespace bq::test

#include "engine/engine_fixture.h"

namespace bq::test {
namespace {

using Startup = Engine;

TEST_F(Startup, ShowsTheDefaultSectionsTitlesAndLists) {
  start();
  EXPECT_TRUE(missing.empty());
  const char* titles[] = {"商品名",   "商品説明", "商品状態", "",
                          "発送方法", "支払方法", "注意事項", ""};
  for (int i = 1; i <= 8; ++i) {
    EXPECT_EQ(text("txtTitle" + std::to_string(i)), titles[i - 1]);
    EXPECT_EQ(c<CheckBox>("chkTitle" + std::to_string(i)).value(), (i == 4 || i == 8) ? 0 : 1);
    EXPECT_EQ(c<ComboBox>("cmbT" + std::to_string(i) + "FS").listIndex(), 1);
    EXPECT_EQ(c<ComboBox>("cmbE" + std::to_string(i) + "FS").listIndex(), 1);
  }
  auto& send = c<ComboBox>("cmbSend");
  ASSERT_EQ(send.items().size(), 47u);
  EXPECT_EQ(send.listIndex(), 13);
  EXPECT_EQ(send.text(), "東京都");
  EXPECT_EQ(c<ComboBox>("cmbCellspacing").text(), "1");
  EXPECT_EQ(c<ComboBox>("cmbCellpadding").text(), "3");
  EXPECT_EQ(text("txtSend3"), "ゆうパック");
  EXPECT_EQ(text("txtSend11"), "");
  EXPECT_EQ(text("txtBank15"), "NTTコム・セーフティパス決済");
  EXPECT_EQ(text("txtBankPunc"), "， ");
  EXPECT_EQ(c<CheckBox>("chkRealTP").value(), 1);
  EXPECT_EQ(c<OptionButton>("optYPack(0)").value(), 1);
}

TEST_F(Startup, CountsTwentySixStepsOnTheSplash) {
  start();
  EXPECT_EQ(platform.splash_.maximum, 26);
  EXPECT_EQ(platform.splash_.value, 26);
}

TEST_F(Startup, FragmentsHoldTheTemplatesAndTheRememberedValuesWhatTheyCarry) {
  start();
  for (int i = 1; i <= 8; ++i) {
    std::string s = std::to_string(i);
    EXPECT_EQ(text("txtTag1_" + s), tag("tag1.tpf"));
    EXPECT_EQ(text("txtTag2_" + s), tag("tag2.tpf"));
    EXPECT_EQ(text("txtTag3_" + s), tag("tag3.tpf"));
    EXPECT_EQ(value("TitleBackColor(" + s + ")"), "FFFFFF");
    EXPECT_EQ(value("TitleFontSize(" + s + ")"), "2");
  }
  EXPECT_EQ(text("rtxtTagHead"), tag("head.tpf"));
  EXPECT_EQ(value("ShipRowLead(12)"), tag("send_tag1.tpf"));
  EXPECT_EQ(value("ShipTableEnd"), tag("tag4.tpf"));
  EXPECT_EQ(value("TableLineColor"), "333333");
  EXPECT_EQ(value("TableAlignAttr"), "align=center");
  EXPECT_EQ(value("ShippingTableWidth"), "100");
  EXPECT_EQ(value("WeightSurcharge"), "0");
  // The swatches show what the fragments carry.
  EXPECT_EQ(c<PushButton>("cmdColor").fillColor(), 0x333333);
  EXPECT_EQ(c<PushButton>("cmdSendLC").fillColor(), 0xCCCCCC);
  EXPECT_EQ(c<PushButton>("cmdE6BC").foreColor(), 0xFFFFFF);
  EXPECT_EQ(c<PushButton>("cmdT1FC").foreColor(), 0);
}

TEST_F(Startup, TheFirstPageIsCompleteInTxtTagAndTheTemporaryFile) {
  start();
  std::string expected = tag("first.tpf") + tag("head.tpf");
  for (int i : {1, 2, 3, 5, 6, 7}) {
    expected += tag("tag1.tpf") + text("txtTitle" + std::to_string(i)) + tag("tag2.tpf");
    if (i == 5) expected += tag("send_head.tpf") + tag("tag4.tpf");
    expected += tag("tag3.tpf");
  }
  expected += tag("tag4.tpf") + tag("pr.tpf");
  EXPECT_EQ(page(), expected);
  EXPECT_EQ(bq::text::decodeText(readFile(form->output.tempPage())), expected);
  ASSERT_FALSE(platform.main.navigations.empty());
  EXPECT_EQ(platform.main.navigations.back(), form->output.tempPage());
}

TEST_F(Startup, ThePagesGoToAPrivateFolderThatIsMadeAgainWhenRemoved) {
  start();
  fs::path pages = dir / "run" / "bidquill";
  EXPECT_EQ(form->paths().temp, pages);
  EXPECT_EQ(fs::status(pages).permissions(), fs::perms::owner_all);
  fs::remove_all(pages);
  type("txtEdit1", "本文");
  EXPECT_NE(bq::text::decodeText(readFile(pages / "temp.htm")).find("本文"), std::string::npos);
  EXPECT_EQ(fs::status(pages).permissions(), fs::perms::owner_all);
}

TEST_F(Startup, ALinkPlantedAtThePageIsReplacedNotFollowed) {
  start();
  fs::path victim = dir / "victim.txt";
  std::ofstream(victim) << "private";
  fs::path page = form->output.tempPage();
  fs::remove(page);
  fs::create_symlink(victim, page);
  type("txtEdit1", "上書きしない");
  EXPECT_EQ(readFile(victim), "private");
  EXPECT_FALSE(fs::is_symlink(page));
  EXPECT_NE(bq::text::decodeText(readFile(page)).find("上書きしない"), std::string::npos);
}

TEST_F(Startup, UnusablePageFoldersFallThroughAndNoneLeavesNoLivePreview) {
  // The runtime folder is a file, the cache folder's place is a link someone planted.
  std::ofstream(dir / "run-file") << "x";
  fs::create_directories(dir / "elsewhere");
  fs::create_directories(dir / "cache");
  fs::create_directory_symlink(dir / "elsewhere", dir / "cache" / "bidquill");
  setenv("XDG_RUNTIME_DIR", (dir / "run-file").c_str(), 1);
  setenv("XDG_CACHE_HOME", (dir / "cache").c_str(), 1);
  // The shared temporary folder is the last place: the test's own, not the machine's.
  std::string tmp = std::getenv("TMPDIR") ? std::getenv("TMPDIR") : "";
  fs::create_directories(dir / "tmp");
  setenv("TMPDIR", (dir / "tmp").c_str(), 1);
  AppPaths p = AppPaths::resolve(dir);
  EXPECT_EQ(p.temp.parent_path(), fs::temp_directory_path());
  EXPECT_EQ(p.temp.filename().string().rfind("bidquill-", 0), 0u);

  // With nowhere to write, the seller is told once and the page is still made.
  setenv("TMPDIR", (dir / "run-file").c_str(), 1);
  start();
  if (tmp.empty()) {
    unsetenv("TMPDIR");
  } else {
    setenv("TMPDIR", tmp.c_str(), 1);
  }
  unsetenv("XDG_CACHE_HOME");
  EXPECT_TRUE(form->paths().temp.empty());
  ASSERT_EQ(platform.messages.size(), 1u);
  EXPECT_NE(platform.messages[0].text.find("ライブプレビューなしで続けます"), std::string::npos);
  type("txtEdit1", "それでも");
  EXPECT_NE(page().find("それでも"), std::string::npos);
  EXPECT_EQ(platform.messages.size(), 1u);
}

TEST_F(Startup, ReportsEveryMissingTemplate) {
  fs::remove(dir / "data" / "tag" / "head.tpf");
  fs::remove(dir / "data" / "tag" / "send_tag3.tpf");
  start();
  ASSERT_EQ(missing.size(), 2u);
  EXPECT_EQ(missing[0].filename(), "head.tpf");
  EXPECT_EQ(missing[1].filename(), "send_tag3.tpf");
}

TEST_F(Startup, ATemplateMarkedUtf8ThatIsNotIsReadAsItsBytesSayAndReachesTheClipboardAsUtf8) {
  // Code page 932 after the mark: the text wins over the mark. Bytes neither reads: U+FFFD.
  std::ofstream(dir / "data" / "tag" / "pr.tpf", std::ios::binary) << "\xEF\xBB\xBF<p>\x82\xA0</p>";
  start();
  EXPECT_NE(text("txtTag").find("<p>あ</p>"), std::string::npos);
  std::ofstream(dir / "data" / "tag" / "pr.tpf", std::ios::binary) << "\xEF\xBB\xBF<p>\xFF\xC3</p>";
  platform.messages.clear();
  start();
  EXPECT_NE(text("txtTag").find("<p>\xEF\xBF\xBD\xEF\xBF\xBD</p>"), std::string::npos);
  ASSERT_EQ(platform.messages.size(), 1u);
  EXPECT_NE(platform.messages[0].text.find("pr.tpf（1 行目）"), std::string::npos);
  click("cmdPreview");
  EXPECT_TRUE(text::isValidUtf8(*platform.clipboard));
}

TEST_F(Startup, FindsTheInstalledTemplatesBesideABinFolder) {
  fs::path prefix = freshFolder("prefix");
  fs::create_directories(prefix / "bin");
  fs::create_directories(prefix / "share" / "bidquill" / "data");
  fs::copy(dir / "data" / "tag", prefix / "share" / "bidquill" / "data" / "tag",
           fs::copy_options::recursive);
  AppPaths p = AppPaths::resolve(prefix / "bin");
  EXPECT_EQ(p.tags, prefix / "share" / "bidquill" / "data" / "tag");
  fs::remove_all(prefix);
}

}  // namespace
}  // namespace bq::test

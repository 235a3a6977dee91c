#include "app/copies/offscreen_form.h"
#include "engine/engine_fixture.h"
#include "settings/settings_keys.h"

namespace bq::test {
namespace {

class Settings : public Engine {
 protected:
  // Every value the settings file stores, and every fragment the styles rewrite.
  std::map<std::string, std::string> snapshot() {
    std::map<std::string, std::string> s;
    for (const SettingKey& k : settingKeys()) {
      s[k.control] = valueText(*f().registry().find(k.control));
    }
    for (int i = 1; i <= 8; ++i) {
      for (const char* stem : {"txtTag1_", "txtTag2_", "txtTag3_"}) {
        s[stem + std::to_string(i)] = text(stem + std::to_string(i));
      }
    }
    for (const char* h : {"rtxtTagHead", "rtxtTagPR", "rtxtSendHead"}) s[h] = text(h);
    for (int i = 1; i <= 12; ++i) {
      for (const char* v : {"ShipRowLead", "ShipRowMid", "ShipRowTail"}) {
        s[indexed(v, i)] = value(indexed(v, i));
      }
    }
    s["txtTag"] = page();
    return s;
  }
  // A state that touches every key and every encoding.
  void fillEverything() {
    std::string longBody;
    for (int k = 0; k < 300; ++k) longBody += "説";
    type("txtTitle1", "  \"引用\" と空白  ");
    type("txtEdit1", "一行目<BR>\n[重要]\nEdit2=x\n\n最後の行");
    type("txtEdit2", longBody);
    type("txtEdit3", "絵文字 😀 と 〜");
    type("txtTitle4", "四番目");
    click("chkTitle4");
    type("txtBankPunc", "・");
    click("chkBank5");
    click("chkBank12");
    type("txtBank16", "独自の支払い");
    click("chkBank16");
    click("chkSend3");
    click("chkSend7");
    type("txtMoney7", "160円〜");
    type("txtSend11", "自社便");
    c<ComboBox>("cmbSend").setListIndex(26);
    click("optYPack(4)");
    click("chkT2B");
    click("chkE3B");
    click("chkE5B_2");
    click("chkE6B");
    c<ComboBox>("cmbT3FS").setListIndex(4);
    c<ComboBox>("cmbE5FS").setListIndex(0);
    c<ComboBox>("cmbCellpadding").setListIndex(9);
    type("txtWidth", "800");
    type("txtTW", "140");
    type("txtSendW", "160");
    click("optTableAlign(0)");
    click("optTA(2)");
    for (auto [button, colour] :
         std::vector<std::pair<const char*, std::int32_t>>{{"cmdT1BC", 0x0000FF},
                                                           {"cmdE5FC_1", 0x00FF00},
                                                           {"cmdE5BC", 0xEEEEEE},
                                                           {"cmdE6FC", 0x123456},
                                                           {"cmdColor", 0x808080},
                                                           {"cmdSendLC", 0x010203}}) {
      platform.queueColour(colour);
      click(button);
    }
    form->colours.ApplySlotColor(*form->colours.slot("cmdT7FC"), -2147483640);
    click("chkFirst");
  }
};

TEST_F(Settings, SaveThenLoadRestoresEveryControlAndFragment) {
  start();
  fillEverything();
  auto before = snapshot();
  save(file("all.ini"));
  ASSERT_TRUE(platform.messages.empty()) << platform.messages[0].text;
  // The emoji cannot be held by code page 932: the whole file is Windows' Unicode form.
  EXPECT_EQ(readFile(file("all.ini")).substr(0, 2), "\xFF\xFE");

  HeadlessPlatform other;
  frmMain fresh(other, dir);
  fresh.Load();
  other.queueFile(file("all.ini").string());
  fresh.settings.cmdOpen.click();
  EXPECT_TRUE(other.messages.empty()) << other.messages[0].text;
  form.reset();
  form = std::unique_ptr<frmMain>(&fresh);
  auto after = snapshot();
  form.release();
  for (const auto& [name, v] : before) EXPECT_EQ(after[name], v) << name;
}

TEST_F(Settings, TheUntouchedStartStateIsWrittenAsTheProfileFunctionsWriteIt) {
  start();
  save(file("start.ini"));
  std::string bytes = readFile(file("start.ini"));
  // Reviewed once against the profile functions' rules: code page 932, CR LF after every
  // line, 13 headers and 187 keys in the order written, no blank lines, empty values as "key=";
  // then Bidquill's own section.
  EXPECT_EQ(bytes, readFile(fs::path(BIDQUILL_TEST_DATA) / "startup.ini"));
  EXPECT_EQ(count(bytes, "\r\n"), 202u);
  EXPECT_EQ(bytes.find("\r\n\r\n"), std::string::npos);
  EXPECT_NE(bytes.find("[TextBank]\r\nPunk=\x81\x43 \r\n"), std::string::npos);
}

TEST_F(Settings, SavingTwiceChangesNothingAndOneTitleChangesOneLine) {
  start();
  save(file("s.ini"));
  std::string first = readFile(file("s.ini"));
  save(file("s.ini"));
  EXPECT_EQ(readFile(file("s.ini")), first);
  type("txtTitle2", "説明");
  save(file("s.ini"));
  std::string third = readFile(file("s.ini"));
  std::string changedFrom = "Title2=" + *text::utf8ToCp932("商品説明");
  std::string changedTo = "Title2=" + *text::utf8ToCp932("説明");
  std::size_t at = first.find("[Text]");
  EXPECT_EQ(third,
            first.substr(0, at) + first.substr(at).replace(first.substr(at).find(changedFrom),
                                                           changedFrom.size(), changedTo));
  // The dialog offers the name confirmed last.
  EXPECT_EQ(platform.fileRequests.back().fileName, file("s.ini").string());
  EXPECT_TRUE(platform.fileRequests.back().overwritePrompt);
  EXPECT_EQ(platform.fileRequests.back().filter, "INI (*.ini)|*.ini");
}

TEST_F(Settings, SavingIntoAForeignFileKeepsItsOwnLines) {
  start();
  std::string foreign =
      "; another program\r\n[Window]\r\nLeft=10\r\n\r\n[text]\r\nMine=1\r\ntitle1=old\r\n";
  std::ofstream(file("f.ini"), std::ios::binary) << foreign;
  save(file("f.ini"));
  std::string bytes = readFile(file("f.ini"));
  EXPECT_EQ(
      bytes.find("; another program\r\n[Window]\r\nLeft=10\r\n\r\n[text]\r\nMine=1\r\ntitle1="),
      0u);
  EXPECT_NE(bytes.find("\r\nTitle2="), std::string::npos);
  EXPECT_EQ(count(bytes, "[Text]"), 0u);
  EXPECT_NE(bytes.find("\r\n[Data]\r\n"), std::string::npos);
}

TEST_F(Settings, ACp932FileThatMustHoldAnEmojiBecomesUtf16WithItsLinesKept) {
  start();
  std::ofstream(file("c.ini"), std::ios::binary)
      << "; \x83\x65\x83\x58\x83\x67\r\n[Other]\r\nk=v\r\n";
  type("txtTitle1", "😀");
  save(file("c.ini"));
  auto doc = IniDocument::parse(readFile(file("c.ini")));
  EXPECT_EQ(doc.encoding(), text::Encoding::Utf16LE);
  EXPECT_EQ(doc.read("Other", "k"), "v");
  EXPECT_EQ(doc.read("Text", "Title1"), "😀");
  EXPECT_EQ(doc.serialize().find(text::utf8ToUtf16LE("; テスト\r\n")), 2u);
}

TEST_F(Settings, AWindowsFileWithRawMultiLineTextsLoadsThemWhole) {
  start();
  save(file("w.ini"));
  std::string bytes = readFile(file("w.ini"));
  // As the Windows program left it: the text's further lines on lines of their own.
  std::string raw =
      "Edit1=" + *text::utf8ToCp932("一行目<BR>\r\n二行目<BR>\r\n\r\n三行目") + "\r\n\r\n";
  bytes.replace(bytes.find("Edit1=\r\n"), 8, raw);
  std::ofstream(file("w.ini"), std::ios::binary) << bytes;
  open(file("w.ini"));
  EXPECT_TRUE(platform.messages.empty());
  EXPECT_EQ(text("txtEdit1"), "一行目<BR>\n二行目<BR>\n\n三行目");
  EXPECT_EQ(text("txtEdit2"), "");
  type("txtEdit1", "一行");
  save(file("w.ini"));
  std::string after = readFile(file("w.ini"));
  EXPECT_NE(after.find("Edit1=" + *text::utf8ToCp932("一行") + "\r\n\r\nEdit2="),
            std::string::npos);
  EXPECT_EQ(after.find(*text::utf8ToCp932("二行目")), std::string::npos);
}

TEST_F(Settings, AFileWithABadKeyChangesNothingAndSaysWhichKey) {
  start();
  type("txtWidth", "900");
  type("txtTitle1", "保存した題");
  save(file("ok.ini"));
  std::string good = readFile(file("ok.ini"));
  auto variant = [&](const std::string& from, const std::string& to) {
    std::string b = good;
    b.replace(b.find(from), from.size(), to);
    std::ofstream(file("bad.ini"), std::ios::binary) << b;
  };
  auto openRefused = [&](const std::string& says) {
    start();
    click("chkRealTP");  // real-time preview off: the refused open must leave it so
    platform.messages.clear();
    auto before = snapshot();
    open(file("bad.ini"));
    EXPECT_EQ(snapshot(), before) << says;
    ASSERT_EQ(platform.messages.size(), 1u) << says;
    const std::string& m = platform.messages[0].text;
    EXPECT_NE(m.find(says), std::string::npos) << m;
    EXPECT_NE(m.find("今の内容は何も変わっていません"), std::string::npos) << m;
    EXPECT_NE(m.find("bad.ini"), std::string::npos) << m;
  };

  variant("Cellpadding=2", "Cellpadding=30");  // beyond the list
  openRefused("[Data] の Cellpadding の値「30」を読み取れません");
  variant("Width=900\r\n", "");
  openRefused("[Data] の Width がありません");
  variant("[FontBold]\r\nTitle1=0", "[FontBoldX]\r\nTitle1=0");
  openRefused("[FontBold] の Title1 がありません");
  variant("Edit8=16777215", "Edit8=red");  // the very last key read
  openRefused("[BackColor] の Edit8 の値「red」");
  // A huge value is quoted short.
  variant("Width=900", "Width=" + std::string(200000, '9'));
  openRefused("の値「" + std::string(40, '9') + "…」（200000 文字）を読み取れません");
  // Short beside the file's name it gives (the test's folder, whose length varies).
  EXPECT_LT(platform.messages[0].text.size() - file("bad.ini").u8string().size(), 300u);

  // A missing text key empties its box and the load goes on.
  start();
  platform.messages.clear();
  variant("Title1=" + *text::utf8ToCp932("保存した題") + "\r\n", "");
  open(file("bad.ini"));
  EXPECT_TRUE(platform.messages.empty());
  EXPECT_EQ(text("txtTitle1"), "");
  EXPECT_EQ(text("txtWidth"), "900");
}

TEST_F(Settings, RealTimeOffInTheFileStillShowsTheLoadedPage) {
  start();
  type("txtTitle1", "見える題");
  click("chkRealTP");
  save(file("rt.ini"));
  start();
  open(file("rt.ini"));
  EXPECT_EQ(c<CheckBox>("chkRealTP").value(), 0);
  EXPECT_NE(page().find("見える題"), std::string::npos);
}

TEST_F(Settings, ACancelledOrImpossibleOpenChangesNothing) {
  start();
  platform.queueCancel();
  click("cmdOpen");
  EXPECT_EQ(c<CheckBox>("chkRealTP").value(), 1);
  platform.queueCancel();
  click("cmdSave");
  EXPECT_TRUE(platform.messages.empty());

  open(file("does-not-exist.ini"));
  EXPECT_EQ(c<CheckBox>("chkRealTP").value(), 1);
  ASSERT_EQ(platform.messages.size(), 1u);
  EXPECT_NE(platform.messages[0].text.find("見つかりません"), std::string::npos);

  {
    std::ofstream big(file("big.ini"), std::ios::binary);
    big << "[Data]\r\n";
    big.seekp(17 * 1024 * 1024);
    big << "x";
  }
  open(file("big.ini"));
  EXPECT_NE(platform.messages.back().text.find("大きすぎます"), std::string::npos);
  EXPECT_EQ(text("txtTitle1"), "商品名");
}

TEST_F(Settings, AReadOnlyTargetStaysWholeAndTheFailureIsReported) {
  start();
  std::ofstream(file("ro.ini"), std::ios::binary) << "[Keep]\r\nme=1\r\n";
  fs::permissions(file("ro.ini"), fs::perms::owner_read | fs::perms::group_read);
  save(file("ro.ini"));
  EXPECT_EQ(readFile(file("ro.ini")), "[Keep]\r\nme=1\r\n");
  ASSERT_EQ(platform.messages.size(), 1u);
  EXPECT_NE(platform.messages[0].text.find("保存できませんでした"), std::string::npos);
  EXPECT_NE(platform.messages[0].text.find("ro.ini"), std::string::npos);
  fs::permissions(file("ro.ini"), fs::perms::owner_all);

  save(dir / "gone" / "x.ini");  // a folder that is not there
  EXPECT_EQ(platform.messages.size(), 2u);
  EXPECT_FALSE(fs::exists(dir / "gone"));
}

TEST_F(Settings, LoadingTheSameFileTwiceChangesNothingFurther) {
  start();
  fillEverything();
  save(file("twice.ini"));
  start();
  open(file("twice.ini"));
  auto once = snapshot();
  open(file("twice.ini"));
  EXPECT_EQ(snapshot(), once);
}

}  // namespace
}  // namespace bq::test

namespace bq::test {
namespace {

// Whatever the seller does, the page shown is the page the settings file then saved gives: after
// every action of random sequences over every control the file holds.
TEST_F(Settings, ThePageShownIsThePageItsSettingsGiveAfterEveryAction) {
  start();
  std::vector<Control*> controls;
  for (const SettingKey& k : settingKeys()) {
    if (Control* c = f().registry().find(k.control)) controls.push_back(c);
  }
  const std::vector<std::string> texts = {"",    "商品", "<b>太字</b>\n二行目", "500", "1,000円",
                                          "a<b", "120"};
  std::mt19937 rng(20261210);
  auto pick = [&](std::size_t n) { return static_cast<int>(rng() % n); };
  for (int step = 0; step < 300; ++step) {
    Control* c = controls[static_cast<std::size_t>(pick(controls.size()))];
    switch (c->kind()) {
      case ControlKind::ComboBox: {
        auto* box = static_cast<ComboBox*>(c);
        if (!box->items().empty()) box->setListIndex(pick(box->items().size()));
        break;
      }
      case ControlKind::TextBox:
        static_cast<TextBox*>(c)->setText(texts[static_cast<std::size_t>(pick(texts.size()))]);
        break;
      case ControlKind::PushButton:
        platform.queueColour(static_cast<std::int32_t>(rng() & 0xFFFFFF));
        userClick(*c);
        break;
      default:
        userClick(*c);
        break;
    }
    OffscreenForm saved(dir);
    ASSERT_FALSE(saved.startAsCopyOf(f()));
    ASSERT_EQ(saved.page(), f().output.assembleNow()) << "after step " << step << ": " << c->name();
  }
}

}  // namespace
}  // namespace bq::test

#include "engine/engine_fixture.h"
#include "page/page_encoder.h"

namespace bq::test {
namespace {

using Page = Engine;

TEST_F(Page, HidingAndShowingRestoresTitleBodyAndStyledFragments) {
  start();
  type("txtEdit2", "良品です");
  click("chkTitle2");
  EXPECT_EQ(page().find("商品説明"), std::string::npos);
  // Style changes and typing while hidden leave no trace in the page...
  platform.queueColour(0x0000FF);
  click("cmdT2BC");
  type("txtEdit2", "美品です");
  EXPECT_EQ(value("EditText(2)"), "");
  EXPECT_EQ(page().find("美品です"), std::string::npos);
  EXPECT_EQ(page().find("FF0000"), std::string::npos);
  // ...and come back whole when shown.
  click("chkTitle2");
  EXPECT_NE(page().find("商品説明"), std::string::npos);
  EXPECT_NE(page().find("美品です"), std::string::npos);
  EXPECT_NE(page().find("bgcolor=#FF0000"), std::string::npos);
  EXPECT_EQ(value("TitleTag(2)"), text("txtTag1_2"));
}

TEST_F(Page, AnEmptyShownSectionStillContributesItsFragments) {
  start();
  std::size_t before = count(page(), tag("tag3.tpf"));
  click("chkTitle4");
  EXPECT_EQ(count(page(), tag("tag3.tpf")), before + 1);
  EXPECT_EQ(value("TitleText(4)"), "");
}

TEST_F(Page, WithEverySectionHiddenThePageIsTheFrameAlone) {
  start();
  click("chkFirst");
  for (int i : {1, 2, 3, 5, 6, 7}) click("chkTitle" + std::to_string(i));
  EXPECT_EQ(page(), tag("head.tpf") + tag("tag4.tpf") + tag("pr.tpf"));
}

TEST_F(Page, SectionsAppearInNumberOrder) {
  start();
  click("chkTitle8");
  type("txtTitle8", "最後");
  type("txtEdit1", "最初");
  std::string p = page();
  EXPECT_LT(p.find("最初"), p.find("商品説明"));
  EXPECT_LT(p.find("注意事項"), p.find("最後"));
  EXPECT_LT(p.find("最後"), p.rfind(tag("tag4.tpf")));
}

TEST_F(Page, RealTimeOffFreezesThePreviewUntilSwitchedOnAgain) {
  start();
  std::string before = page();
  std::size_t navigations = platform.main.navigations.size();
  click("chkRealTP");
  type("txtEdit1", "新しい本文");
  click("chkTitle3");
  EXPECT_EQ(page(), before);
  EXPECT_EQ(platform.main.navigations.size(), navigations);
  EXPECT_EQ(bq::text::decodeText(readFile(form->output.tempPage())), before);
  click("chkRealTP");
  EXPECT_NE(page().find("新しい本文"), std::string::npos);
  EXPECT_EQ(page().find("商品状態"), std::string::npos);
  EXPECT_EQ(platform.main.navigations.size(), navigations + 1);
}

TEST_F(Page, RefreshKeepsTheScrollPosition) {
  start();
  platform.main.position = {0, 840};
  type("txtEdit7", "下の方の編集");
  EXPECT_EQ(platform.main.position.top, 840);
  EXPECT_GT(platform.main.scrollRestores, 0);
}

TEST_F(Page, PreviewCommandShowsWritesAndCopiesThePage) {
  start();
  click("chkRealTP");  // the command works on the current page whatever this says
  type("txtEdit1", "限定品 〜 ¥500 😀");
  click("cmdPreview");
  const std::string& p = page();
  EXPECT_NE(p.find("限定品 〜 ¥500 😀"), std::string::npos);
  EXPECT_EQ(platform.clipboard, p);
  ASSERT_TRUE(platform.preview.has_value());
  EXPECT_TRUE(platform.preview->shown);
  EXPECT_EQ(platform.preview->sourceText, p);
  EXPECT_EQ(platform.preview->browser_.navigations.back(), form->output.tempFramedPage());
  // The files keep what code page 932 cannot hold as character references, never as "?".
  std::string framed = bq::text::decodeText(readFile(form->output.tempFramedPage()));
  EXPECT_EQ(framed.find(text("rtxtYahooTag1")), 0u);
  EXPECT_NE(framed.find("限定品 &#12316; &#165;500 &#128512;"), std::string::npos);
  EXPECT_EQ(readFile(form->output.tempPage()).find('?'), std::string::npos);
  ASSERT_EQ(platform.messages.size(), 1u);
  EXPECT_EQ(platform.messages[0].text,
            "HTMLタグをクリップボードにコピーしました。\r\n貼り付けてご利用ください。");
  EXPECT_EQ(platform.messages[0].title, "Bidquill");
  // The window is made once and then only shown again, in front once the message is closed.
  click("cmdPreview");
  EXPECT_EQ(platform.previewCreations, 1);
  EXPECT_EQ(platform.preview->timesShown, 4);
}

TEST_F(Page, ChkFirstEmptiesOrReloadsTheLeadingFragment) {
  start();
  click("chkFirst");
  EXPECT_EQ(text("rtxtFirst"), "");
  EXPECT_EQ(page().find(tag("first.tpf")), std::string::npos);
  writeTemplate("first.tpf", "<p>新しい案内</p>");
  click("chkFirst");
  EXPECT_EQ(page().find("<p>新しい案内</p>"), 0u);
}

TEST_F(Page, AMissingLeadingTemplateIsReportedAndChangesNothing) {
  start();
  click("chkFirst");
  fs::remove(dir / "data" / "tag" / "first.tpf");
  click("chkFirst");
  EXPECT_EQ(text("rtxtFirst"), "");
  ASSERT_EQ(platform.messages.size(), 1u);
  EXPECT_NE(platform.messages[0].text.find("first.tpf"), std::string::npos);
}

TEST_F(Page, AFailedPageWriteIsToldOnceAndSoIsTheRecovery) {
  start();
  fs::path pages = form->paths().temp;
  fs::remove_all(pages);
  std::ofstream(pages) << "a file in the folder's place";
  std::size_t navigations = platform.main.navigations.size();
  type("txtEdit1", "それでも");
  type("txtEdit1", "それでもまだ");
  EXPECT_NE(page().find("それでもまだ"), std::string::npos);
  EXPECT_EQ(platform.main.navigations.size(), navigations);
  ASSERT_EQ(platform.statuses.size(), 1u);
  EXPECT_NE(platform.statuses[0].find("書き込めません"), std::string::npos);
  fs::remove(pages);
  type("txtEdit1", "直った");
  ASSERT_EQ(platform.statuses.size(), 2u);
  EXPECT_NE(platform.statuses[1].find("また書き込める"), std::string::npos);
  EXPECT_EQ(platform.main.navigations.size(), navigations + 1);
}

// What the browser is told changed, put into the text it shows, gives the page file as a
// browser decodes it: a change inside a double-byte character whose second byte reads as ASCII
// ("ソ" 83 5C to "ゾ" 83 5D), tails alike in bytes but not in characters ("アA" 83 41 41 to
// "AA"), characters the code page lacks, several pieces at once, a text emptied.
TEST_F(Page, EachEditRebuildsThePageFileAsABrowserDecodesIt) {
  platform.main.recordsEdits = true;
  start();
  auto shown = [&] { return text::cp932ToUtf8(readFile(form->output.tempPage())); };
  std::string kept = shown();
  std::size_t seen = platform.main.edits.size();
  auto step = [&](const std::function<void()>& act) {
    act();
    ASSERT_GT(platform.main.edits.size(), seen);
    for (; seen < platform.main.edits.size(); ++seen) {
      const std::optional<PageEdit>& e = platform.main.edits[seen];
      ASSERT_TRUE(e);
      // Every character of a page file is one UTF-16 unit, so units count characters here.
      std::size_t from = text::utf8Offset(kept, e->start);
      kept.replace(from, text::utf8Offset(kept, e->start + e->removed) - from, e->inserted);
    }
    EXPECT_EQ(kept, shown());
  };
  for (const char* body : {"表ソ能", "表ゾ能", "表ゾ能😀", "表ゾ😀能", "xアA", "xAA", "", "〜～∥‖"}) {
    step([&] { type("txtEdit1", body); });
  }
  step([&] { click("chkTitle3"); });
  step([&] { click("chkFirst"); });
  step([&] { type("txtTitle2", "見出し"); });
  // A long body is kept in chunks: keys at its start, middle and end, a stretch across several
  // cut out, a chunk's first byte changed, and the file is still the whole page encoded.
  std::string body;
  while (body.size() < 40000) body += "説明文の行です。abc😀<BR>\n";
  step([&] { type("txtEdit1", body); });
  for (std::size_t at : {std::size_t{0}, body.size() / 2, body.size()}) {
    body.insert(at, "あ");
    step([&] { type("txtEdit1", body); });
  }
  body.erase(5000, 12000);
  step([&] { type("txtEdit1", body); });
  body[4096] = 'Z';
  step([&] { type("txtEdit1", body); });
  EXPECT_EQ(readFile(form->output.tempPage()), text::utf8ToCp932Html(page()));
}

// The encoder against itself on any bytes, valid UTF-8 or not (a lead byte left alone may meet
// its continuation only after an edit): after random edits of random pieces, the page is the
// pieces encoded whole, and the edit turns the page decoded before into the page decoded now.
TEST(PageEncoderTest, RandomEditsOfAnyBytesKeepThePageAndItsEdit) {
  std::mt19937 rng(7);
  const std::string alphabet[] = {"a", "<", "\n", "あ", "ソ", "😀", "\xE3", "\x81", "\xF0", "\x9F"};
  auto some = [&](std::size_t n) {
    std::string s;
    while (s.size() < n) s += alphabet[rng() % std::size(alphabet)];
    return s;
  };
  std::vector<std::string> texts{some(10), some(20000), some(9000)};
  std::vector<const std::string*> pieces{&texts[0], &texts[1], &texts[2]};
  PageEncoder encoder;
  auto decoded = [&] {
    std::string page;
    for (std::string_view b : encoder.bytes()) page += b;
    return page;
  };
  encoder.encode(pieces, true);
  std::string shown = text::cp932ToUtf8(decoded());
  for (int round = 0; round < 300; ++round) {
    for (int k = round % 7 == 0 ? 2 : 1; k > 0; --k) {
      std::string& t = texts[rng() % texts.size()];
      std::size_t at = t.empty() ? 0 : rng() % t.size();
      std::size_t cut = std::min<std::size_t>(t.size() - at, rng() % (round % 5 == 0 ? 6000 : 4));
      t.replace(at, cut, some(rng() % 4));
    }
    encoder.encode(pieces, true);
    std::string whole;
    for (const std::string& t : texts) whole += text::utf8ToCp932Html(t);
    ASSERT_EQ(decoded(), whole) << round;
    if (const std::optional<PageEdit>& e = encoder.edit()) {  // none when nothing changed
      std::size_t from = text::utf8Offset(shown, e->start);
      shown.replace(from, text::utf8Offset(shown, e->start + e->removed) - from, e->inserted);
    }
    ASSERT_EQ(shown, text::cp932ToUtf8(whole)) << round;
  }
  // Keys in one place leave no trail of small chunks behind.
  texts[1] = some(40000);
  for (int k = 0; k < 2000; ++k) {
    texts[1].insert(4000 + k, "x");
    encoder.encode(pieces);
  }
  EXPECT_LT(encoder.bytes().size(), (texts[0].size() + texts[1].size() + texts[2].size()) / 1024);
}

TEST_F(Page, EnterPutsALineBreakTagAtTheCaret) {
  start();
  auto& box = c<TextBox>("txtEdit1");
  auto enter = [&] {
    std::int16_t key = kKeyEnter;
    form->keyDown(box, key);
    EXPECT_EQ(key, kKeyEnter);  // the box still gets its Enter
  };
  type("txtEdit1", "前後");
  box.setSelection(1, 0);
  enter();
  EXPECT_EQ(box.text(), "前<BR>後");
  box.setSelection(0, 1);
  enter();
  EXPECT_EQ(box.text(), "<BR><BR>後");
  box.setSelection(99, 0);
  enter();
  EXPECT_EQ(box.text(), "<BR><BR>後<BR>");
  EXPECT_NE(page().find("<BR><BR>後<BR>"), std::string::npos);
  std::int16_t other = 65;
  form->keyDown(box, other);
  EXPECT_EQ(box.text(), "<BR><BR>後<BR>");
}

TEST_F(Page, EnterInAHiddenSectionChangesTheBoxButNotThePage) {
  start();
  auto& box = c<TextBox>("txtTitle8");
  std::size_t navigations = platform.main.navigations.size();
  std::string before = page();
  std::int16_t key = kKeyEnter;
  form->keyDown(box, key);
  EXPECT_EQ(box.text(), "<BR>");
  EXPECT_EQ(value("TitleText(8)"), "");
  EXPECT_EQ(page(), before);
  EXPECT_EQ(platform.main.navigations.size(), navigations);  // refreshed, nothing new to show
  click("chkTitle8");
  EXPECT_NE(page().find("<BR>"), std::string::npos);
}

}  // namespace
}  // namespace bq::test

namespace bq::test {
namespace {

using Shell = Engine;

TEST_F(Shell, HomeOpensTheShippedGuideAndSaysSoWhenItCannot) {
  fs::create_directories(dir / "docs");
  std::ofstream(dir / "docs" / "guide.html") << "<p>guide</p>";
  start();
  click("cmdHome");
  ASSERT_EQ(platform.openedUrls.size(), 1u);
  EXPECT_EQ(platform.openedUrls[0], "file://" + (dir / "docs" / "guide.html").string());
  EXPECT_TRUE(platform.messages.empty());
  platform.shellWorks = false;
  click("cmdHome");
  ASSERT_EQ(platform.messages.size(), 1u);
  fs::remove(dir / "docs" / "guide.html");
  click("cmdHome");
  EXPECT_EQ(platform.openedUrls.size(), 2u);
  EXPECT_EQ(platform.messages.size(), 2u);
}

}  // namespace
}  // namespace bq::test

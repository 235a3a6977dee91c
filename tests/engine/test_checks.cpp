// The listing checks: each fault found where it is, and nothing found where it is not.
#include "app/window/listing_report.h"
#include "engine/engine_fixture.h"
#include "markup/markup_reader.h"

namespace bq::test {
namespace {

using checks::Finding;
using checks::Kind;

std::vector<Finding> check(const std::string& text) {
  return checks::checkTexts({{"欄1 本文", "txtEdit1", &text}});
}

std::vector<Kind> kinds(const std::string& text) {
  std::vector<Kind> k;
  for (const Finding& f : check(text)) k.push_back(f.kind);
  return k;
}

TEST(ListingChecks, ActiveContentTheSiteRemoves) {
  for (const char* bad :
       {"<script>alert(1)</script>", "<img src=a.jpg onerror=\"x()\">",
        "<A HREF=\"javascript:x()\">a</A>", "<iframe src=x></iframe>", "<object data=x></object>",
        "<embed src=x>", "<form action=x><input></form>",
        "<meta http-equiv=\"Refresh\" content=\"0;url=x\">", "<body onload=x()>"}) {
    auto found = kinds(bad);
    EXPECT_NE(std::find(found.begin(), found.end(), Kind::ActiveContent), found.end()) << bad;
  }
  EXPECT_TRUE(check("<b>太字</b><font color=\"red\" size=3>赤</font><a href=\"#top\">上へ</a>"
                    "<table border=1><tr><td>表</td></tr></table><meta charset=utf-8>")
                  .empty());
  // "one" is no event attribute.
  EXPECT_TRUE(check("<td title=on one=2>x</td>").empty());
}

TEST(ListingChecks, TextThatDisappearsIsFoundAsABrowserReadsItAndMendedExactly) {
  // A "<" before anything but a letter, "/", "!" or "?" is shown by browsers as it is.
  EXPECT_TRUE(check("<新品>未使用 <<注意>> 幅<30cm 5 < 6 a<-b 「<」").empty());
  // The tag name runs to the next blank, and " <重要" becomes an attribute of it.
  const std::string sentence = "A<B、価格は1,000円以下 <重要>";
  auto f = check(sentence);
  ASSERT_EQ(f.size(), 1u);
  EXPECT_EQ(f[0].kind, Kind::LostText);
  EXPECT_TRUE(f[0].fixable);
  EXPECT_NE(f[0].text.find("「<B、価格は1,000円以下 <重要>」"), std::string::npos) << f[0].text;
  EXPECT_EQ(markup::escapeStrayMarkup(sentence), "A&lt;B、価格は1,000円以下 <重要>");

  // Known names with attributes no browser knows, unknown names, bogus comments, "</>".
  for (const char* stray : {"if a<b and c>d", "<abc>x", "</重要>", "<!重要>", "<?xml?>", "a</>b",
                            "<b 消える<i>x</i>", "<font color=red 後ろが消える", "<font color=red",
                            "<a href=\"x>開いた引用符", "最後に <q", "最後に </", "型番<ABC-123>",
                            "ランク<A>", "サイズ<S>です", "<textarea>以降", "<plaintext>x"}) {
    auto found = check(stray);
    ASSERT_EQ(found.size(), 1u) << stray;
    EXPECT_TRUE(found[0].fixable) << stray;
    EXPECT_TRUE(check(markup::escapeStrayMarkup(stray)).empty()) << stray;
  }
  // The mend keeps what was meant and reads on after each "<" it writes.
  EXPECT_EQ(markup::escapeStrayMarkup("<新品><b>x</b><!-- c --><abc> x<y <zz> <style>a<q</style>"),
            "<新品><b>x</b><!-- c -->&lt;abc> x&lt;y &lt;zz> <style>a<q</style>");
  // Tags that run into the end of the text, one inside the other's value.
  EXPECT_EQ(markup::escapeStrayMarkup("<b>x</b><b title=<b title=</i"),
            "<b>x</b>&lt;b title=&lt;b title=&lt;/i");

  // Comments and raw text left open swallow what follows; no mend for that.
  for (const char* swallows :
       {"前<!-- 閉じない", "<textarea rows=2>以降すべて", "<plaintext id=p>x"}) {
    auto found = check(swallows);
    ASSERT_EQ(found.size(), 1u) << swallows;
    EXPECT_EQ(found[0].kind, Kind::LostText) << swallows;
    EXPECT_FALSE(found[0].fixable) << swallows;
  }
  EXPECT_TRUE(check("<textarea>x</TEXTAREA > <!-- ok --> <!--> <!---> a > b <!DOCTYPE html>"
                    "<o:p></o:p><span data-x=1 aria-label=y xml:lang=ja>z</span><p>段落<br>")
                  .empty());
  auto lines = check("一行目\n<abc>\n三行目 <x>");
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0].line, 2);
  EXPECT_EQ(lines[1].line, 3);
}

TEST(ListingChecks, FindingsOfOneKindAreGroupedAndTheReadingIsLinear) {
  std::string many;
  for (int i = 0; i < 20000; ++i) many += "<x>";
  auto f = check(many);
  ASSERT_EQ(f.size(), 6u);
  EXPECT_EQ(f[5].line, 0);
  EXPECT_TRUE(f[5].fixable);
  EXPECT_NE(f[5].text.find("19995"), std::string::npos);
  // Raw text over and over, and nested strays, once read each (quadratic would take minutes).
  std::string styles, nested(1 << 20, '<');
  for (int i = 0; i < 100000; ++i) styles += "<style></style>";
  for (std::size_t i = 0; i < nested.size(); i += 2) nested[i + 1] = 'q';
  EXPECT_TRUE(check(styles).empty());
  EXPECT_EQ(check(nested).size(), 1u);
  EXPECT_EQ(check(markup::escapeStrayMarkup(nested)).size(), 0u);
  EXPECT_TRUE(check(std::string(1 << 20, '<')).empty());
}

TEST(ListingChecks, PreviewsDisarmEveryRefreshAndNothingElse) {
  std::string page =
      "<META HTTP-EQUIV = ' Refresh ' content=0><meta content=\"0;url=a>b\" http-equiv=refresh>"
      "<p http-equiv=refresh>refresh</p><meta name=refresh content=refresh><metal "
      "http-equiv=refresh>";
  std::string disarmed = page;
  markup::disarmRefresh(disarmed);
  EXPECT_EQ(disarmed,
            "<META HTTP-EQUIV = ' xefresh ' content=0><meta content=\"0;url=a>b\" "
            "http-equiv=xefresh><p http-equiv=refresh>refresh</p><meta name=refresh "
            "content=refresh><metal http-equiv=refresh>");
}

TEST(ListingChecks, AddressesOutsideImageSourcesAndInsecureImages) {
  auto f =
      check("連絡先: shop@example.co.jp\n<a href=\"https://example.com/\">店</a>\nwww.example.jp");
  ASSERT_EQ(f.size(), 3u);
  for (const Finding& x : f) EXPECT_EQ(x.kind, Kind::OffSite);
  EXPECT_NE(f[0].text.find("shop@example.co.jp"), std::string::npos);
  EXPECT_EQ(f[2].line, 3);

  auto img =
      check("<img src=\"http://img.example.com/a.jpg\"><img src='https://img.example.com/b.jpg'>");
  ASSERT_EQ(img.size(), 1u);
  EXPECT_EQ(img[0].kind, Kind::InsecureImage);
  EXPECT_TRUE(check("<img src=\"https://img.example.com/a@2x.jpg\"> 価格@1000円 a@b").empty());
}

// Styles, fonts and media from elsewhere are named as pictures over http are, and their
// addresses are not taken for invitations off the site.
TEST(ListingChecks, FilesFetchedFromElsewhereAreNamed) {
  auto f = check(
      "<link rel=stylesheet href=\"https://cdn.example.com/a.css\">\n"
      "<style>@font-face{src:url(http://fonts.example.com/f.woff)} @import '//x.example.com/i.css';"
      "</style>\n<video src=https://v.example.com/m.mp4></video><audio><source src=a.mp3></audio>\n"
      "<p style=\"background:url( 'https://p.example.com/b.png' )\">あ</p>"
      "<style>.a{background:url(data:image/png;base64,xx)}</style>");
  std::vector<std::string> named;
  for (const Finding& x : f) {
    EXPECT_EQ(x.kind, Kind::RemoteFile) << x.text;
    named.push_back(
        x.text.substr(x.text.find("「") + 3, x.text.find("」") - x.text.find("「") - 3));
  }
  EXPECT_EQ(named, (std::vector<std::string>{"https://cdn.example.com/a.css",
                                             "http://fonts.example.com/f.woff",
                                             "//x.example.com/i.css", "https://v.example.com/m.mp4",
                                             "https://p.example.com/b.png"}));
  EXPECT_NE(f[1].text.find("http のアドレス"), std::string::npos);
  EXPECT_EQ(f[3].line, 3);
}

TEST(ListingChecks, ColoursBuyersCannotTellApart) {
  EXPECT_NEAR(checks::contrastRatio("000000", "FFFFFF"), 21.0, 0.01);
  EXPECT_NEAR(checks::contrastRatio("FFFFFF", "FFFFFF"), 1.0, 0.001);
  EXPECT_EQ(checks::checkColours({{"欄2 本文", "FFFFFF", "F8F8F8"}}).size(), 1u);
  EXPECT_EQ(checks::checkColours({{"欄2 本文", "888888", "999999"}}).size(), 1u);
  EXPECT_TRUE(checks::checkColours({{"欄2 本文", "777777", "999999"}}).empty());  // 1.57
  // The limit is 1.5: D3D3D3 on white is 1.497, D2D2D2 1.512.
  EXPECT_EQ(checks::checkColours({{"欄2 本文", "D3D3D3", "FFFFFF"}}).size(), 1u);
  EXPECT_TRUE(checks::checkColours({{"欄2 本文", "D2D2D2", "FFFFFF"}}).empty());
  EXPECT_TRUE(checks::checkColours({{"欄2 本文", "000000", "FFFFFF"}}).empty());
  EXPECT_TRUE(checks::checkColours({{"欄2 本文", "FF0000", "FFFFFF"}}).empty());
  EXPECT_TRUE(checks::checkColours({{"欄2 本文", "", "FFFFFF"}}).empty());
}

class ListingChecksOnTheWindow : public Engine {};

TEST_F(ListingChecksOnTheWindow, OnlyShownSectionsAndTickedRowsCountAndTheMendReachesTheClipboard) {
  start();
  click("chkFit");  // a page that fits a phone
  EXPECT_TRUE(checks::checkListing(f()).empty());
  type("txtEdit4", "<abc>新品");  // section 4 is hidden at start
  EXPECT_TRUE(checks::checkListing(f()).empty());
  click("chkTitle4");
  auto found = checks::checkListing(f());
  ASSERT_EQ(found.size(), 1u);
  EXPECT_EQ(checks::describe(found[0]).rfind("欄4 本文 1行目: ", 0), 0u);

  type("txtMoney3", "http://example.com");
  EXPECT_EQ(checks::checkListing(f()).size(), 1u);  // row 3 not ticked
  click("chkSend3");
  EXPECT_EQ(checks::checkListing(f()).back().where, "発送方法");

  platform.queueColour(0xFFFFFF);
  click("cmdE1FC");
  type("txtEdit1", "見えない");
  EXPECT_EQ(checks::checkListing(f()).back().kind, Kind::HiddenText);

  click("cmdPreview");
  const ListingReport& r = platform.preview->report;
  EXPECT_EQ(r.findings.size(), 3u);
  EXPECT_TRUE(r.fixable);
  EXPECT_NE(r.size.find("文字"), std::string::npos);
  platform.preview->fix();
  EXPECT_EQ(text("txtEdit4"), "&lt;abc>新品");
  EXPECT_NE(platform.clipboard->find("&lt;abc>新品"), std::string::npos);
  EXPECT_EQ(platform.preview->report.findings.size(), 2u);
  EXPECT_FALSE(platform.preview->report.fixable);
}

TEST_F(ListingChecksOnTheWindow, APhoneOfThreeHundredAndTwentyPixelsIsTheMeasure) {
  start();
  auto wide = [&] {
    for (const Finding& f : checks::checkListing(f()))
      if (f.kind == Kind::TooWide) return f.text;
    return std::string();
  };
  // A fixed table fits while it and the page's left margin (8) fit the screen.
  type("txtWidth", "312");
  EXPECT_EQ(wide(), "");
  type("txtWidth", "313");
  EXPECT_EQ(wide().rfind("スマートフォンの画面（幅320）より広くなります。表の横幅が 313", 0), 0u);
  type("txtWidth", "750");
  click("chkFit");
  EXPECT_EQ(wide(), "");
  // What may not wrap, widths in em, and a style that overrides the width attribute.
  type("txtEdit2", "一行目\n<pre>" + std::string(60, 'a') + "</pre>");
  EXPECT_NE(wide().find("「aaaaaaaaaaaaaaaaaaaa…」は折り返さない指定"), std::string::npos)
      << wide();
  type("txtEdit2", "<div style=\"width:40em\">枠</div>");
  EXPECT_NE(wide().find("<div> の幅の指定（40em、約 520）"), std::string::npos) << wide();
  type("txtEdit2", "<table width=700 style=\"width:100%\"><tr><td>表</td></tr></table>");
  EXPECT_EQ(wide(), "");
  type("txtEdit2",
       "<table><tr><td nowrap>サイズ（縦×横×高さ）</td><td nowrap>24cm × 15cm × "
       "18cm（箱を含む）</td></tr>");
  EXPECT_NE(wide().find("表（<table>）の列が横に並んで"), std::string::npos) << wide();
}

}  // namespace
}  // namespace bq::test

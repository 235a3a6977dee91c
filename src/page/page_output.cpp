#include "page/page_output.h"

#include "core/templates.h"
#include "files/safe_file.h"
#include "text/cp932.h"

namespace bq {

std::array<TextHolder*, 12> PageHolders::all() {
  return {&rtxtYahooTag1, &rtxtTagHead,  &rtxtTag1,  &rtxtTag2,     &rtxtTagPR,    &rtxtTag3,
          &rtxtTag4,      &rtxtSendHead, &rtxtFirst, &rtxtSendTag1, &rtxtSendTag2, &rtxtSendTag3};
}

TextHolder* PageHolders::byName(const std::string& name) {
  for (TextHolder* h : all()) {
    if (h->name() == name) return h;
  }
  return nullptr;
}

PageOutput::PageOutput(PageModel& page, PageHolders& holders, Platform& platform,
                       const AppPaths& paths, Actions& actions)
    : page_(page), holders_(holders), platform_(platform), paths_(paths), actions_(actions) {
  txtTag.setVisible(false);
  chkRealTP.onClick([this] { RefreshPreview(); });
  chkFirst.onClick([this] { chkFirstClick(); });
  cmdPreview.onClick([this] { cmdPreviewClick(); });
}

std::vector<const std::string*> PageOutput::pieces() const {
  std::vector<const std::string*> p;
  p.reserve(4 + 5 * kSections);
  p.push_back(&holders_.rtxtFirst.text());
  p.push_back(&holders_.rtxtTagHead.text());
  for (int i = 1; i <= kSections; ++i) {
    const Section& s = page_.section(i);
    for (const std::string* slot :
         {&s.TitleTag, &s.TitleText.text(), &s.EditTag, &s.EditText.text(), &s.EndTag}) {
      p.push_back(slot);
    }
  }
  p.push_back(&holders_.rtxtTag4.text());
  p.push_back(&holders_.rtxtTagPR.text());
  return p;
}

const std::string& PageOutput::assembleNow() {
  refreshSteps();
  return txtTag.text();
}

void PageOutput::RefreshPreview() {
  if (chkRealTP.value() == 0 || showsNothing_) return;
  if (deferred_ > 0) {
    stale_ = true;
    return;
  }
  refreshSteps();
}

void PageOutput::refreshSteps() {
  stale_ = false;
  ++assemblies_;
  for (int i = 1; i <= kSections; ++i) {
    Section& s = page_.section(i);
    if (!s.shown()) s.clearSlots();
  }
  Browser& browser = platform_.mainBrowser();
  ScrollPosition pos = browser.scrollPosition();
  auto parts = pieces();
  std::size_t total = 0;
  for (const std::string* s : parts) total += s->size();
  // The browser is told only what changed when it shows the page that change starts from.
  bool showsLast =
      !paths_.temp.empty() && browser.takesEdits() && encoder_.pageHash() == lastWritten_;
  encoder_.encode(parts, showsLast);
  // The same pieces as last time make the same page: it is not built again (a long body would
  // be held once more meanwhile).
  if (encoder_.pageHash() != assembled_ || txtTag.text().size() != total) {
    std::string page;
    page.reserve(total);
    for (const std::string* s : parts) page += *s;
    txtTag.setText(std::move(page));
    assembled_ = encoder_.pageHash();
  }
  // A page that cannot be written leaves txtTag right all the same; the browser then keeps
  // showing the last page that could be written. The same page twice (start-up and a settings
  // load refresh often without changing it) is neither written nor shown again.
  std::error_code ec;
  // Without a folder for the pages (or in an offscreen copy) there is no live preview.
  if (!paths_.temp.empty() &&
      (encoder_.pageHash() != lastWritten_ || !std::filesystem::exists(tempPage(), ec))) {
    if (writePage(tempPage(), encoder_.bytes())) {
      lastWritten_ = encoder_.pageHash();
      if (encoder_.edit()) {
        browser.showEdit(tempPage(), *encoder_.edit());
      } else {
        browser.navigate(tempPage());
      }
    }
  }
  platform_.processEvents();
  browser.scrollTo(pos);
}

bool PageOutput::writePage(const std::filesystem::path& file,
                           const std::vector<std::string_view>& bytes) {
  // Without a private folder there is no live preview; start-up has said so.
  if (paths_.temp.empty()) return false;
  auto error = files::writePrivateFile(file, bytes);
  // A folder someone removed is made again (privately) before giving up.
  if (error && files::makePrivateFolder(paths_.temp)) error = files::writePrivateFile(file, bytes);
  if (error && !writeFailing_) {
    platform_.showStatus("プレビューのファイルを書き込めません（" + *error + "）" +
                         displayPath(file) + " — プレビューは最後に書けた内容のままです。");
  } else if (!error && writeFailing_) {
    platform_.showStatus("プレビューのファイルをまた書き込めるようになりました。");
  }
  writeFailing_ = error.has_value();
  return !error;
}

void PageOutput::chkFirstClick() {
  if (chkFirst.value() == 0) {
    holders_.rtxtFirst.setText({});
  } else {
    auto file = paths_.tags / "first.tpf";
    if (auto text = loadTemplate(file).text) {
      holders_.rtxtFirst.setText(*text);
      actions_.FitBanner();
    } else {
      platform_.showMessage(missingTemplateMessage({file}), "Bidquill", MessageIcon::Warning);
    }
  }
  RefreshPreview();
}

void PageOutput::cmdPreviewClick() {
  // Not hidden first: a window taken off the screen and put back goes behind the main window
  // under some window managers.
  PreviewWindow& preview = platform_.previewWindow();
  actions_.BuildShippingSection();
  actions_.BuildPaymentSection();
  refreshSteps();
  std::string framed = holders_.rtxtYahooTag1.text() + txtTag.text();
  auto error = paths_.temp.empty()
                   ? std::optional<std::string>("一時フォルダーがありません。")
                   : files::writePrivateFile(tempFramedPage(), text::utf8ToCp932Html(framed));
  if (error) {
    platform_.showMessage("プレビュー用のファイルを書き込めません。\r\n" +
                              displayPath(tempFramedPage()) + "\r\n" + *error +
                              "\r\n\r\nHTMLタグのコピーはこのあと行います。",
                          "Bidquill", MessageIcon::Warning);
  } else {
    preview.browser().navigate(tempFramedPage());
  }
  preview.setSourceText(txtTag.text());
  actions_.ShowListingChecks();
  preview.showAndFocus();
  platform_.setClipboardText(txtTag.text());
  platform_.showMessage("HTMLタグをクリップボードにコピーしました。\r\n貼り付けてご利用ください。",
                        "Bidquill", MessageIcon::Information);
  // Closing the message hands the focus back to the window it was shown over.
  preview.showAndFocus();
}

void PageOutput::registerIn(Registry& r) {
  for (TextHolder* h : holders_.all()) {
    h->setVisible(false);
    r.add(*h);
  }
  r.add(chkRealTP);
  r.add(chkFirst);
  r.add(cmdPreview);
  r.add(txtTag);
}

}  // namespace bq

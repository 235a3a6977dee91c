#include "app/window/frm_main.h"

#include "app/window/listing_report.h"
#include "core/templates.h"

namespace bq {

frmMain::frmMain(Platform& platform, const std::filesystem::path& appFolder)
    : frmMain(platform, appFolder, std::nullopt) {}

frmMain::frmMain(Platform& platform, const std::filesystem::path& appFolder,
                 const std::optional<std::filesystem::path>& pages)
    : platform_(platform),
      paths_(AppPaths::resolve(appFolder, pages)),
      page(actions),
      output(page, holders, platform, paths_, actions),
      zones(actions),
      shipping(page, holders, style, zones.ZoneRateText, platform, actions),
      payment(page, actions),
      shippingPieces(shipping.rowPieces()),
      colours(page, holders, shippingPieces, style, platform, actions),
      boldSize(page, holders, shippingPieces, style, actions),
      layout(page, holders, shippingPieces, style, platform, actions) {
  actions.RefreshPreview = [this] { output.RefreshPreview(); };
  actions.BuildShippingSection = [this] { shipping.BuildShippingSection(); };
  actions.BuildPaymentSection = [this] { payment.BuildPaymentSection(); };
  actions.ShowListingChecks = [this] { showListingChecks(); };
  actions.FitBanner = [this] { layout.fitBanner(); };
  actions.Refitting = [this](const std::function<void()>& change) { layout.refitting(change); };
  cmdHome.onClick([this] {
    std::string url = homePageUrl();
    if (url.empty()) {
      platform_.showMessage(std::string("使い方のページが見つかりません。\r\n") + kHomePage +
                                "\r\n\r\nBidquillを入れ直すと、使い方のページも戻ります。",
                            "Bidquill", MessageIcon::Warning);
    } else if (!platform_.openUrl(url)) {
      platform_.showMessage("ホームページを開けませんでした。\r\n" + url +
                                "\r\n\r\n既定のブラウザーが設定されているか確かめてください。",
                            "Bidquill", MessageIcon::Warning);
    }
  });
  registerAll();
}

frmMain::frmMain(Platform& platform, const std::filesystem::path& appFolder, Offscreen)
    : frmMain(platform, appFolder, std::filesystem::path()) {
  offscreen_ = true;
  output.showNothing();
}

void frmMain::progress() {
  platform_.splash().setProgress(++step_);
}

std::vector<std::filesystem::path> frmMain::Load() {
  PageOutput::Deferred onePage(output);  // start-up shows one page, made as it ends
  Splash& splash = platform_.splash();
  splash.show(kStartupSteps);
  platform_.processEvents();
  progress();  // the window is placed by the desktop program
  progress();  // so is the tool strip

  auto selectSizes = [this](const char* stem, int first, int last) {
    for (int i = first; i <= last; ++i) {
      boldSize.sizeBox(stem + std::to_string(i) + "FS").setListIndex(1);
    }
    progress();
  };
  selectSizes("cmbT", 1, 4);
  selectSizes("cmbT", 5, 8);
  selectSizes("cmbE", 1, 4);
  selectSizes("cmbE", 5, 8);

  colours.setStartColours();
  progress();
  progress();
  progress();
  layout.cmbCellspacing.setListIndex(0);
  layout.cmbCellpadding.setListIndex(2);
  progress();

  setStartTexts();
  std::vector<std::filesystem::path> missing = loadTemplates();

  shipping.copyTemplates();
  style.ShippingTableWidth = "100";
  progress();
  progress();  // with the row fragments above

  for (int i = 1; i <= kSections; ++i) page.section(i).txtTag1.setText(holders.rtxtTag1.text());
  progress();
  for (int i = 1; i <= kSections; ++i) {
    page.section(i).txtTag2.setText(holders.rtxtTag2.text());
    page.section(i).txtTag3.setText(holders.rtxtTag3.text());
  }
  progress();

  zones.fillPrefectures();
  progress();
  progress();
  progress();
  zones.cmbSend.setListIndex(13);  // 東京都

  style.setStartValues();
  zones.WeightSurcharge = 0;
  shipping.BuildShippingSection();
  progress();
  if (paths_.temp.empty() && !offscreen_) {
    platform_.showMessage(
        "プレビュー用の一時フォルダーを作れませんでした。\r\n"
        "$XDG_RUNTIME_DIR、キャッシュフォルダー、一時フォルダーのどれも使えません。\r\n\r\n"
        "ライブプレビューなしで続けます。HTMLタグの作成とコピーはいつもどおりできます。",
        "Bidquill", MessageIcon::Warning);
  }
  // What start-up set is the program's; from here on changes are the seller's.
  document.watch();
  if (!offscreen_) history.watch();
  return missing;
}

// The titles, shipping and payment names a new listing starts with.
void frmMain::setStartTexts() {
  const char* titles[] = {"商品名",   "商品説明", "商品状態", "",
                          "発送方法", "支払方法", "注意事項", ""};
  for (int i = 1; i <= kSections; ++i) page.section(i).txtTitle.setText(titles[i - 1]);
  progress();

  const char* sendNames[] = {
      "普通郵便",         "定形外郵便", "ゆうパック", "冊子小包", "", "ヤマト運輸",
      "クロネコメール便", "佐川急便",   "ペリカン便", "手渡し",   "", ""};
  for (int i = 1; i <= 6; ++i) shipping.row(i).txtSend.setText(sendNames[i - 1]);
  progress();
  for (int i = 7; i <= 12; ++i) shipping.row(i).txtSend.setText(sendNames[i - 1]);
  progress();

  const char* bankNames[] = {"Yahoo!ペイメント",
                             "銀行振込",
                             "郵便貯金 ぱるる",
                             "",
                             "ジャパンネットバンク決済",
                             "イーバンク銀行決済",
                             "みずほ銀行決済",
                             "UFJ銀行決済",
                             "スルガ銀行ソフトバンク支店決済",
                             "",
                             "現金書留",
                             "郵便振替",
                             "代金引換",
                             "クレジットカード",
                             "NTTコム・セーフティパス決済",
                             ""};
  payment.txtBankPunc.setText("， ");
  for (int i = 1; i <= 8; ++i) payment.row(i).txtBank.setText(bankNames[i - 1]);
  progress();
  for (int i = 9; i <= 16; ++i) payment.row(i).txtBank.setText(bankNames[i - 1]);
  progress();
  for (int i = 1; i <= 8; ++i) payment.row(i).chkBank.setValue(0);
  progress();
  for (int i = 9; i <= 16; ++i) payment.row(i).chkBank.setValue(0);
  progress();
}

// The templates into their holders; the ones that could not be read. Bytes no encoding reads
// and NULs are told, with the file and the line.
std::vector<std::filesystem::path> frmMain::loadTemplates() {
  std::vector<std::filesystem::path> missing;
  std::string unreadable, nuls;  // templates with bytes no encoding reads, or NULs, and where
  for (std::size_t k = 0; k < kTemplateFiles.size(); ++k) {
    const TemplateFile& t = kTemplateFiles[k];
    std::filesystem::path file = paths_.tags / t.file;
    TemplateText read = loadTemplate(file);
    auto where = [&](std::size_t line) {
      return displayPath(file) + "（" + std::to_string(line) + " 行目）\r\n";
    };
    if (read.text) {
      holders.byName(t.holder)->setText(*read.text);
      if (read.badLine) unreadable += where(read.badLine);
      if (read.nulLine) nuls += where(read.nulLine);
    } else {
      missing.push_back(file);
    }
    if (k == 4) progress();  // after yahoo_1, head, tag1, tag2, pr
  }
  if (!unreadable.empty() && !offscreen_) {
    platform_.showMessage(
        "テンプレートファイルに、UTF-8 としてもシフトJIS（コードページ932）としても読めない文字が"
        "あります。\r\n" +
            unreadable +
            "\r\n読めない文字は「\xEF\xBF\xBD」としてページに入ります。テンプレートを UTF-8 "
            "で保存し"
            "直すか、Bidquill を入れ直してください。",
        "Bidquill", MessageIcon::Warning);
  }
  if (!nuls.empty() && !offscreen_) {
    platform_.showMessage("テンプレートファイルに NUL 文字（0x00）があります。\r\n" + nuls +
                              "\r\nNUL 文字は読み飛ばしてページを作ります。テンプレートを保存し"
                              "直すか、Bidquill を入れ直してください。",
                          "Bidquill", MessageIcon::Warning);
  }
  return missing;
}

void frmMain::keyDown(TextBox& box, std::int16_t& keyCode) {
  xTextBox_.setXTextBox(&box);
  xTextBox_.EventKeyDown(keyCode);
}

std::string frmMain::pastedText(const TextBox& box, const std::string& text) const {
  for (int i = 1; i <= kSections; ++i) {
    const Section& s = page.section(i);
    if (&box == &s.txtTitle || &box == &s.txtEdit) return clsXTextBox::pastedLines(text);
  }
  return text;
}

namespace {

ListingReport reportOf(const std::vector<checks::Finding>& findings, std::string size) {
  ListingReport r;
  for (const checks::Finding& f : findings) {
    r.findings.push_back(checks::describe(f));
    r.fixable = r.fixable || f.fixable;
  }
  r.size = std::move(size);
  return r;
}

}  // namespace

ReportMaker frmMain::listingReportMaker() {
  // Copies of the texts, so that the report may be made while the seller goes on typing.
  std::shared_ptr<const checks::ListingCopy> copy = checks::copyListing(*this);
  std::string size = checks::pageSize(output.txtTag.text());
  return [copy, size] { return reportOf(checks::checkCopy(*copy), size); };
}

ListingReport frmMain::listingReport() {
  return reportOf(checks::checkListing(*this), checks::pageSize(output.txtTag.text()));
}

void frmMain::showListingChecks() {
  platform_.previewWindow().showReport(listingReportMaker(), [this] {
    // The page is made, shown, checked and copied again, so the clipboard holds the mended page.
    checks::fixStrayLessThan(*this);
    output.cmdPreviewClick();
  });
}

std::string frmMain::homePageUrl() const {
  std::error_code ec;
  for (const std::filesystem::path& guide :
       {paths_.app / kHomePage, paths_.app.parent_path() / "share" / "bidquill" / kHomePage}) {
    if (std::filesystem::exists(guide, ec)) {
      return "file://" + displayPath(std::filesystem::absolute(guide, ec));
    }
  }
  return {};
}

DimensionBox* frmMain::dimension(const std::string& textBoxName) {
  for (DimensionBox* d : {&layout.width, &layout.height, &layout.titleWidth, &shipping.width}) {
    if (d->txt.name() == textBoxName) return d;
  }
  return nullptr;
}

void frmMain::registerAll() {
  page.registerIn(registry_);
  output.registerIn(registry_);
  style.registerIn(registry_);
  zones.registerIn(registry_);
  shipping.registerIn(registry_);
  payment.registerIn(registry_);
  colours.registerIn(registry_);
  boldSize.registerIn(registry_);
  layout.registerIn(registry_);
  settings.registerIn(registry_);
  registry_.add(history.cmdUndo);
  registry_.add(history.cmdRedo);
  registry_.add(cmdHome);
}

}  // namespace bq

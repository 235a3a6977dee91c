// Assembling the page, the live preview, the preview window, the temporary files and the
// clipboard. RefreshPreview is the one routine that assembles the page.
#pragma once

#include <array>
#include <filesystem>
#include <string>
#include <vector>

#include "core/actions.h"
#include "core/app_folder.h"
#include "forms/controls.h"
#include "forms/platform.h"
#include "forms/registry.h"
#include "page/page_encoder.h"
#include "page/page_model.h"

namespace bq {

struct PageHolders {
  TextHolder rtxtYahooTag1{"rtxtYahooTag1"};
  TextHolder rtxtTagHead{"rtxtTagHead"};
  TextHolder rtxtTag1{"rtxtTag1"};
  TextHolder rtxtTag2{"rtxtTag2"};
  TextHolder rtxtTagPR{"rtxtTagPR"};
  TextHolder rtxtTag3{"rtxtTag3"};
  TextHolder rtxtTag4{"rtxtTag4"};
  TextHolder rtxtSendHead{"rtxtSendHead"};
  TextHolder rtxtFirst{"rtxtFirst"};
  TextHolder rtxtSendTag1{"rtxtSendTag1"};
  TextHolder rtxtSendTag2{"rtxtSendTag2"};
  TextHolder rtxtSendTag3{"rtxtSendTag3"};

  std::array<TextHolder*, 12> all();
  TextHolder* byName(const std::string& name);
};

class PageOutput {
 public:
  PageOutput(PageModel& page, PageHolders& holders, Platform& platform, const AppPaths& paths,
             Actions& actions);

  // Assembles the page into txtTag, writes temp.htm and shows it, keeping the scroll position.
  // Does nothing while real-time preview is off, nor in a copy that shows nothing. While a
  // Deferred lives it only marks the page stale.
  void RefreshPreview();

  // One page per seller action: while the outermost of these lives (the history's Action holds
  // one, start-up another), the handlers' refreshes mark the page stale, and its end assembles
  // the page once. Whatever the page assembled to is the same as the last handler's refresh
  // would have made it.
  class Deferred {
   public:
    explicit Deferred(PageOutput& o) : o_(o) { ++o_.deferred_; }
    ~Deferred() {
      if (--o_.deferred_ == 0 && o_.stale_) o_.refreshSteps();
    }
    Deferred(const Deferred&) = delete;
    Deferred& operator=(const Deferred&) = delete;

   private:
    PageOutput& o_;
  };
  // Pages assembled so far: for the benchmark that counts them per action.
  int assemblies() const { return assemblies_; }
  // A copy that shows nothing (batches, the gallery): pages are made only when asked for.
  void showNothing() { showsNothing_ = true; }
  // The preview-and-copy command.
  void cmdPreviewClick();

  std::filesystem::path tempPage() const { return paths_.temp / "temp.htm"; }
  std::filesystem::path tempFramedPage() const { return paths_.temp / "temp_yahoo.htm"; }

  // Assembles and writes the page whatever real-time preview says, and returns it.
  const std::string& assembleNow();
  // The page last assembled, in code page 932 as the page files hold it (character references
  // for what it cannot hold exactly), in pieces.
  std::vector<std::string_view> encodedPage() const { return encoder_.bytes(); }

  void registerIn(Registry& r);

  CheckBox chkRealTP{"chkRealTP", "リアルタイムにプレビューする", 1};
  CheckBox chkFirst{"chkFirst", "「商品について」を表示する", 1};
  PushButton cmdPreview{"cmdPreview", "プレビュー"};
  TextBox txtTag{"txtTag"};

 private:
  void refreshSteps();
  void chkFirstClick();
  std::vector<const std::string*> pieces() const;

  PageModel& page_;
  PageHolders& holders_;
  Platform& platform_;
  const AppPaths& paths_;
  Actions& actions_;
  // Writes the page file; a failure is told once, and so is the recovery.
  bool writePage(const std::filesystem::path& file, const std::vector<std::string_view>& bytes);

  PageEncoder encoder_;
  std::uint64_t lastWritten_ = 0;  // the hash of the page last written
  std::uint64_t assembled_ = 0;    // the hash of the pieces txtTag was built from
  bool writeFailing_ = false;
  bool showsNothing_ = false;
  int deferred_ = 0;
  bool stale_ = false;  // a refresh was asked for while deferred
  int assemblies_ = 0;
};

}  // namespace bq

// The engine without a window: a second frmMain that shows nothing and writes no page files,
// started as the program starts and given a listing. Batches and the design gallery make their
// pages here, so the seller's own listing, its modified mark and its preview stay as they are.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "app/window/frm_main.h"
#include "files/failure.h"
#include "forms/headless_platform.h"
#include "settings/ini_document.h"

namespace bq {

class OffscreenForm {
 public:
  explicit OffscreenForm(const std::filesystem::path& appFolder);

  // Starts the engine (the templates); why it cannot, in Japanese, or nothing.
  Failure start();
  // Takes a listing as saving would write it (the window's state, or a file read whole).
  Failure take(const IniDocument& listing);
  // Starts and takes the window's listing as it is now: a copy to make pages in.
  Failure startAsCopyOf(frmMain& window);
  // Opens a settings file whole, as 設定ファイルを開く does.
  Failure open(const std::filesystem::path& file);
  // Applies a design file: everything but the titles and bodies.
  Failure openDesign(const std::filesystem::path& file);

  // The page as it is now (assembled, not written anywhere).
  const std::string& page() { return form_.output.assembleNow(); }

  frmMain& form() { return form_; }
  HeadlessPlatform& platform() { return platform_; }

 private:
  // What a load said when it did not bring the file in.
  Failure loadResult(bool loaded, std::size_t messagesBefore);

  HeadlessPlatform platform_;
  frmMain form_;
};

}  // namespace bq

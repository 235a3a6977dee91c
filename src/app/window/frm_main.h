// The main window as a headless model: it owns every control and the shared style state,
// wires the subsystems together and runs the start-up sequence.
#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/document/document.h"
#include "app/document/history.h"
#include "app/document/settings_file.h"
#include "app/window/x_text_box.h"
#include "core/actions.h"
#include "core/app_folder.h"
#include "forms/controls.h"
#include "forms/platform.h"
#include "forms/registry.h"
#include "page/page_model.h"
#include "page/page_output.h"
#include "shipping/payment_list.h"
#include "shipping/shipping_table.h"
#include "shipping/zone_rates.h"
#include "style/bold_size.h"
#include "style/colour_style.h"
#include "style/style_state.h"
#include "style/table_layout.h"

namespace bq {

inline constexpr int kStartupSteps = 26;

// The address cmdHome opens. Until Bidquill has a public site it is the guide shipped beside
// the program, a local page that always exists.
inline constexpr const char* kHomePage = "docs/guide.html";

class frmMain {
  // First, as every subsystem below is handed them.
  Platform& platform_;
  AppPaths paths_;

 public:
  frmMain(Platform& platform, const std::filesystem::path& appFolder);
  // The pages go to `pages` (empty: nowhere), never to the program's per-user folders, which
  // are then not even made (the command line, the offscreen copies).
  frmMain(Platform& platform, const std::filesystem::path& appFolder,
          const std::optional<std::filesystem::path>& pages);
  // A copy that shows nothing and writes no page files (batches, the gallery's previews): the
  // seller's window and its preview are never touched by what it makes.
  struct Offscreen {};
  frmMain(Platform& platform, const std::filesystem::path& appFolder, Offscreen);
  frmMain(const frmMain&) = delete;
  frmMain& operator=(const frmMain&) = delete;

  // The start-up sequence. Returns the template files that could not be read (empty when all
  // twelve loaded); the caller tells the seller.
  std::vector<std::filesystem::path> Load();

  // Key down in a title or body box.
  void keyDown(TextBox& box, std::int16_t& keyCode);
  // What pasting the text into the box puts there: in a title or body box, line breaks as
  // Enter gives them.
  std::string pastedText(const TextBox& box, const std::string& text) const;
  // The home page: the guide's address, opened in the default browser; empty when the guide
  // is not where it was installed.
  std::string homePageUrl() const;
  // The listing checks over the page as it is now.
  ListingReport listingReport();
  // The same, made later (and on any thread) from copies of what it checks.
  ReportMaker listingReportMaker();
  void showListingChecks();
  // The width or height entry whose text box has this name, if it is one.
  DimensionBox* dimension(const std::string& textBoxName);

  Registry& registry() { return registry_; }
  Platform& platform() { return platform_; }
  const AppPaths& paths() const { return paths_; }
  // Writes this form's page files into `folder` instead of the per-user folder a running window
  // previews (the command line's own). Before Load.

  Actions actions;
  StyleState style;
  PageHolders holders;
  PageModel page;
  PageOutput output;
  ZoneRates zones;
  ShippingTable shipping;
  PaymentList payment;
  // What style rewrites of the shipping table, handed over so that style needs no shipping.
  ShippingRowPieces shippingPieces;
  ColourStyle colours;
  BoldAndSize boldSize;
  TableLayout layout;
  Document document{*this};
  SettingsFile settings{*this};
  History history{*this};
  PushButton cmdHome{"cmdHome", "ホームページ"};

 private:
  void progress();
  // Parts of Load, in its order (the splash counts their steps).
  void setStartTexts();
  std::vector<std::filesystem::path> loadTemplates();
  void registerAll();

  Registry registry_;
  clsXTextBox xTextBox_;
  int step_ = 0;
  bool offscreen_ = false;
};

}  // namespace bq

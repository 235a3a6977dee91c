#include "app/copies/offscreen_form.h"

#include "core/templates.h"

namespace bq {

OffscreenForm::OffscreenForm(const std::filesystem::path& appFolder)
    : form_(platform_, appFolder, frmMain::Offscreen{}) {}

std::optional<std::string> OffscreenForm::start() {
  auto missing = form_.Load();
  if (!missing.empty()) return missingTemplateMessage(missing);
  return std::nullopt;
}

std::optional<std::string> OffscreenForm::loadResult(bool loaded, std::size_t messagesBefore) {
  if (loaded) return std::nullopt;
  if (platform_.messages.size() > messagesBefore) return platform_.messages.back().text;
  return std::string("設定ファイルを読み込めませんでした。");
}

std::optional<std::string> OffscreenForm::take(const IniDocument& listing) {
  // The listing is what this program wrote a moment ago: a key it cannot read back is a fault
  // of the program, named so that it can be reported.
  if (auto stop = form_.settings.readAll(listing)) {
    return "今の内容を写せませんでした（[" + stop->section + "] " + stop->key + "）。";
  }
  return std::nullopt;
}

std::optional<std::string> OffscreenForm::startAsCopyOf(frmMain& window) {
  IniDocument listing;
  window.settings.writeAll(listing);
  if (auto error = start()) return error;
  return take(listing);
}

std::optional<std::string> OffscreenForm::open(const std::filesystem::path& file) {
  std::size_t before = platform_.messages.size();
  return loadResult(form_.settings.openWithoutDialog(file), before);
}

std::optional<std::string> OffscreenForm::openDesign(const std::filesystem::path& file) {
  std::size_t before = platform_.messages.size();
  return loadResult(form_.settings.openDesign(file), before);
}

}  // namespace bq

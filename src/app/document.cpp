#include "app/document.h"

#include <system_error>

#include "app/frm_main.h"
#include "core/app_folder.h"
#include "files/safe_file.h"
#include "settings/ini_document.h"
#include "settings/settings_keys.h"

namespace fs = std::filesystem;

namespace bq {
namespace {

constexpr const char* kUntitled = "無題";
// Where a recovery file says which settings file the work belongs to.
constexpr const char* kRecoverySection = "Bidquill.Recovery";

}  // namespace

Document::Document(frmMain& form) : form_(form) {}

void Document::watch() {
  if (watching_) return;
  watching_ = true;
  for (const SettingKey& k : settingKeys()) {
    form_.registry().find(k.control)->observe([this] { changed(); });
  }
}

void Document::changed() {
  if (!watching_ || quiet_ > 0) return;
  recoveryStale_ = true;
  setModified(true);
}

void Document::setModified(bool m) {
  if (m != modified_) setState(file_, m);
}

void Document::setState(fs::path file, bool modified) {
  file_ = std::move(file);
  modified_ = modified;
  if (onStateChange) onStateChange();
}

std::string Document::windowTitleTemplate() const {
  std::string name = file_.empty() ? kUntitled : displayPath(file_.filename());
  return name + "[*] — Bidquill";
}

std::string Document::windowTitle() const {
  std::string t = windowTitleTemplate();
  return t.replace(t.find("[*]"), 3, modified_ ? "*" : "");
}

void Document::opened(const fs::path& file) {
  recoveryStale_ = false;
  setState(file, false);
  discardRecovery();
}

void Document::saved(const fs::path& file) {
  opened(file);
  if (onSaved) onSaved(file);
}

bool Document::settleChanges() {
  if (!modified_) return true;
  // Whatever the answer, the work is safe from a crash while the question is open.
  writeRecovery();
  std::string name = file_.empty() ? kUntitled : displayPath(file_.filename());
  Question q;
  q.title = "Bidquill";
  q.text = "「" + name + "」の変更を保存しますか？\r\n\r\n保存しないと、変更した内容は失われます。";
  q.choices = {{"save", "保存"}, {"discard", "保存しない"}, {"cancel", "キャンセル"}};
  q.escapeKey = "cancel";
  std::string answer = form_.platform().ask(q);
  if (answer == "discard") return true;
  if (answer == "save") return save();
  return false;
}

bool Document::save() {
  if (file_.empty()) return saveAs();
  return form_.settings.saveTo(file_);
}

bool Document::saveAs() {
  return form_.settings.SaveINIfile();
}

bool Document::openFile(const fs::path& file) {
  if (!settleChanges()) return false;
  return form_.settings.openWithoutDialog(file);
}

bool Document::close() {
  if (closed_) return true;
  if (!settleChanges()) return false;
  discardRecovery();
  closed_ = true;
  return true;
}

bool Document::writeRecovery() {
  if (recovery_.empty() || !modified_ || !recoveryStale_) return false;
  IniDocument doc;
  form_.settings.writeAll(doc);
  std::string original = displayPath(file_);
  if (!doc.canHold(original)) doc.convertToUtf16();
  doc.write(kRecoverySection, "File", original);
  std::error_code ec;
  fs::create_directories(recovery_.parent_path(), ec);
  // The seller's unsaved work is nobody else's to read.
  fs::permissions(recovery_.parent_path(), fs::perms::owner_all, ec);
  // A recovery file that cannot be written costs nothing now; the next attempt may succeed.
  if (files::saveFileSafely(recovery_, doc.serialize())) return false;
  recoveryStale_ = false;
  return true;
}

bool Document::offerRecovery(const fs::path& left) {
  std::error_code ec;
  if (!fs::is_regular_file(left, ec)) return false;
  Question q;
  q.title = "Bidquill";
  q.text =
      "前回、保存されないまま終わった作業があります。\r\n\r\n"
      "復元すると、その内容を開きます（まだ保存されていません）。"
      "破棄すると、その内容は失われます。";
  q.choices = {{"restore", "復元する"}, {"discard", "破棄する"}};
  q.escapeKey = "restore";  // closing the box must not lose the work
  if (form_.platform().ask(q) != "restore") {
    fs::remove(left, ec);
    return false;
  }
  // A recovery file that does not load stays where the message says, to be opened by hand.
  return restore(left);
}

bool Document::restore(const fs::path& left) {
  files::ReadResult r = files::readRegularFile(left, {kMaxSettingsFile, kMaxUtf16SettingsFile});
  if (r.error != files::ReadError::None) {
    form_.platform().showMessage(
        "前回の作業を復元できませんでした。\r\n" + displayPath(left) + "\r\n" + r.reason,
        "Bidquill", MessageIcon::Warning);
    return false;
  }
  IniDocument doc = IniDocument::parse(std::move(r.bytes));
  if (!form_.settings.restoreFrom(doc, left)) return false;
  fs::path restoredFile = fs::u8path(doc.read(kRecoverySection, "File").value_or(""));
  // The restored work is this run's unsaved work now.
  std::error_code ec;
  if (!recovery_.empty() && left != recovery_) {
    fs::create_directories(recovery_.parent_path(), ec);
    fs::rename(left, recovery_, ec);
  }
  recoveryStale_ = static_cast<bool>(ec);
  setState(restoredFile, true);
  return true;
}

void Document::discardRecovery() {
  std::error_code ec;
  if (!recovery_.empty()) fs::remove(recovery_, ec);
}

}  // namespace bq

#include "app/document/document.h"

#include <sys/stat.h>

#include <cctype>
#include <ctime>
#include <system_error>

#include "app/window/frm_main.h"
#include "core/app_folder.h"
#include "files/safe_file.h"
#include "settings/ini_document.h"
#include "settings/settings_keys.h"
#include "text/cp932.h"

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
  markModified();
}

void Document::markModified() {
  lastChange_ = std::chrono::steady_clock::now();
  if (!recoveryStale_) firstStale_ = lastChange_;
  recoveryStale_ = true;
  setModified(true);
}

bool Document::recoveryDue(std::chrono::steady_clock::time_point now) const {
  using std::chrono::milliseconds;
  // A write that fails is tried again only as often as changes going on are written.
  if (recoveryFailing_ && now - lastAttempt_ < milliseconds(kRecoveryMostMs)) return false;
  return modified_ && recoveryStale_ &&
         (now - lastChange_ >= milliseconds(kRecoveryPauseMs) ||
          now - firstStale_ >= milliseconds(kRecoveryMostMs));
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
  settled(file);
  form_.history.restart();
}

void Document::saved(const fs::path& file) {
  settled(file);
  form_.history.markSaved();
  if (onSaved) onSaved(file);
}

void Document::settled(const fs::path& file) {
  recoveryStale_ = false;
  setState(file, false);
  discardRecovery();
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
  lastAttempt_ = std::chrono::steady_clock::now();
  IniDocument doc;
  form_.settings.writeAll(doc);
  std::string original = displayPath(file_);
  if (!doc.canHold(original)) doc.convertToUtf16();
  doc.write(kRecoverySection, "File", original);
  std::string bytes = doc.serialize();
  // As the pages are written: into a folder that is ours alone (never a link, never another
  // user's, whose permissions are then not ours to change), through a new file and a rename,
  // so that a link planted at the name is replaced, not followed.
  auto writeTo = [&](const fs::path& file) -> std::optional<std::string> {
    if (!files::makePrivateFolder(file.parent_path())) {
      return std::string(
          "フォルダーが自分専用ではありません（リンク、または別のユーザーのもの）。");
    }
    return files::writePrivateFile(file, bytes);
  };
  std::optional<std::string> error = writeTo(recovery_);
  fs::path fallback =
      form_.paths().temp.empty() ? fs::path() : form_.paths().temp / recovery_.filename();
  if (error && !fallback.empty() && fallback != recovery_ && !writeTo(fallback)) {
    form_.platform().showStatus("復元用の控えは " + displayPath(fallback) + " に書きます（" +
                                displayPath(recovery_.parent_path()) + ": " + *error + "）");
    recovery_ = fallback;
    error.reset();
  }
  // Said once when it starts failing, and once when it works again.
  if (error && !recoveryFailing_) {
    form_.platform().showStatus("復元用の控えを書き込めません（" + *error + "）" +
                                displayPath(recovery_) +
                                " — 保存するまで、異常終了すると変更は戻りません。");
  } else if (!error && recoveryFailing_) {
    form_.platform().showStatus("復元用の控えをまた書き込めるようになりました。");
  }
  recoveryFailing_ = error.has_value();
  if (error) return false;
  recoveryStale_ = false;
  return true;
}

namespace {

// "2026年12月8日 23:10", the local time the file was last written.
std::string writtenAt(const fs::path& file) {
  struct stat st;
  if (::lstat(file.c_str(), &st) != 0) return {};
  std::tm tm{};
  ::localtime_r(&st.st_mtime, &tm);
  char text[64];
  std::strftime(text, sizeof text, "%Y年%m月%d日 %H:%M", &tm);
  return text;
}

// A recovery file names the settings file its work belongs to; a later Ctrl+S writes there, so
// only a settings file is taken: an absolute path ending in ".ini" that is a regular file or
// not there yet.
bool isSettingsFileName(const fs::path& file) {
  std::string ext = file.extension().string();
  for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  std::error_code ec;
  fs::file_status st = fs::status(file, ec);
  return file.is_absolute() && ext == ".ini" &&
         (st.type() == fs::file_type::regular || st.type() == fs::file_type::not_found);
}

}  // namespace

bool Document::offerRecovery(const fs::path& left) {
  // Only a file of the seller's own: a link or another user's file is refused, with the reason.
  files::ReadResult r =
      files::readRegularFile(left, {kMaxSettingsFile, kMaxUtf16SettingsFile, true});
  std::error_code ec;
  if (r.error == files::ReadError::NotFound) return false;
  if (r.error != files::ReadError::None) {
    std::string why = r.error == files::ReadError::TooLarge ? "ファイルが大きすぎます。" : r.reason;
    form_.platform().showMessage("前回の作業の控えを使えません。\r\n" + displayPath(left) + "\r\n" +
                                     why + "\r\n\r\nこのファイルは開かずに取り除きました。",
                                 "Bidquill", MessageIcon::Warning);
    fs::remove(left, ec);  // removes a link, never what it points to
    return false;
  }
  IniDocument doc = IniDocument::parse(std::move(r.bytes));
  std::string original = doc.read(kRecoverySection, "File").value_or("");
  if (text::utf8Length(original) > 200) {
    original.resize(text::utf8Offset(original, 200));
    original += "…";
  }
  Question q;
  q.title = "Bidquill";
  q.text =
      "前回、保存されないまま終わった作業があります。\r\n\r\n"
      "設定ファイル: " +
      (original.empty() ? std::string(kUntitled) : original) +
      "\r\n最後に控えた日時: " + writtenAt(left) +
      "\r\n\r\n"
      "「復元する」と、その内容を開きます（まだ保存されていません）。"
      "「破棄する」と、その控えを削除します。変更は失われ、元の設定ファイルは変わりません。";
  q.choices = {{"restore", "復元する"}, {"discard", "破棄する"}};
  q.escapeKey = "restore";  // closing the box must not lose the work
  if (form_.platform().ask(q) != "restore") {
    fs::remove(left, ec);
    return false;
  }
  // A recovery file that does not load stays where the message says, to be opened by hand.
  return restore(left, doc);
}

bool Document::restore(const fs::path& left, const IniDocument& doc) {
  if (!form_.settings.restoreFrom(doc, left)) return false;
  fs::path restoredFile = fs::u8path(doc.read(kRecoverySection, "File").value_or(""));
  if (!restoredFile.empty() && !isSettingsFileName(restoredFile)) {
    form_.platform().showMessage(
        "復元した作業の設定ファイル名「" + displayPath(restoredFile) +
            "」は設定ファイルを指していないため、無題として開きました。保存するときは名前を"
            "付けてください。",
        "Bidquill", MessageIcon::Warning);
    restoredFile.clear();
  }
  // The restored work is this run's unsaved work now.
  std::error_code ec;
  if (!recovery_.empty() && left != recovery_) {
    fs::create_directories(recovery_.parent_path(), ec);
    fs::rename(left, recovery_, ec);
  }
  recoveryStale_ = static_cast<bool>(ec);
  setState(restoredFile, true);
  form_.history.restart(false);
  return true;
}

void Document::discardRecovery() {
  std::error_code ec;
  if (!recovery_.empty()) fs::remove(recovery_, ec);
}

}  // namespace bq

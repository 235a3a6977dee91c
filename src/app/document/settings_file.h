// Saving and loading the seller's settings files: the two buttons, the file dialog, and the
// procedures that write every key of the table and read them back into the controls.
#pragma once

#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "forms/controls.h"
#include "forms/registry.h"
#include "settings/ini_document.h"
#include "settings/settings_keys.h"

namespace bq {

class frmMain;

// Texts with line breaks are kept whole here, one key per text ("Text.Edit1"), escaped.
inline constexpr const char* kMultilineSection = "Bidquill.Multiline";
// Larger files are refused rather than read; a UTF-16 file may hold as many characters.
inline constexpr std::uintmax_t kMaxSettingsFile = 16u * 1024u * 1024u;
inline constexpr std::uintmax_t kMaxUtf16SettingsFile = 2 * kMaxSettingsFile;

// The common dialog that picks settings files; the name confirmed last is offered next time.
struct IniDialog {
  std::string FileName;
  int Flags = 0x806;  // overwrite prompt, hide read-only, path must exist
  std::string Filter = "INI (*.ini)|*.ini";
};

class SettingsFile {
 public:
  explicit SettingsFile(frmMain& form);

  // Both with the file dialog; SaveINIfile says whether the file was saved.
  bool SaveINIfile();
  void LoadINIfile();
  // Saves to the file without the dialog; true when saved.
  bool saveTo(const std::filesystem::path& file);
  // Opens the file as cmdOpen does, without the dialog; true when it was brought in.
  bool openWithoutDialog(const std::filesystem::path& file);
  // Applies the look of a settings file (its design, KeyRole::Look): the seller's texts, shipping
  // and payment stay, the listing is marked modified and keeps its file name. No question is
  // asked, since nothing the seller offers is lost. True when the file loaded whole.
  bool openDesign(const std::filesystem::path& file);
  // Brings in a recovery file's state; true when it loaded whole (else the seller is told).
  bool restoreFrom(const IniDocument& doc, const std::filesystem::path& from);
  void registerIn(Registry& r);

  PushButton cmdOpen{"cmdOpen", "設定ファイルを開く"};
  PushButton cmdSave{"cmdSave", "設定ファイルを保存"};
  PushButton cmdOpenDesign{"cmdOpenDesign", "デザインを読み込む…"};
  IniDialog cdgINI;

  // The value of one key of the file being read, whole; empty when the key is missing.
  std::string ReadIniValue(const std::string& section, const std::string& key) const;
  // One key into the file being written, where it stands or at the end of its section.
  void WriteIniValue(const std::string& section, const std::string& key, const std::string& value);

  // What saving writes now, into an existing document (or a new one).
  void writeAll(IniDocument& doc);
  // The key a file cannot be loaded for, with its value (missing: the file lacks it).
  struct Stop {
    std::string section, key, value;
    bool missing = false;
  };
  // Reads a document into the controls in the loading order. Every key is checked first: a
  // file with a key that cannot be read changes nothing and returns that key.
  std::optional<Stop> readAll(IniDocument doc);
  // The value a key holds now, as saving writes it (a text whole, with its line breaks).
  std::string currentValue(const SettingKey& k) const { return controlValue(k); }
  // Brings the controls to these values (one per key of the table, as currentValue gives
  // them), as loading a file that holds them would; the changes are the program's own.
  void loadValues(std::vector<std::string> values);

 private:
  std::optional<std::string> chooseFile(bool save);
  // What cmdOpen does around a load: real-time preview off while it runs, the preview after.
  bool openAround(const std::function<void()>& load);
  void loadFrom(const std::filesystem::path& file);
  std::string stopText(const Stop& stop) const;
  // The file as a document; nothing (after telling the seller why) when it cannot be read. A
  // file that does not exist is an empty document when saving.
  std::optional<IniDocument> readFile(const std::filesystem::path& file, bool saving);
  std::string controlValue(const SettingKey& k) const;
  // The key's value as read, or what a file without the key means.
  std::string storedValue(const SettingKey& k) const;
  // Whether the key's stored value converts and its control takes it.
  bool acceptable(const SettingKey& k) const;
  void apply(const std::string& section, const std::string& key);
  // Takes the key's raw lines out of what was read.
  std::string textValue(const SettingKey& k);
  void readSteps();
  void warn(const std::string& text);

  frmMain& form_;
  // What ReadIniValue and WriteIniValue address while a load or save runs: the keys read from
  // the file ("section\nkey"), the edits to write into it.
  std::map<std::string, IniDocument::Found> read_;
  std::vector<IniDocument::Edit>* writing_ = nullptr;
  bool loaded_ = false;      // the last LoadINIfile brought a file in
  bool designOnly_ = false;  // a load that leaves the titles and bodies as they are
};

}  // namespace bq

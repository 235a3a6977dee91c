// Saving and loading the seller's settings files: the two buttons, the file dialog, and the
// procedures that write every key of the table and read them back into the controls.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "forms/controls.h"
#include "forms/registry.h"
#include "settings/ini_document.h"
#include "settings/settings_keys.h"

namespace bq {

class frmMain;

// Texts with line breaks are kept whole here, one key per text ("Text.Edit1"), escaped.
inline constexpr const char* kMultilineSection = "Bidquill.Multiline";
// Larger files are refused rather than read.
inline constexpr std::uintmax_t kMaxSettingsFile = 16u * 1024u * 1024u;

// The common dialog that picks settings files; the name confirmed last is offered next time.
struct IniDialog {
  std::string FileName;
  int Flags = 0x806;  // overwrite prompt, hide read-only, path must exist
  std::string Filter = "INI (*.ini)|*.ini";
};

class SettingsFile {
 public:
  explicit SettingsFile(frmMain& form);

  void SaveINIfile();
  void LoadINIfile();
  void registerIn(Registry& r);

  PushButton cmdOpen{"cmdOpen", "設定ファイルを開く"};
  PushButton cmdSave{"cmdSave", "設定ファイルを保存"};
  IniDialog cdgINI;

  // The value of one key of the file being read, whole; empty when the key is missing.
  std::string ReadIniValue(const std::string& section, const std::string& key) const;
  // One key into the file being written, where it stands or at the end of its section.
  void WriteIniValue(const std::string& section, const std::string& key, const std::string& value);

  // What saving writes now, into an existing document (or a new one).
  void writeAll(IniDocument& doc);
  // Reads a document into the controls in the loading order; on a key that fails, returns it
  // with its value.
  struct Stop {
    std::string section, key, value;
  };
  std::optional<Stop> readAll(const IniDocument& doc);

 private:
  std::optional<std::string> chooseFile(bool save);
  // The file as a document; nothing (after telling the seller why) when it cannot be read. A
  // file that does not exist is an empty document unless it must exist.
  std::optional<IniDocument> readFile(const std::filesystem::path& file, bool mustExist);
  std::string controlValue(const SettingKey& k) const;
  bool apply(const IniDocument& doc, const std::string& section, const std::string& key);
  std::string textValue(const IniDocument& doc, const SettingKey& k) const;
  std::optional<Stop> readSteps(const IniDocument& doc);
  void warn(const std::string& text);

  frmMain& form_;
  // The documents ReadIniValue and WriteIniValue address while a load or save runs.
  const IniDocument* reading_ = nullptr;
  IniDocument* writing_ = nullptr;
  std::optional<Stop> stop_;
  bool loaded_ = false;  // the last LoadINIfile read a file
};

// Writes the bytes to a temporary file beside the target and renames it over the target, so
// that a failure leaves the old file whole. Returns why it failed (in Japanese), or nothing.
std::optional<std::string> replaceFileAtomically(const std::filesystem::path& target,
                                                 const std::string& bytes);

}  // namespace bq

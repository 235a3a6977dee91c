#include "settings/settings_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <random>
#include <system_error>

#include "app/app_folder.h"
#include "app/frm_main.h"
#include "settings/conversions.h"

namespace fs = std::filesystem;

namespace bq {
namespace {

std::string reason(int err) {
  switch (err) {
    case EACCES:
    case EPERM:
      return "書き込みが許可されていません。";
    case ENOSPC:
      return "ディスクの空き容量が足りません。";
    case ENOENT:
      return "フォルダーが見つかりません。";
    case EROFS:
      return "読み取り専用の場所です。";
    default:
      return std::strerror(err);
  }
}

std::string firstLine(const std::string& text) {
  return text.substr(0, text.find_first_of("\r\n"));
}

bool hasLineBreak(const std::string& text) {
  return text.find_first_of("\r\n") != std::string::npos;
}

}  // namespace

std::optional<std::string> replaceFileAtomically(const fs::path& target, const std::string& bytes) {
  std::error_code ec;
  bool existed = fs::exists(target, ec);
  fs::perms perms = fs::perms::unknown;
  if (existed) {
    perms = fs::status(target, ec).permissions();
    if ((perms & fs::perms::owner_write) == fs::perms::none) return "ファイルが読み取り専用です。";
  }
  static std::mt19937 rng{std::random_device{}()};
  fs::path tmp = target.parent_path() /
                 ("." + target.filename().string() + "." + std::to_string(rng()) + ".tmp");
  std::FILE* f = std::fopen(tmp.string().c_str(), "wb");
  if (!f) return reason(errno);
  bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  ok = std::fflush(f) == 0 && ok;
  int err = errno;
  ok = std::fclose(f) == 0 && ok;
  if (!ok) {
    fs::remove(tmp, ec);
    return reason(err ? err : errno);
  }
  if (existed) fs::permissions(tmp, perms, ec);
  fs::rename(tmp, target, ec);
  if (ec) {
    fs::remove(tmp, ec);
    return reason(ec.value());
  }
  return std::nullopt;
}

SettingsFile::SettingsFile(frmMain& form) : form_(form) {
  cmdSave.onClick([this] { SaveINIfile(); });
  cmdOpen.onClick([this] {
    CheckBox& realTime = form_.output.chkRealTP;
    int before = realTime.value();
    realTime.setValue(0);
    LoadINIfile();
    // Only a load that read the file leaves real-time preview as the file (or the stop) left it.
    if (!loaded_) realTime.setValue(before);
    form_.output.RefreshPreview();
  });
}

void SettingsFile::warn(const std::string& text) {
  form_.platform().showMessage(text, "Bidquill", MessageIcon::Warning);
}

std::optional<std::string> SettingsFile::chooseFile(bool save) {
  FileDialogRequest r;
  r.mode = save ? FileDialogMode::Save : FileDialogMode::Open;
  r.fileName = cdgINI.FileName;
  r.filter = cdgINI.Filter;
  r.overwritePrompt = (cdgINI.Flags & 0x2) != 0;
  auto chosen = form_.platform().chooseFile(r);
  if (chosen) cdgINI.FileName = *chosen;
  return chosen;
}

std::optional<IniDocument> SettingsFile::readFile(const fs::path& file, bool mustExist) {
  std::error_code ec;
  if (!fs::exists(file, ec)) {
    if (!mustExist) return IniDocument{};
    warn("設定ファイルが見つかりません。\r\n" + displayPath(file) +
         "\r\n\r\nファイル名を確かめて、もう一度開いてください。");
    return std::nullopt;
  }
  if (fs::file_size(file, ec) > kMaxSettingsFile) {
    warn("設定ファイルが大きすぎます（16MB まで）。\r\n" + displayPath(file) +
         "\r\n\r\nBidquill の設定ファイルか確かめてください。");
    return std::nullopt;
  }
  auto bytes = readWholeFile(file);
  if (!bytes) {
    warn("設定ファイルを読み込めません。\r\n" + displayPath(file) +
         "\r\n\r\nファイルの読み取りが許可されているか確かめてください。");
    return std::nullopt;
  }
  return IniDocument::parse(*bytes);
}

void SettingsFile::SaveINIfile() {
  auto name = chooseFile(true);
  if (!name) return;
  fs::path file = fs::u8path(*name);
  auto doc = readFile(file, false);
  if (!doc) return;
  writeAll(*doc);
  if (auto error = replaceFileAtomically(file, doc->serialize())) {
    warn("設定ファイルを保存できませんでした。\r\n" + displayPath(file) + "\r\n" + *error +
         "\r\n\r\n元のファイルはそのままです。別の場所か別の名前で保存してください。");
  }
}

std::string SettingsFile::controlValue(const SettingKey& k) const {
  const Control& c = *form_.registry().find(k.control);
  // Every encoding but the flag writes the value as the control holds it.
  if (k.encoding == ValueEncoding::Flag) {
    return static_cast<const OptionButton&>(c).value() == 1 ? "True" : "False";
  }
  return valueText(c);
}

void SettingsFile::writeAll(IniDocument& doc) {
  for (const SettingKey& k : settingKeys()) {
    if (k.encoding == ValueEncoding::Text && !doc.canHold(controlValue(k))) {
      doc.convertToUtf16();
      break;
    }
  }
  writing_ = &doc;
  for (const SettingKey& k : settingKeys()) {
    std::string v = controlValue(k);
    // A text's first line is what a Windows reader gets.
    WriteIniValue(k.section, k.key, k.encoding == ValueEncoding::Text ? firstLine(v) : v);
  }
  // Whole texts last, so that a new file holds the table's sections first and in order.
  for (const SettingKey& k : settingKeys()) {
    if (k.encoding != ValueEncoding::Text) continue;
    std::string v = controlValue(k);
    std::string key = k.section + "." + k.key;
    if (hasLineBreak(v)) {
      WriteIniValue(kMultilineSection, key, escapeLines(v));
    } else {
      doc.remove(kMultilineSection, key);
    }
  }
  writing_ = nullptr;
}

std::string SettingsFile::textValue(const IniDocument& doc, const SettingKey& k) const {
  std::string first = ReadIniValue(k.section, k.key);
  std::string whole = ReadIniValue(kMultilineSection, k.section + "." + k.key);
  if (!whole.empty()) {
    std::string text = unescapeLines(whole);
    // Only while the key still says the same: another program may have changed it since.
    if (firstLine(text) == first) return text;
  }
  for (const std::string& line : doc.continuation(k.section, k.key, sectionKeys(k.section))) {
    first += "\n" + line;
  }
  return first;
}

bool SettingsFile::apply(const IniDocument& doc, const std::string& section,
                         const std::string& key) {
  const SettingKey* k = findSettingKey(section, key);
  std::string raw = ReadIniValue(section, key);
  Control* c = form_.registry().find(k->control);
  bool ok = false;
  switch (k->encoding) {
    case ValueEncoding::Text:
      static_cast<TextBox*>(c)->setText(textValue(doc, *k));
      return true;
    case ValueEncoding::Number:
      if (auto v = toInt32(raw)) ok = static_cast<UpDown*>(c)->setValue(*v);
      break;
    case ValueEncoding::ListIndex:
      if (auto v = toInt16(raw)) ok = static_cast<ComboBox*>(c)->setListIndex(*v);
      break;
    case ValueEncoding::Check:
      if (auto v = toInt16(raw)) ok = static_cast<CheckBox*>(c)->setValue(*v);
      break;
    case ValueEncoding::Pressed:
      if (auto v = toInt32(raw)) {
        if (auto* t = dynamic_cast<ToggleButton*>(c)) {
          t->setValue(*v);
        } else {
          static_cast<OptionButton*>(c)->setValue(*v);
        }
        ok = true;
      }
      break;
    case ValueEncoding::Flag:
      if (auto v = toFlag(raw)) {
        static_cast<OptionButton*>(c)->setValue(*v ? 1 : 0);
        ok = true;
      }
      break;
    case ValueEncoding::Colour:
      if (auto v = toInt32(raw)) {
        form_.colours.ApplySlotColor(*form_.colours.slot(k->control), *v);
        ok = true;
      }
      break;
  }
  if (!ok) stop_ = Stop{section, key, raw};
  return ok;
}

std::optional<SettingsFile::Stop> SettingsFile::readAll(const IniDocument& doc) {
  reading_ = &doc;
  auto stop = readSteps(doc);
  reading_ = nullptr;
  return stop;
}

std::optional<SettingsFile::Stop> SettingsFile::readSteps(const IniDocument& doc) {
  stop_.reset();
  auto keys = [&](const std::string& section, std::initializer_list<const char*> names) {
    for (const char* n : names) {
      if (!apply(doc, section, n)) return false;
    }
    return true;
  };
  // Every key of a section, in the table's order.
  auto section = [&](const std::string& name) {
    for (const SettingKey& k : settingKeys()) {
      if (k.section == name && !apply(doc, name, k.key)) return false;
    }
    return true;
  };
  auto prefixed = [&](const std::string& name, const std::string& prefix) {
    for (const SettingKey& k : settingKeys()) {
      if (k.section == name && k.key.rfind(prefix, 0) == 0 && !apply(doc, name, k.key)) {
        return false;
      }
    }
    return true;
  };

  bool ok = keys("Data", {"Width", "WidthTitle", "WidthSend", "Height"}) &&
            keys("Data", {"Cellpadding", "Cellspacing"}) && keys("Data", {"RealTP", "First"}) &&
            prefixed("Text", "Title") && prefixed("Text", "Edit") && section("TextSend") &&
            section("TextMoney") && section("TextBank") && section("Check") &&
            section("CheckSend") && section("CheckBank") && prefixed("FontSize", "Title") &&
            prefixed("FontSize", "Edit") && section("FontBold");
  if (!ok) return stop_;
  form_.boldSize.ApplyBoldSettings();
  if (!section("DataSend")) return stop_;
  if (!keys("Data", {"TableAlign0", "TableAlign1"})) return stop_;
  form_.layout.applyTableAlign();
  if (!keys("Data", {"TableAlignTitle0", "TableAlignTitle1", "TableAlignTitle2"})) return stop_;
  form_.layout.applyTitleAlign();
  if (!keys("Data", {"TabeleLC", "TabeleSendLC"}) || !section("FontColor")) return stop_;
  for (const SettingKey& k : settingKeys()) {
    if (k.section != "BackColor") continue;
    if (!apply(doc, k.section, k.key)) return stop_;
    if (k.key == "Edit5") form_.shipping.BuildShippingSection();
    if (k.key == "Edit6") form_.payment.BuildPaymentSection();
  }
  CheckBox& realTime = form_.output.chkRealTP;
  if (realTime.value() == 0) {
    realTime.setValue(1);
    form_.output.RefreshPreview();
    realTime.setValue(0);
  }
  return std::nullopt;
}

void SettingsFile::LoadINIfile() {
  loaded_ = false;
  auto name = chooseFile(false);
  if (!name) return;
  fs::path file = fs::u8path(*name);
  auto doc = readFile(file, true);
  if (!doc) return;
  loaded_ = true;
  auto stop = readAll(*doc);
  if (stop) {
    warn("設定ファイルの読み込みを途中で止めました。\r\n" + displayPath(file) + "\r\n\r\n[" +
         stop->section + "] の " + stop->key + " の値「" + stop->value +
         "」を読み取れません。\r\nこれより前の項目は読み込まれています。");
  }
}

std::string SettingsFile::ReadIniValue(const std::string& section, const std::string& key) const {
  return reading_ ? reading_->read(section, key).value_or("") : std::string{};
}

void SettingsFile::WriteIniValue(const std::string& section, const std::string& key,
                                 const std::string& value) {
  if (!writing_) return;
  // A text key takes the lines that continued it in a Windows-written file along.
  const SettingKey* k = findSettingKey(section, key);
  bool text = k && k->encoding == ValueEncoding::Text;
  writing_->write(section, key, value, text ? &sectionKeys(section) : nullptr);
}

void SettingsFile::registerIn(Registry& r) {
  r.add(cmdOpen);
  r.add(cmdSave);
  r.addValue("cdgINI", [this] { return cdgINI.FileName; });
}

}  // namespace bq

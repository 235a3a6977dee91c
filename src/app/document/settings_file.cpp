#include "app/document/settings_file.h"

#include "app/window/frm_main.h"
#include "core/app_folder.h"
#include "files/safe_file.h"
#include "settings/conversions.h"

namespace fs = std::filesystem;

namespace bq {
namespace {

std::string firstLine(const std::string& text) {
  return text.substr(0, text.find_first_of("\r\n"));
}

bool hasLineBreak(const std::string& text) {
  return text.find_first_of("\r\n") != std::string::npos;
}

std::string lookupName(const std::string& section, const std::string& key) {
  return section + "\n" + key;
}

// A value quoted in a message: at most 40 characters, the cut marked.
std::string quotedValue(const std::string& value) {
  constexpr std::size_t kMax = 40;
  if (text::utf8Length(value) <= kMax) return "「" + value + "」";
  return "「" + value.substr(0, text::utf8Offset(value, kMax)) + "…」（" +
         std::to_string(text::utf8Length(value)) + " 文字）";
}

std::string megabytes(std::uintmax_t bytes) {
  return std::to_string(bytes / (1024 * 1024)) + "MB";
}

}  // namespace

SettingsFile::SettingsFile(frmMain& form) : form_(form) {
  cmdSave.onClick([this] { SaveINIfile(); });
  cmdOpen.onClick([this] {
    if (!form_.document.settleChanges()) return;
    openAround([this] { LoadINIfile(); });
  });
  cmdOpenDesign.onClick([this] {
    // The listing keeps its own file: saving must not offer the design's file to overwrite.
    std::string listingFile = cdgINI.FileName;
    auto chosen = chooseFile(false);
    cdgINI.FileName = listingFile;
    if (chosen) openDesign(fs::u8path(*chosen));
  });
}

bool SettingsFile::openAround(const std::function<void()>& load) {
  // One action however it is asked for (a click, a file given at start, a drop): what it turns
  // off and back on while a file is refused leaves nothing to undo.
  History::Action step(form_.history);
  Document::Quiet quiet(form_.document);
  CheckBox& realTime = form_.output.chkRealTP;
  int before = realTime.value();
  realTime.setValue(0);
  loaded_ = false;
  load();
  // Only a listing brought in leaves real-time preview as the file says; a design never sets it.
  if (!loaded_ || designOnly_) realTime.setValue(before);
  form_.output.RefreshPreview();
  return loaded_;
}

bool SettingsFile::openDesign(const fs::path& file) {
  designOnly_ = true;
  bool loaded = openAround([&] { loadFrom(file); });
  designOnly_ = false;
  return loaded;
}

bool SettingsFile::openWithoutDialog(const fs::path& file) {
  cdgINI.FileName = displayPath(file);
  return openAround([&] { loadFrom(file); });
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

std::optional<IniDocument> SettingsFile::readFile(const fs::path& file, bool saving) {
  files::ReadResult r = files::readRegularFile(file, {kMaxSettingsFile, kMaxUtf16SettingsFile});
  if (r.error == files::ReadError::None) return IniDocument::parse(std::move(r.bytes));
  if (saving && r.error == files::ReadError::NotFound) return IniDocument{};
  std::string path = displayPath(file);
  std::string reason = r.reason;
  if (r.error == files::ReadError::TooLarge) {
    reason = "ファイルが大きすぎます（" + megabytes(kMaxSettingsFile) +
             " まで、UTF-16 のファイルは " + megabytes(kMaxUtf16SettingsFile) + " まで）。";
  }
  if (saving) {
    // Saving keeps the other lines of the file it replaces, so it must read it first.
    warn("設定ファイルを保存できませんでした。\r\n" + path + "\r\n" + reason +
         "\r\n\r\n何も書き込んでいません。別の場所か別の名前で保存してください。");
  } else if (r.error == files::ReadError::NotFound) {
    warn("設定ファイルが見つかりません。\r\n" + path +
         "\r\n\r\nファイル名を確かめて、もう一度開いてください。今の内容は何も変わっていません。");
  } else {
    std::string advice = r.error == files::ReadError::TooLarge
                             ? "Bidquill の設定ファイルか確かめてください。"
                             : "設定ファイル（.ini）を選んでください。";
    warn("設定ファイルを開けませんでした。\r\n" + path + "\r\n" + reason + "\r\n\r\n" + advice +
         "今の内容は何も変わっていません。");
  }
  return std::nullopt;
}

bool SettingsFile::SaveINIfile() {
  auto name = chooseFile(true);
  return name && saveTo(fs::u8path(*name));
}

bool SettingsFile::saveTo(const fs::path& file) {
  auto doc = readFile(file, true);
  if (!doc) return false;
  writeAll(*doc);
  std::string bytes = doc->serialize();
  std::string path = displayPath(file);
  bool utf16 =
      doc->encoding() == text::Encoding::Utf16LE || doc->encoding() == text::Encoding::Utf16BE;
  std::uintmax_t limit = utf16 ? kMaxUtf16SettingsFile : kMaxSettingsFile;
  if (bytes.size() > limit) {
    // A file that open would refuse is no copy of the work.
    warn("設定ファイルを保存できませんでした。\r\n" + path + "\r\n保存すると " +
         megabytes(bytes.size()) + " を超え、開ける大きさ（" + megabytes(limit) +
         " まで）を超えます。\r\n\r\n何も書き込んでいません。"
         "長い本文を短くしてから保存してください。");
    return false;
  }
  auto failure = files::saveFileSafely(file, bytes);
  if (!failure) {
    form_.document.saved(file);
    return true;
  }
  std::string state;
  switch (failure->state) {
    case files::DiskState::Unchanged:
      state = "元のファイルはそのままです。";
      break;
    case files::DiskState::NotCreated:
      state = "ファイルは作られていません。";
      break;
    case files::DiskState::Restored:
      state = "元のファイルは元の内容に戻しました。";
      break;
    case files::DiskState::Damaged:
      state = "元のファイルは書きかけのままです。元の内容は次のファイルに残してあります。\r\n" +
              displayPath(failure->backup) + "\r\n";
      break;
  }
  warn("設定ファイルを保存できませんでした。\r\n" + path + "\r\n" + failure->reason + "\r\n\r\n" +
       state + "別の場所か別の名前で保存してください。");
  return false;
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
  std::vector<IniDocument::Edit> edits;
  writing_ = &edits;
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
      edits.push_back({kMultilineSection, key, std::nullopt, false});
    }
  }
  writing_ = nullptr;
  doc.apply(edits);
}

std::string SettingsFile::textValue(const SettingKey& k) {
  // Taken out of what was read (nothing else needs it), so a long text is not held twice.
  auto raw = read_.find(lookupName(k.section, k.key));
  if (raw == read_.end()) return {};
  // Raw lines after the key mean the Windows program rewrote the text: they are the newer one.
  if (!raw->second.text.empty()) return std::move(raw->second.text);
  std::string first = std::move(raw->second.value);
  auto kept = read_.find(lookupName(kMultilineSection, k.section + "." + k.key));
  std::string whole = kept == read_.end() ? std::string{} : std::move(kept->second.value);
  if (!whole.empty()) {
    std::string text = unescapeLines(std::move(whole));
    // Only while the key still says the same: another program may have changed it since.
    if (firstLine(text) == first) return text;
  }
  return first;
}

std::string SettingsFile::storedValue(const SettingKey& k) const {
  if (k.fallback && read_.count(lookupName(k.section, k.key)) == 0) return k.fallback;
  return ReadIniValue(k.section, k.key);
}

bool SettingsFile::acceptable(const SettingKey& k) const {
  std::string raw = storedValue(k);
  const Control* c = form_.registry().find(k.control);
  switch (k.encoding) {
    case ValueEncoding::Text:
      return true;
    case ValueEncoding::Number: {
      auto v = toInt32(raw);
      return v && static_cast<const UpDown*>(c)->accepts(*v);
    }
    case ValueEncoding::ListIndex: {
      auto v = toInt16(raw);
      return v && static_cast<const ComboBox*>(c)->accepts(*v);
    }
    case ValueEncoding::Check: {
      auto v = toInt16(raw);
      return v && CheckBox::accepts(*v);
    }
    case ValueEncoding::Pressed:
    case ValueEncoding::Colour:
      return toInt32(raw).has_value();
    case ValueEncoding::Flag:
      return toFlag(raw).has_value();
  }
  return false;
}

void SettingsFile::apply(const std::string& section, const std::string& key) {
  const SettingKey* k = findSettingKey(section, key);
  // A design is the look: the seller's terms, texts and preferences stay as they are.
  if (designOnly_ && k->role != KeyRole::Look) return;
  // A text is taken whole below; only the other values are short enough to copy.
  std::string raw = k->encoding == ValueEncoding::Text ? std::string() : storedValue(*k);
  Control* c = form_.registry().find(k->control);
  // Every value has been checked (acceptable), so the conversions hold.
  switch (k->encoding) {
    case ValueEncoding::Text:
      static_cast<TextBox*>(c)->setText(textValue(*k));
      break;
    case ValueEncoding::Number:
      static_cast<UpDown*>(c)->setValue(*toInt32(raw));
      break;
    case ValueEncoding::ListIndex:
      static_cast<ComboBox*>(c)->setListIndex(*toInt16(raw));
      break;
    case ValueEncoding::Check:
      static_cast<CheckBox*>(c)->setValue(*toInt16(raw));
      break;
    case ValueEncoding::Pressed:
      if (auto* t = dynamic_cast<ToggleButton*>(c)) {
        t->setValue(*toInt32(raw));
      } else {
        static_cast<OptionButton*>(c)->setValue(*toInt32(raw));
      }
      break;
    case ValueEncoding::Flag:
      static_cast<OptionButton*>(c)->setValue(*toFlag(raw) ? 1 : 0);
      break;
    case ValueEncoding::Colour:
      form_.colours.ApplySlotColor(*form_.colours.slot(k->control), *toInt32(raw));
      break;
  }
}

std::optional<SettingsFile::Stop> SettingsFile::readAll(IniDocument doc) {
  // Every key in one pass over the file.
  std::vector<IniDocument::Query> queries;
  for (const SettingKey& k : settingKeys()) {
    bool text = k.encoding == ValueEncoding::Text;
    queries.push_back({k.section, k.key, text});
    if (text) queries.push_back({kMultilineSection, k.section + "." + k.key, false});
  }
  auto found = doc.lookup(queries);
  // What was read is all that is needed: a long file is not held twice. (Assigning an empty
  // document would keep the text's buffer: a string moved onto keeps its capacity.)
  { IniDocument gone = std::move(doc); }
  read_.clear();
  for (std::size_t i = 0; i < queries.size(); ++i) {
    if (found[i]) read_[lookupName(queries[i].section, queries[i].key)] = std::move(*found[i]);
  }
  std::optional<Stop> stop;
  for (const SettingKey& k : settingKeys()) {
    if (acceptable(k)) continue;
    bool missing = read_.count(lookupName(k.section, k.key)) == 0;
    stop = Stop{k.section, k.key, ReadIniValue(k.section, k.key), missing};
    break;
  }
  if (!stop) readSteps();
  read_.clear();
  return stop;
}

void SettingsFile::loadValues(std::vector<std::string> values) {
  Document::Quiet quiet(form_.document);
  const std::vector<SettingKey>& keys = settingKeys();
  read_.clear();
  for (std::size_t i = 0; i < keys.size() && i < values.size(); ++i) {
    IniDocument::Found found;
    if (keys[i].encoding == ValueEncoding::Text) {
      // As a text with its continuation lines: taken whole.
      found.value = firstLine(values[i]);
      found.text = std::move(values[i]);
    } else {
      found.value = std::move(values[i]);
    }
    read_[lookupName(keys[i].section, keys[i].key)] = std::move(found);
  }
  readSteps();
  read_.clear();
  form_.output.RefreshPreview();
}

void SettingsFile::readSteps() {
  auto keys = [&](const std::string& section, std::initializer_list<const char*> names) {
    for (const char* n : names) apply(section, n);
  };
  // Every key of a section, in the table's order.
  auto section = [&](const std::string& name) {
    for (const SettingKey& k : settingKeys()) {
      if (k.section == name) apply(name, k.key);
    }
  };
  auto prefixed = [&](const std::string& name, const std::string& prefix) {
    for (const SettingKey& k : settingKeys()) {
      if (k.section == name && k.key.rfind(prefix, 0) == 0) apply(name, k.key);
    }
  };

  keys("Data", {"Width", "WidthTitle", "WidthSend", "Height"});
  keys(kOwnSection, {"FitScreen"});
  keys("Data", {"Cellpadding", "Cellspacing"});
  keys("Data", {"RealTP", "First"});
  prefixed("Text", "Title");
  prefixed("Text", "Edit");
  for (const char* s : {"TextSend", "TextMoney", "TextBank", "Check", "CheckSend", "CheckBank"}) {
    section(s);
  }
  prefixed("FontSize", "Title");
  prefixed("FontSize", "Edit");
  section("FontBold");
  form_.boldSize.ApplyBoldSettings();
  section("DataSend");
  keys("Data", {"TableAlign0", "TableAlign1"});
  form_.layout.applyTableAlign();
  keys("Data", {"TableAlignTitle0", "TableAlignTitle1", "TableAlignTitle2"});
  form_.layout.applyTitleAlign();
  keys("Data", {"TabeleLC", "TabeleSendLC"});
  section("FontColor");
  for (const SettingKey& k : settingKeys()) {
    if (k.section != "BackColor") continue;
    apply(k.section, k.key);
    if (k.key == "Edit5") form_.shipping.BuildShippingSection();
    if (k.key == "Edit6") form_.payment.BuildPaymentSection();
  }
  CheckBox& realTime = form_.output.chkRealTP;
  if (realTime.value() == 0) {
    realTime.setValue(1);
    form_.output.RefreshPreview();
    realTime.setValue(0);
  }
}

void SettingsFile::LoadINIfile() {
  loaded_ = false;
  auto name = chooseFile(false);
  if (name) loadFrom(fs::u8path(*name));
}

std::string SettingsFile::stopText(const Stop& stop) const {
  if (stop.missing) return "[" + stop.section + "] の " + stop.key + " がありません。";
  return "[" + stop.section + "] の " + stop.key + " の値" + quotedValue(stop.value) +
         "を読み取れません。";
}

void SettingsFile::loadFrom(const fs::path& file) {
  auto doc = readFile(file, false);
  if (!doc) return;
  std::size_t badLine = doc->badLine(), nulLine = doc->nulLine();
  if (auto stop = readAll(std::move(*doc))) {
    warn("設定ファイルを読み込めませんでした。\r\n" + displayPath(file) + "\r\n\r\n" +
         stopText(*stop) +
         "\r\nBidquill の設定ファイルか確かめてください。今の内容は何も変わっていません。");
    return;
  }
  loaded_ = true;
  // What could not be read as written is said, so that a save does not replace it unnoticed.
  if (badLine) {
    warn("設定ファイルの " + std::to_string(badLine) +
         " 行目に、UTF-8 としてもシフトJIS（コードページ932）としても読めない文字があります。\r\n" +
         displayPath(file) +
         "\r\n\r\n読めない文字は「\xEF\xBF\xBD」として読み込みました。そのまま保存すると「\xEF\xBF"
         "\xBD」"
         "が書き込まれます。元の文字を残したいときは、上書きせずに別の名前で保存してください。");
  }
  if (nulLine) {
    warn("設定ファイルの " + std::to_string(nulLine) + " 行目に NUL 文字（0x00）があります。\r\n" +
         displayPath(file) +
         "\r\n\r\nNUL 文字は読み飛ばしました。保存すると、その値は NUL 文字なしで書き込まれます。");
  }
  if (designOnly_) {
    form_.document.markModified();
  } else {
    form_.document.opened(file);
  }
}

bool SettingsFile::restoreFrom(const IniDocument& doc, const fs::path& from) {
  Document::Quiet quiet(form_.document);
  if (auto stop = readAll(doc)) {
    warn("前回の作業を復元できませんでした。\r\n" + displayPath(from) + "\r\n\r\n" +
         stopText(*stop) + "\r\nこのファイルは残してあります。今の内容は何も変わっていません。");
    return false;
  }
  form_.output.RefreshPreview();
  return true;
}

std::string SettingsFile::ReadIniValue(const std::string& section, const std::string& key) const {
  auto it = read_.find(lookupName(section, key));
  return it == read_.end() ? std::string{} : it->second.value;
}

void SettingsFile::WriteIniValue(const std::string& section, const std::string& key,
                                 const std::string& value) {
  if (!writing_) return;
  // A text key takes the lines that continued it in a Windows-written file along.
  const SettingKey* k = findSettingKey(section, key);
  bool text = k && k->encoding == ValueEncoding::Text;
  writing_->push_back({section, key, value, text});
}

void SettingsFile::registerIn(Registry& r) {
  r.add(cmdOpen);
  r.add(cmdSave);
  r.add(cmdOpenDesign);
  r.addValue("cdgINI", [this] { return cdgINI.FileName; });
  r.addValue("WindowTitle", [this] { return form_.document.windowTitle(); });
  r.addValue("Modified", [this] { return form_.document.modified() ? "1" : "0"; });
}

}  // namespace bq

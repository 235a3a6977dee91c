#include "settings/settings_keys.h"

#include <map>

namespace bq {
namespace {

std::vector<SettingKey> build() {
  std::vector<SettingKey> t;
  auto add = [&t](const char* section, std::string key, std::string control, ValueEncoding e) {
    t.push_back({section, std::move(key), std::move(control), e});
  };
  auto range = [&](const char* section, int first, int last, const std::string& keyStem,
                   const std::string& stem, const std::string& tail, ValueEncoding e) {
    for (int i = first; i <= last; ++i) {
      add(section, keyStem + std::to_string(i), stem + std::to_string(i) + tail, e);
    }
  };
  using E = ValueEncoding;

  add("Data", "TableAlign0", "optTableAlign(0)", E::Pressed);
  add("Data", "TableAlign1", "optTableAlign(1)", E::Pressed);
  for (int k = 0; k < 3; ++k) {
    add("Data", "TableAlignTitle" + std::to_string(k), "optTA(" + std::to_string(k) + ")",
        E::Pressed);
  }
  add("Data", "Width", "updnWidth", E::Number);
  add("Data", "WidthTitle", "updnTW", E::Number);
  add("Data", "WidthSend", "updnSendW", E::Number);
  add("Data", "Height", "updnHeight", E::Number);
  add("Data", "Cellpadding", "cmbCellpadding", E::ListIndex);
  add("Data", "Cellspacing", "cmbCellspacing", E::ListIndex);
  add("Data", "RealTP", "chkRealTP", E::Check);
  add("Data", "First", "chkFirst", E::Check);
  add("Data", "TabeleLC", "cmdColor", E::Colour);
  add("Data", "TabeleSendLC", "cmdSendLC", E::Colour);

  range("Check", 1, 8, "", "chkTitle", "", E::Check);
  add("DataSend", "cmbSend", "cmbSend", E::ListIndex);
  for (int k = 0; k < 12; ++k) {
    add("DataSend", "optSend(" + std::to_string(k) + ")", "optYPack(" + std::to_string(k) + ")",
        E::Flag);
  }
  range("CheckSend", 1, 12, "", "chkSend", "", E::Check);
  range("TextSend", 1, 12, "", "txtSend", "", E::Text);
  range("TextMoney", 1, 12, "", "txtMoney", "", E::Text);
  range("CheckBank", 1, 16, "", "chkBank", "", E::Check);
  add("TextBank", "Punk", "txtBankPunc", E::Text);
  range("TextBank", 1, 16, "", "txtBank", "", E::Text);

  range("FontSize", 1, 8, "Title", "cmbT", "FS", E::ListIndex);
  range("FontSize", 1, 8, "Edit", "cmbE", "FS", E::ListIndex);

  range("FontBold", 1, 8, "Title", "chkT", "B", E::Pressed);
  range("FontBold", 1, 4, "Edit", "chkE", "B", E::Pressed);
  add("FontBold", "Edit5_1", "chkE5B_1", E::Pressed);
  add("FontBold", "Edit5_2", "chkE5B_2", E::Pressed);
  range("FontBold", 6, 8, "Edit", "chkE", "B", E::Pressed);

  range("FontColor", 1, 8, "Title", "cmdT", "FC", E::Colour);
  range("FontColor", 1, 4, "Edit", "cmdE", "FC", E::Colour);
  add("FontColor", "Edit5_1", "cmdE5FC_1", E::Colour);
  add("FontColor", "Edit5_2", "cmdE5FC_2", E::Colour);
  range("FontColor", 6, 8, "Edit", "cmdE", "FC", E::Colour);

  range("BackColor", 1, 8, "Title", "cmdT", "BC", E::Colour);
  range("BackColor", 1, 8, "Edit", "cmdE", "BC", E::Colour);

  range("Text", 1, 8, "Title", "txtTitle", "", E::Text);
  range("Text", 1, 8, "Edit", "txtEdit", "", E::Text);
  return t;
}

}  // namespace

const std::vector<SettingKey>& settingKeys() {
  static const std::vector<SettingKey> table = build();
  return table;
}

const SettingKey* findSettingKey(const std::string& section, const std::string& key) {
  for (const SettingKey& k : settingKeys()) {
    if (k.section == section && k.key == key) return &k;
  }
  return nullptr;
}

const std::set<std::string>& sectionKeys(const std::string& section) {
  static const std::map<std::string, std::set<std::string>> bySection = [] {
    std::map<std::string, std::set<std::string>> m;
    for (const SettingKey& k : settingKeys()) m[k.section].insert(k.key);
    return m;
  }();
  static const std::set<std::string> none;
  auto it = bySection.find(section);
  return it == bySection.end() ? none : it->second;
}

}  // namespace bq

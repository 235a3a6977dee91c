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

  // Section 5's body has two controls of these kinds, one per column: keys Edit5_1, Edit5_2.
  auto splitFive = [&](const char* section, const std::string& titleStem,
                       const std::string& editStem, const std::string& tail, E e) {
    range(section, 1, 8, "Title", titleStem, tail, e);
    range(section, 1, 4, "Edit", editStem, tail, e);
    add(section, "Edit5_1", editStem + "5" + tail + "_1", e);
    add(section, "Edit5_2", editStem + "5" + tail + "_2", e);
    range(section, 6, 8, "Edit", editStem, tail, e);
  };
  splitFive("FontBold", "chkT", "chkE", "B", E::Pressed);
  splitFive("FontColor", "cmdT", "cmdE", "FC", E::Colour);

  range("BackColor", 1, 8, "Title", "cmdT", "BC", E::Colour);
  range("BackColor", 1, 8, "Edit", "cmdE", "BC", E::Colour);

  range("Text", 1, 8, "Title", "txtTitle", "", E::Text);
  range("Text", 1, 8, "Edit", "txtEdit", "", E::Text);

  // The table as wide as the screen, up to its width. Files without the key keep the fixed
  // width they were made with.
  t.push_back({kOwnSection, "FitScreen", "chkFit", E::Check, KeyRole::Look, "0"});

  for (SettingKey& k : t) {
    if (k.section == "Text") k.role = KeyRole::Text;
    if (k.section == "DataSend" || k.section == "CheckSend" || k.section == "TextSend" ||
        k.section == "TextMoney" || k.section == "CheckBank" || k.section == "TextBank") {
      k.role = KeyRole::Terms;
    }
    if (k.key == "RealTP") k.role = KeyRole::Preference;
  }
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

}  // namespace bq

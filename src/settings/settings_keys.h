// The one table of the settings file: every key, the control it stores and how its value is
// written. Saving walks it in order; loading looks its keys up in it.
#pragma once

#include <string>
#include <vector>

namespace bq {

enum class ValueEncoding {
  Check,      // a check box's value, "0"/"1"
  Pressed,    // a toggle's or option button's value
  ListIndex,  // a combo box's list index, "-1" when nothing is selected
  Number,     // an up-down's value
  Colour,     // a colour button's swatch, as a decimal colour number
  Flag,       // an option button, "True"/"False"
  Text,       // a text box's text
};

// The section of the keys only Bidquill writes.
inline constexpr const char* kOwnSection = "Bidquill";

// What a key stores of the listing. A design (デザインを読み込む…, the gallery) is the look
// alone: it never takes away the seller's terms or texts.
enum class KeyRole {
  Look,        // colours, bold, sizes, the table's layout, which sections show, the banner
  Terms,       // the shipping methods, their prices, the Yu-Pack choices, the payment methods
  Text,        // the sections' titles and bodies
  Preference,  // how the window works (real-time preview)
};

struct SettingKey {
  std::string section;
  std::string key;
  std::string control;
  ValueEncoding encoding;
  KeyRole role = KeyRole::Look;
  // A key of Bidquill's own, which files written elsewhere lack: they load with this value.
  const char* fallback = nullptr;
};

// The predecessor's 187 keys in the order they are written, then Bidquill's own.
const std::vector<SettingKey>& settingKeys();
const SettingKey* findSettingKey(const std::string& section, const std::string& key);

}  // namespace bq

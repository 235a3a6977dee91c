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

struct SettingKey {
  std::string section;
  std::string key;
  std::string control;
  ValueEncoding encoding;
};

// The 187 keys in the order they are written.
const std::vector<SettingKey>& settingKeys();
const SettingKey* findSettingKey(const std::string& section, const std::string& key);

}  // namespace bq

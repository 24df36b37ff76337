// The settings store: the registry key "HKEY_CURRENT_USER\Software\ORMALDE\VornLive"
// on Windows (a subkey per section, REG_SZ values), a small INI file
// elsewhere ($VORN_SETTINGS_FILE, else
// ${XDG_CONFIG_HOME:-$HOME/.config}/vornlive/settings.ini). The store is
// opened afresh by every read and write; the registry key is created when
// it is missing, the file by the first write.
#pragma once

#include <string>

namespace vorn::platform {

enum class TSettingType {
  Missing,  // no such section or value
  Text,     // a text value (REG_SZ or REG_EXPAND_SZ; every INI value)
  Other,    // a value of another registry type, e.g. REG_DWORD
};

struct TSettingValue {
  TSettingType Type = TSettingType::Missing;
  std::string Text;
};

// Reads one value. A store that cannot be created or opened reads as empty.
TSettingValue ReadSetting(const char* section, const char* name);
// Stores a text value, creating the section when needed. Fails with
// ERegistryError "キー %s の作成に失敗しました" (section or store) or
// "'%s' の設定に失敗しました" (value name).
void WriteSetting(const char* section, const char* name, const std::string& text);
// Where the settings are kept, for messages to the user.
std::string SettingsLocation();

}  // namespace vorn::platform

#include "platform/SettingsStore.h"

#include <windows.h>
// windows.h maps FormatMessage to FormatMessageA; ours is vorn::FormatMessage.
#undef FormatMessage

#include <vector>

#include "support/Messages.h"
#include "support/VornError.h"

namespace vorn::platform {
namespace {

constexpr char kRootKey[] = "Software\\ORMALDE\\VornLive";

// Closes a registry key when it goes out of scope.
class TKey {
 public:
  TKey() = default;
  ~TKey() {
    if (key_ != nullptr) RegCloseKey(key_);
  }
  TKey(const TKey&) = delete;
  TKey& operator=(const TKey&) = delete;
  HKEY* Out() { return &key_; }
  HKEY Get() const { return key_; }

 private:
  HKEY key_ = nullptr;
};

// Opens the store with full access, creating it when missing.
bool OpenRoot(TKey& root) {
  return RegCreateKeyExA(HKEY_CURRENT_USER, kRootKey, 0, nullptr, REG_OPTION_NON_VOLATILE,
                         KEY_ALL_ACCESS, nullptr, root.Out(), nullptr) == ERROR_SUCCESS;
}

}  // namespace

TSettingValue ReadSetting(const char* section, const char* name) {
  TKey root;
  // Where the key cannot be created (a read-only profile), reading it as it
  // is still works.
  if (!OpenRoot(root) &&
      RegOpenKeyExA(HKEY_CURRENT_USER, kRootKey, 0, KEY_READ, root.Out()) != ERROR_SUCCESS)
    return {};
  TKey sub;
  if (RegOpenKeyExA(root.Get(), section, 0, KEY_READ, sub.Out()) != ERROR_SUCCESS) return {};
  DWORD type = 0, bytes = 0;
  if (RegQueryValueExA(sub.Get(), name, nullptr, &type, nullptr, &bytes) != ERROR_SUCCESS) return {};
  if (type != REG_SZ && type != REG_EXPAND_SZ) return {TSettingType::Other, {}};
  std::vector<char> data(bytes + 1, 0);
  DWORD got = bytes;
  if (RegQueryValueExA(sub.Get(), name, nullptr, &type, reinterpret_cast<BYTE*>(data.data()),
                       &got) != ERROR_SUCCESS)
    return {};
  if (type != REG_SZ && type != REG_EXPAND_SZ) return {TSettingType::Other, {}};
  // The stored bytes need not end with a zero; the text ends at the first one.
  data[got < bytes ? got : bytes] = 0;
  return {TSettingType::Text, std::string(data.data())};
}

void WriteSetting(const char* section, const char* name, const std::string& text) {
  TKey root;
  if (!OpenRoot(root)) throw ERegistryError(FormatMessage(kMsgCreateKeyFailed, std::string(kRootKey)));
  TKey sub;
  if (RegCreateKeyExA(root.Get(), section, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                      nullptr, sub.Out(), nullptr) != ERROR_SUCCESS)
    throw ERegistryError(FormatMessage(kMsgCreateKeyFailed, std::string(section)));
  if (RegSetValueExA(sub.Get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                     static_cast<DWORD>(text.size() + 1)) != ERROR_SUCCESS)
    throw ERegistryError(FormatMessage(kMsgSetValueFailed, std::string(name)));
}

std::string SettingsLocation() { return std::string("HKEY_CURRENT_USER\\") + kRootKey; }

}  // namespace vorn::platform

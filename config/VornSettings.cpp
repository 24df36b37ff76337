#include "config/VornSettings.h"

#include <string>

#include "support/DecimalText.h"
#include "support/Messages.h"
#include "support/VornError.h"

namespace vorn {
namespace {

constexpr char kSectionSusie[] = "Susie";
constexpr char kSectionCommon[] = "Common";
constexpr char kMultiImage[] = "MultiImage";
constexpr char kPassCode[] = "PassCode";

}  // namespace

int32_t SettingInteger(const platform::TSettingValue& stored, const char* name,
                       int32_t defaultValue) {
  switch (stored.Type) {
    case platform::TSettingType::Missing:
      return defaultValue;
    case platform::TSettingType::Other:
      throw ERegistryError(FormatMessage(kMsgInvalidDataType, std::string(name)));
    case platform::TSettingType::Text:
      break;
  }
  int32_t value = defaultValue;
  return TryParseDecimal(stored.Text, value) ? value : defaultValue;
}

bool ReadMultiImage() {
  return SettingInteger(platform::ReadSetting(kSectionSusie, kMultiImage), kMultiImage, 1) != 0;
}

int32_t ReadPassCode() {
  return SettingInteger(platform::ReadSetting(kSectionCommon, kPassCode), kPassCode, 0);
}

void WriteMultiImage(bool value) { platform::WriteSetting(kSectionSusie, kMultiImage, value ? "1" : "0"); }

}  // namespace vorn

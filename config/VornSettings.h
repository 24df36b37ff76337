// The two settings, read afresh from the settings store at every use:
// "Susie"/"MultiImage" (boolean, default true) and "Common"/"PassCode"
// (integer, default 0). A value of a non-text type raises ERegistryError
// "'%s' のデータ型が不正です".
#pragma once

#include <cstdint>

#include "platform/SettingsStore.h"

namespace vorn {

bool ReadMultiImage();
int32_t ReadPassCode();
// Stores "1" or "0"; raises ERegistryError on failure.
void WriteMultiImage(bool value);

// A stored value as an integer: missing, empty or not a decimal number gives
// defaultValue; a non-text value raises ERegistryError naming the value.
int32_t SettingInteger(const platform::TSettingValue& stored, const char* name,
                       int32_t defaultValue);

}  // namespace vorn

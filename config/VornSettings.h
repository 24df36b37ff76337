// The two settings, read afresh from the settings store at every use:
// "Susie"/"MultiImage" (boolean, default true) and "Common"/"PassCode"
// (integer, default 0). A value of a non-text type raises ERegistryError
// "'%s' のデータ型が不正です".
#pragma once

#include <cstdint>

namespace vorn {

bool ReadMultiImage();
int32_t ReadPassCode();
// Stores "1" or "0"; raises ERegistryError on failure.
void WriteMultiImage(bool value);

}  // namespace vorn

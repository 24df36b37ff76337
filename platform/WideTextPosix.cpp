#include "platform/TextConversion.h"
#include "platform/WideText.h"

namespace vorn::platform {

std::u16string Utf16FromCp932(const std::string& text) { return Utf16FromUtf8(Cp932ToUtf8(text)); }

}  // namespace vorn::platform

// The identification and configuration entry points behind the exports.
#pragma once

#include <cstdint>

namespace vorn {

// Copies the text for infono (0 to 3) into buf, cut so that it and its zero
// fit in buflen bytes, and returns its stored length; any other infono, or a
// buflen of 0 or less, stores nothing and returns 0.
int32_t GetPluginInfoCall(int32_t infono, char* buf, int32_t buflen);
// The same in UTF-16: buflen and the result count UTF-16 units, and a
// surrogate pair is never cut in half.
int32_t GetPluginInfoCallW(int32_t infono, char16_t* buf, int32_t buflen);
// fnc 0: about box; 1: settings dialog; both return 0 once closed. Any other
// fnc shows nothing and returns -1.
int32_t ConfigurationDlgCall(int32_t fnc);

}  // namespace vorn

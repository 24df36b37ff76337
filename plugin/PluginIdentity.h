// The identification and configuration entry points behind the exports of
// both plug-ins: the import plug-in (Vorn.spi) and the archive plug-in that
// lists a file's frames (VornFrames.spi).
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace vorn {

// What a plug-in tells a host of itself: the texts for GetPluginInfo's
// infono 0 to 3 (kind, name and version, extensions, their description) and
// its about box.
struct TPluginIdentity {
  std::array<std::string_view, 4> Info;
  std::string_view AboutCaption;
  std::string_view AboutText;
};

extern const TPluginIdentity kImportPlugin;
extern const TPluginIdentity kFramesPlugin;

// Copies the text for infono (0 to 3) into buf, cut so that it and its zero
// fit in buflen bytes, and returns its stored length; any other infono, or a
// buflen of 0 or less, stores nothing and returns 0.
int32_t GetPluginInfoCall(const TPluginIdentity& plugin, int32_t infono, char* buf, int32_t buflen);
// The same in UTF-16: buflen and the result count UTF-16 units, and a
// surrogate pair is never cut in half.
int32_t GetPluginInfoCallW(const TPluginIdentity& plugin, int32_t infono, char16_t* buf,
                           int32_t buflen);
// fnc 0: about box; 1: settings dialog; both return 0 once closed. Any other
// fnc shows nothing and returns -1.
int32_t ConfigurationDlgCall(const TPluginIdentity& plugin, int32_t fnc);

}  // namespace vorn

#include "plugin/PluginIdentity.h"

#include <algorithm>
#include <string>
#include <string_view>

#include "config/FormConfig.h"
#include "platform/MessageBoxes.h"
#include "platform/Trace.h"
#include "platform/WideText.h"
#include "vorn/vorn.h"

namespace vorn {
namespace {

using platform::Trace;

// The plug-ins' names and version, as the about boxes show them.
#define VORN_PLUGIN_NAME "Vornpix Format for Susie " VORN_VERSION_STRING
#define VORN_FRAMES_NAME "Vornpix Frames for Susie " VORN_VERSION_STRING

}  // namespace

// Hosts list plug-ins by number 1 and enumerate the numbers until the first
// empty one, so it names the plug-in.
const TPluginIdentity kImportPlugin{
    {"00IN", VORN_PLUGIN_NAME, "*.VRN", "Vornpix (*.VRN)"},
    "Vornpix Format for Susie",
    VORN_PLUGIN_NAME "\r\n"
    "Susie import plug-in (00IN) for Vornpix files (*.VRN)"};

const TPluginIdentity kFramesPlugin{
    {"00AM", VORN_FRAMES_NAME, "*.VRN", "Vornpix frames (*.VRN)"},
    "Vornpix Frames for Susie",
    VORN_FRAMES_NAME "\r\n"
    "Susie archive plug-in (00AM): every frame of a Vornpix file (*.VRN) as a picture"};

namespace {

// Both forms: the text for infono, cut to fit buflen units with its zero.
template <class Char, class Text>
int32_t StorePluginInfo(const TPluginIdentity& plugin, int32_t infono, Char* buf, int32_t buflen,
                        Text textFor) {
  Trace("GetPluginInfo");
  int32_t result = 0;
  if (infono >= 0 && infono <= 3 && buf != nullptr && buflen > 0) {
    const auto text = textFor(plugin.Info[static_cast<size_t>(infono)]);
    size_t stored = std::min(text.size(), static_cast<size_t>(buflen) - 1);
    if constexpr (sizeof(Char) == 2) {
      // Half a surrogate pair is no character.
      if (stored > 0 && stored < text.size() && text[stored - 1] >= 0xD800 && text[stored - 1] <= 0xDBFF)
        --stored;
    }
    std::copy_n(text.data(), stored, buf);
    buf[stored] = 0;
    result = static_cast<int32_t>(stored);
    Trace("GetPluginInfo:" + std::to_string(infono));
  }
  Trace("GetPluginInfo:End=" + std::to_string(result));
  return result;
}

}  // namespace

int32_t GetPluginInfoCall(const TPluginIdentity& plugin, int32_t infono, char* buf, int32_t buflen) {
  return StorePluginInfo(plugin, infono, buf, buflen, [](std::string_view text) { return text; });
}

int32_t GetPluginInfoCallW(const TPluginIdentity& plugin, int32_t infono, char16_t* buf,
                           int32_t buflen) {
  return StorePluginInfo(plugin, infono, buf, buflen, [](std::string_view text) {
    return platform::Utf16FromCp932(std::string(text));
  });
}

int32_t ConfigurationDlgCall(const TPluginIdentity& plugin, int32_t fnc) {
  switch (fnc) {
    case 0:
      platform::ShowAboutBox(std::string(plugin.AboutCaption), std::string(plugin.AboutText));
      return 0;
    case 1:
      ShowConfigDialog();
      return 0;
    default:
      return -1;
  }
}

}  // namespace vorn

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

// The plug-in's name and version, as the about box shows them.
#define VORN_PLUGIN_NAME "Vornpix Format for Susie " VORN_VERSION_STRING

// Texts for infono 0 to 3. Hosts list plug-ins by number 1 and enumerate
// the numbers until the first empty one, so it names the plug-in.
constexpr std::string_view kPluginInfo[] = {"00IN", VORN_PLUGIN_NAME, "*.VRN", "Vornpix (*.VRN)"};

constexpr char kAboutCaption[] = "Vornpix Format for Susie";
constexpr char kAboutText[] =
    VORN_PLUGIN_NAME "\r\n"
    "Susie import plug-in (00IN) for Vornpix files (*.VRN)";

// Both forms: the text for infono, cut to fit buflen units with its zero.
template <class Char, class Text>
int32_t StorePluginInfo(int32_t infono, Char* buf, int32_t buflen, Text textFor) {
  Trace("GetPluginInfo");
  int32_t result = 0;
  if (infono >= 0 && infono <= 3 && buf != nullptr && buflen > 0) {
    const auto text = textFor(kPluginInfo[infono]);
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

int32_t GetPluginInfoCall(int32_t infono, char* buf, int32_t buflen) {
  return StorePluginInfo(infono, buf, buflen, [](std::string_view text) { return text; });
}

int32_t GetPluginInfoCallW(int32_t infono, char16_t* buf, int32_t buflen) {
  return StorePluginInfo(infono, buf, buflen, [](std::string_view text) {
    return platform::Utf16FromCp932(std::string(text));
  });
}

int32_t ConfigurationDlgCall(int32_t fnc) {
  switch (fnc) {
    case 0:
      platform::ShowAboutBox(kAboutCaption, kAboutText);
      return 0;
    case 1:
      ShowConfigDialog();
      return 0;
    default:
      return -1;
  }
}

}  // namespace vorn

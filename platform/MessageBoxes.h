// The message boxes the plug-in shows: the about box and the standard error
// box. Texts are code page 932 bytes; Windows shows them through the wide
// functions so they read right whatever the system code page is. Elsewhere
// they go to standard error.
#pragma once

#include <string>

namespace vorn::platform {

// Returns when the user has closed the box. It has no owner window.
void ShowAboutBox(const std::string& caption, const std::string& text);
// The error box; owner is the window it belongs to (null for none).
void ShowErrorBox(const std::string& caption, const std::string& message, void* owner = nullptr);

}  // namespace vorn::platform

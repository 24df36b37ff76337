#include "platform/MessageBoxes.h"

#include <windows.h>

#include "platform/WideText.h"

namespace vorn::platform {

// Task-modal: without an owner the host's windows are disabled meanwhile, so
// the host cannot call us again while the box is open.
void ShowAboutBox(const std::string& caption, const std::string& text) {
  MessageBoxW(nullptr, WideFromCp932(text).c_str(), WideFromCp932(caption).c_str(),
              MB_OK | MB_ICONINFORMATION | MB_TASKMODAL);
}

void ShowErrorBox(const std::string& caption, const std::string& message, void* owner) {
  MessageBoxW(static_cast<HWND>(owner), WideFromCp932(message).c_str(),
              WideFromCp932(caption).c_str(),
              MB_OK | MB_ICONERROR | (owner == nullptr ? MB_TASKMODAL : 0));
}

}  // namespace vorn::platform

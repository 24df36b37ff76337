#include "platform/Form.h"

#include <windows.h>
// windows.h maps FormatMessage to FormatMessageA; ours is vorn::FormatMessage.
#undef FormatMessage

#include <algorithm>
#include <array>
#include <cstdint>
#include <utility>
#include <vector>

#include "platform/WideText.h"
#include "support/Messages.h"
#include "support/VornError.h"

namespace vorn::platform {
namespace {

constexpr DWORD kFormStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFOREGROUND;
constexpr int kFirstControlId = 100;

// What the dialog procedure works with while the form is shown.
struct TShownForm {
  TForm& Form;
  HFONT Font = nullptr;
  std::vector<std::pair<TControl*, HWND>> Windows;
};

// An empty in-memory dialog template: the dialog manager gives us the modal
// loop, Tab, Enter, Esc and accelerators; the controls are created in
// WM_INITDIALOG in client pixels, so no dialog units get in the way.
struct alignas(4) TEmptyTemplate {
  std::array<WORD, 12> Words{};
  TEmptyTemplate() {
    Words[0] = LOWORD(kFormStyle);
    Words[1] = HIWORD(kFormStyle);
    // Extended style, item count, position, size, menu, class and title: all 0.
  }
  const DLGTEMPLATE* Get() const { return reinterpret_cast<const DLGTEMPLATE*>(Words.data()); }
};

int ControlId(const TControl& control, size_t index) {
  if (control.Kind == TControlKind::PushButton && control.Default) return IDOK;
  if (control.Kind == TControlKind::PushButton && control.Cancel) return IDCANCEL;
  return kFirstControlId + static_cast<int>(index);
}

// Tab stops first, in tab order, then the rest: children are created in
// this order, which is the order Tab follows and the order they are stacked
// in (the first on top).
std::vector<TControl*> CreationOrder(const TForm& form) {
  std::vector<TControl*> order;
  for (const auto& c : form.Controls()) order.push_back(c.get());
  std::stable_sort(order.begin(), order.end(), [](const TControl* a, const TControl* b) {
    const int ka = a->TabOrder < 0 ? INT32_MAX : a->TabOrder;
    const int kb = b->TabOrder < 0 ? INT32_MAX : b->TabOrder;
    return ka < kb;
  });
  return order;
}

HWND CreateControl(HWND dialog, const TControl& control, int id) {
  const wchar_t* windowClass = L"BUTTON";
  DWORD style = WS_CHILD | WS_VISIBLE;
  switch (control.Kind) {
    case TControlKind::PushButton:
      style |= control.Default ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON;
      break;
    case TControlKind::CheckBox:
      style |= BS_AUTOCHECKBOX;
      break;
    case TControlKind::Bevel:
      windowClass = L"STATIC";
      style |= SS_ETCHEDFRAME;
      break;
  }
  if (control.TabOrder >= 0) style |= WS_TABSTOP | WS_GROUP;
  const std::wstring caption = WideFromCp932(control.Caption);
  return CreateWindowExW(0, windowClass, caption.c_str(), style, control.Left, control.Top,
                         control.Width, control.Height, dialog,
                         reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                         reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(dialog, GWLP_HINSTANCE)),
                         nullptr);
}

BOOL InitDialog(HWND dialog, TShownForm& shown) {
  TForm& form = shown.Form;
  SetWindowTextW(dialog, WideFromCp932(form.Caption).c_str());
  if (shown.Font != nullptr) SendMessageW(dialog, WM_SETFONT, reinterpret_cast<WPARAM>(shown.Font), FALSE);

  const auto order = CreationOrder(form);
  HWND first = nullptr;
  for (TControl* control : order) {
    const size_t index = static_cast<size_t>(
        std::find_if(form.Controls().begin(), form.Controls().end(),
                     [control](const auto& c) { return c.get() == control; }) -
        form.Controls().begin());
    const int id = ControlId(*control, index);
    HWND window = CreateControl(dialog, *control, id);
    if (window == nullptr) continue;
    if (shown.Font != nullptr) SendMessageW(window, WM_SETFONT, reinterpret_cast<WPARAM>(shown.Font), FALSE);
    if (control->Kind == TControlKind::CheckBox)
      SendMessageW(window, BM_SETCHECK, control->Checked ? BST_CHECKED : BST_UNCHECKED, 0);
    if (control->Kind == TControlKind::PushButton && control->Default)
      SendMessageW(dialog, DM_SETDEFID, static_cast<WPARAM>(id), 0);
    if (first == nullptr && control->TabOrder >= 0) first = window;
    shown.Windows.emplace_back(control, window);
  }

  // The client area has the form's size; the window is centred on the desktop.
  RECT frame{0, 0, form.ClientWidth, form.ClientHeight};
  AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongPtrW(dialog, GWL_STYLE)), FALSE,
                     static_cast<DWORD>(GetWindowLongPtrW(dialog, GWL_EXSTYLE)));
  const int width = frame.right - frame.left;
  const int height = frame.bottom - frame.top;
  SetWindowPos(dialog, nullptr, (GetSystemMetrics(SM_CXSCREEN) - width) / 2,
               (GetSystemMetrics(SM_CYSCREEN) - height) / 2, width, height,
               SWP_NOZORDER | SWP_NOACTIVATE);
  if (first != nullptr) {
    SetFocus(first);
    return FALSE;  // we chose the focus ourselves
  }
  return TRUE;
}

// A button (or Enter, Esc, the close box) asks the form to close with result.
void RequestClose(HWND dialog, TShownForm& shown, int result) {
  for (auto& [control, window] : shown.Windows) {
    if (control->Kind == TControlKind::CheckBox)
      control->Checked = SendMessageW(window, BM_GETCHECK, 0, 0) == BST_CHECKED;
  }
  shown.Form.ModalResult = result;
  if (shown.Form.CloseModal(dialog)) EndDialog(dialog, result);
}

void Command(HWND dialog, TShownForm& shown, int id) {
  for (auto& [control, window] : shown.Windows) {
    if (GetDlgCtrlID(window) != id) continue;
    if (control->Kind == TControlKind::PushButton && control->ModalResult != mrNone)
      RequestClose(dialog, shown, control->ModalResult);
    return;
  }
}

INT_PTR CALLBACK FormProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  // Nothing may unwind through the window manager's frames.
  try {
    if (message == WM_INITDIALOG) {
      SetWindowLongPtrW(dialog, DWLP_USER, lParam);
      return InitDialog(dialog, *reinterpret_cast<TShownForm*>(lParam));
    }
    auto* shown = reinterpret_cast<TShownForm*>(GetWindowLongPtrW(dialog, DWLP_USER));
    if (shown == nullptr) return FALSE;
    switch (message) {
      case WM_COMMAND:
        if (HIWORD(wParam) == BN_CLICKED) Command(dialog, *shown, LOWORD(wParam));
        return TRUE;
      case WM_CLOSE:
        // The close box ends a modal form with Cancel.
        RequestClose(dialog, *shown, mrCancel);
        return TRUE;
      default:
        return FALSE;
    }
  } catch (...) {
    return FALSE;
  }
}

HINSTANCE OwnModule() {
  HMODULE module = nullptr;
  GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                     reinterpret_cast<LPCWSTR>(&FormProc), &module);
  return module;
}

BOOL CALLBACK CollectEnabled(HWND window, LPARAM list) {
  if (IsWindowVisible(window) && IsWindowEnabled(window))
    reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
  return TRUE;
}

// The form has no owner; like any modal form it disables the calling
// thread's other windows while it is shown, so the host cannot call in again.
class TTaskWindowsDisabled {
 public:
  TTaskWindowsDisabled() : active_(GetActiveWindow()) {
    EnumThreadWindows(GetCurrentThreadId(), CollectEnabled, reinterpret_cast<LPARAM>(&windows_));
    for (HWND window : windows_) EnableWindow(window, FALSE);
  }
  ~TTaskWindowsDisabled() {
    for (HWND window : windows_) EnableWindow(window, TRUE);
    if (active_ != nullptr) SetActiveWindow(active_);
  }
  TTaskWindowsDisabled(const TTaskWindowsDisabled&) = delete;
  TTaskWindowsDisabled& operator=(const TTaskWindowsDisabled&) = delete;

 private:
  HWND active_;
  std::vector<HWND> windows_;
};

}  // namespace

int TForm::ShowModal() {
  ModalResult = mrNone;
  TShownForm shown{*this, nullptr, {}};
  if (!Font.Name.empty()) {
    shown.Font = CreateFontW(Font.Height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                             static_cast<DWORD>(Font.Charset), OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                             DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, WideFromCp932(Font.Name).c_str());
  }
  INT_PTR result = -1;
  {
    TTaskWindowsDisabled disabled;
    const TEmptyTemplate dialogTemplate;
    result = DialogBoxIndirectParamW(OwnModule(), dialogTemplate.Get(), nullptr, FormProc,
                                     reinterpret_cast<LPARAM>(&shown));
  }
  if (shown.Font != nullptr) DeleteObject(shown.Font);
  if (result == -1) throw EVornError(FormatMessage(kMsgCannotCreate, Name));
  return ModalResult;
}

}  // namespace vorn::platform

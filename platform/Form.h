// A modal form of our own: a fixed-size dialog window with child controls
// laid out in client pixels, shown modally on the calling thread. Windows
// builds it with real Win32 controls; elsewhere there is no window and
// ShowModal returns mrNone at once.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace vorn::platform {

enum TModalResult : int { mrNone = 0, mrOk = 1, mrCancel = 2 };

// What OnClose may decide: None keeps the form open.
enum class TCloseAction { None, Hide };

enum class TControlKind { PushButton, CheckBox, Bevel };

inline constexpr int kShiftJisCharset = 128;

// One child control. Caption is code page 932 text; "&" marks the accelerator.
struct TControl {
  TControlKind Kind = TControlKind::PushButton;
  std::string Name;
  int Left = 0, Top = 0, Width = 0, Height = 0;
  std::string Caption;
  int ModalResult = mrNone;  // a push button closes the form with it
  bool Default = false;      // Enter presses it
  bool Cancel = false;       // Esc presses it
  int TabOrder = -1;         // -1: not reached by Tab
  bool Checked = false;      // a check box's state
};

struct TFontSpec {
  std::string Name;  // code page 932 face name
  int Height = 0;    // negative: character height in pixels
  int Charset = 0;
};

class TForm {
 public:
  TForm() = default;
  virtual ~TForm() = default;
  TForm(const TForm&) = delete;
  TForm& operator=(const TForm&) = delete;

  std::string Name;
  std::string Caption;
  int ClientWidth = 0;
  int ClientHeight = 0;
  TFontSpec Font;
  std::function<void()> OnCreate;
  std::function<void(TCloseAction&)> OnClose;
  int ModalResult = mrNone;

  TControl& AddControl(const TControl& control);
  const std::vector<std::unique_ptr<TControl>>& Controls() const { return controls_; }

  // Shows the form modally, centred on the desktop, and returns the modal
  // result that closed it. Fails with EVornError when no window can be made.
  int ShowModal();

  // Runs OnCreate; a failure is shown in the error box and the form carries on.
  void DoCreate() noexcept;
  // The form is asked to close with ModalResult: runs OnClose. A failure is
  // shown in the error box (owned by ownerWindow); then, or when OnClose
  // answers None, ModalResult goes back to mrNone and false keeps it open.
  bool CloseModal(void* ownerWindow = nullptr) noexcept;

 private:
  std::vector<std::unique_ptr<TControl>> controls_;
};

}  // namespace vorn::platform

#include "platform/Form.h"

#include <exception>

#include "platform/MessageBoxes.h"

namespace vorn::platform {
namespace {

// The standard error box for an exception escaping an event handler.
void ShowException(const TForm& form, void* owner) noexcept {
  try {
    try {
      throw;
    } catch (const std::exception& e) {
      ShowErrorBox(form.Caption, e.what(), owner);
    } catch (...) {
      ShowErrorBox(form.Caption, "Unknown error", owner);
    }
  } catch (...) {
    // Nothing more can be shown.
  }
}

}  // namespace

TControl& TForm::AddControl(const TControl& control) {
  controls_.push_back(std::make_unique<TControl>(control));
  return *controls_.back();
}

void TForm::DoCreate() noexcept {
  try {
    if (OnCreate) OnCreate();
  } catch (...) {
    ShowException(*this, nullptr);
  }
}

bool TForm::CloseModal(void* ownerWindow) noexcept {
  TCloseAction action = TCloseAction::Hide;
  try {
    if (OnClose) OnClose(action);
  } catch (...) {
    ShowException(*this, ownerWindow);
    action = TCloseAction::None;
  }
  if (action == TCloseAction::None) ModalResult = mrNone;
  return action != TCloseAction::None;
}

}  // namespace vorn::platform

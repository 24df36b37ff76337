// TFormConfig, the settings dialog: one check box for "Susie"/"MultiImage"
// and OK / Cancel. It reads the setting when it is created and writes it
// only when it is closed with OK.
#pragma once

#include "platform/Form.h"

namespace vorn {

class TFormConfig final : public platform::TForm {
 public:
  TFormConfig();

  platform::TControl& Button1;
  platform::TControl& Button2;
  platform::TControl& Bevel1;
  platform::TControl& CheckFrame;

  void FormCreate();
  void FormClose(platform::TCloseAction& action);
};

// What ConfigurationDlg does for fnc = 1: runs TFormConfig modally, or, where
// there are no windows, tells on standard error where the settings are kept.
void ShowConfigDialog();

}  // namespace vorn

#include "config/FormConfig.h"

#include <cstdio>

#include "config/VornSettings.h"
#include "platform/SettingsStore.h"
#include "support/Messages.h"

namespace vorn {

using platform::TControl;
using platform::TControlKind;

namespace {

TControl Button(const char* name, int left, const char* caption, int result, int tabOrder) {
  TControl c;
  c.Kind = TControlKind::PushButton;
  c.Name = name;
  c.Left = left;
  c.Top = 76;
  c.Width = 75;
  c.Height = 25;
  c.Caption = caption;
  c.ModalResult = result;
  c.Default = result == platform::mrOk;
  c.Cancel = result == platform::mrCancel;
  c.TabOrder = tabOrder;
  return c;
}

TControl Bevel() {
  TControl c;
  c.Kind = TControlKind::Bevel;
  c.Name = "Bevel1";
  c.Left = 8;
  c.Top = 8;
  c.Width = 345;
  c.Height = 61;
  return c;
}

TControl CheckBox() {
  TControl c;
  c.Kind = TControlKind::CheckBox;
  c.Name = "CheckFrame";
  c.Left = 24;
  c.Top = 28;
  c.Width = 141;
  c.Height = 17;
  c.Caption = kTextExpandFrames;
  c.TabOrder = 0;
  return c;
}

}  // namespace

// Designed at 96 pixels per inch and shown at that size.
TFormConfig::TFormConfig()
    : Button1(AddControl(Button("Button1", 192, "OK", platform::mrOk, 1))),
      Button2(AddControl(Button("Button2", 272, kTextCancel, platform::mrCancel, 2))),
      Bevel1(AddControl(Bevel())),
      CheckFrame(AddControl(CheckBox())) {
  Name = "FormConfig";
  Caption = "Vornpix Format for Susie";
  ClientWidth = 360;
  ClientHeight = 118;
  Font = {kTextDialogFont, -12, platform::kShiftJisCharset};
  OnCreate = [this] { FormCreate(); };
  OnClose = [this](platform::TCloseAction& action) { FormClose(action); };
  DoCreate();
}

void TFormConfig::FormCreate() { CheckFrame.Checked = ReadMultiImage(); }

void TFormConfig::FormClose(platform::TCloseAction&) {
  if (ModalResult == platform::mrOk) WriteMultiImage(CheckFrame.Checked);
}

void ShowConfigDialog() {
  TFormConfig form;
  if (form.ShowModal() == platform::mrNone) {
    // No dialog on this system: say where the setting lives instead.
    std::fprintf(stderr,
                 "Vornpix Format for Susie: settings are kept in %s\n"
                 "  [Susie] MultiImage=1 delivers all frames tiled, 0 the first frame only\n",
                 platform::SettingsLocation().c_str());
  }
}

}  // namespace vorn

#include "config/FormConfig.h"

#include <gtest/gtest.h>

#include "tests/config/SettingsSandbox.h"
#include "config/VornSettings.h"

namespace vorn {
namespace {

using platform::mrCancel;
using platform::mrNone;
using platform::mrOk;

using FormConfigTest = testing::TSettingsSandbox;

TEST_F(FormConfigTest, TheCheckBoxStartsFromTheStoredSetting) {
  EXPECT_TRUE(TFormConfig().CheckFrame.Checked);  // nothing stored: true
  StoreText("Susie", "MultiImage", "0");
  EXPECT_FALSE(TFormConfig().CheckFrame.Checked);
  StoreText("Susie", "MultiImage", "abc");
  EXPECT_TRUE(TFormConfig().CheckFrame.Checked);
}

TEST_F(FormConfigTest, CancelWritesNothing) {
  StoreText("Susie", "MultiImage", "abc");
  TFormConfig form;
  form.CheckFrame.Checked = false;
  form.ModalResult = mrCancel;
  EXPECT_TRUE(form.CloseModal());
  EXPECT_EQ(platform::ReadSetting("Susie", "MultiImage").Text, "abc");
}

TEST_F(FormConfigTest, OkWritesTheCheckBoxEvenWhenUnchanged) {
  TFormConfig form;
  form.ModalResult = mrOk;
  EXPECT_TRUE(form.CloseModal());
  EXPECT_EQ(platform::ReadSetting("Susie", "MultiImage").Text, "1");

  TFormConfig second;
  second.CheckFrame.Checked = false;
  second.ModalResult = mrOk;
  EXPECT_TRUE(second.CloseModal());
  EXPECT_FALSE(ReadMultiImage());
}

TEST_F(FormConfigTest, TabOrderRunsCheckBoxOkCancel) {
  TFormConfig form;
  EXPECT_EQ(form.CheckFrame.TabOrder, 0);
  EXPECT_EQ(form.Button1.TabOrder, 1);
  EXPECT_EQ(form.Button2.TabOrder, 2);
  EXPECT_TRUE(form.Button1.Default && form.Button1.ModalResult == mrOk);
  EXPECT_TRUE(form.Button2.Cancel && form.Button2.ModalResult == mrCancel);
  EXPECT_EQ(form.Bevel1.TabOrder, -1);
}

#if !defined(_WIN32)
// (On Windows a failed write opens the error box; the Wine dialog test covers it.)
TEST_F(FormConfigTest, AFailedWriteKeepsTheFormOpen) {
  const std::string blocker = dir_ + "/file";
  std::FILE* f = std::fopen(blocker.c_str(), "w");
  ASSERT_NE(f, nullptr);
  std::fclose(f);
  setenv("VORN_SETTINGS_FILE", (blocker + "/settings.ini").c_str(), 1);
  TFormConfig form;
  form.ModalResult = mrOk;
  EXPECT_FALSE(form.CloseModal());
  EXPECT_EQ(form.ModalResult, mrNone);
  std::remove(blocker.c_str());
}
#endif

}  // namespace
}  // namespace vorn

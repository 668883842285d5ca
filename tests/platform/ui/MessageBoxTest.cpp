#include "ui/MessageBox.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QWidget>
#include <vector>

#include "TestApplication.h"

namespace {

class MessageBoxes : public ::testing::Test {
 protected:
  void SetUp() override {
    ui_test::TestApplication();
    previous_ = ui::SetMessageBoxHook([this](const ui::MessageBoxRequest& request) {
      requests_.push_back(request);
      return answer_;
    });
  }
  void TearDown() override { ui::SetMessageBoxHook(previous_); }

  std::vector<ui::MessageBoxRequest> requests_;
  int answer_ = IDOK;
  ui::MessageBoxHook previous_;
};

TEST_F(MessageBoxes, TheHookSeesTheRequestAndAnswersIt) {
  QWidget parent;
  answer_ = IDYES;
  const char* text = "Registry update required.\r\nRestart the application.";
  EXPECT_EQ(MessageBox(&parent, text, "Error", MB_YESNO | MB_ICONERROR), IDYES);
  ASSERT_EQ(requests_.size(), 1u);
  EXPECT_EQ(requests_[0].parent, &parent);
  EXPECT_EQ(requests_[0].text, text);
  EXPECT_EQ(requests_[0].caption, "Error");
  EXPECT_EQ(requests_[0].flags, MB_YESNO | MB_ICONERROR);
}

TEST_F(MessageBoxes, ShowMessageIsAPlainBoxCaptionedWithTheApplication) {
  QGuiApplication::setApplicationDisplayName("OrvelCam");
  ui::ShowMessage("DirectX 8 required!");
  QGuiApplication::setApplicationDisplayName({});
  ASSERT_EQ(requests_.size(), 1u);
  EXPECT_EQ(requests_[0].text, "DirectX 8 required!");
  EXPECT_EQ(requests_[0].caption, "OrvelCam");
  EXPECT_EQ(requests_[0].flags, MB_OK);
  EXPECT_EQ(requests_[0].parent, nullptr);
}

TEST_F(MessageBoxes, WithoutAHookOrADisplayTheTextGoesToStandardErrorAndTheBoxIsDismissed) {
  ui::SetMessageBoxHook({});
  ::testing::internal::CaptureStderr();
  EXPECT_EQ(MessageBox(nullptr, "Disk full", "OrvelCam", MB_OK | MB_ICONWARNING), IDOK);
  EXPECT_EQ(MessageBox(nullptr, "Continue?", "", MB_YESNO), IDNO);
  EXPECT_EQ(MessageBox(nullptr, "Save?", "", MB_YESNOCANCEL), IDCANCEL);
  EXPECT_EQ(MessageBox(nullptr, "Go on?", "", MB_OKCANCEL | MB_DEFBUTTON1), IDCANCEL);
  EXPECT_EQ(MessageBox(nullptr, "Failed", "", MB_ABORTRETRYIGNORE), IDABORT);
  const std::string written = ::testing::internal::GetCapturedStderr();
  EXPECT_NE(written.find("[OrvelCam] Disk full"), std::string::npos) << written;
  EXPECT_NE(written.find("Continue?"), std::string::npos) << written;
  EXPECT_TRUE(requests_.empty());
}

}  // namespace

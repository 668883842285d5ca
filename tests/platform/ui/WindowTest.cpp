#include "ui/Window.h"

#include <gtest/gtest.h>

#include <QFrame>
#include <QWidget>
#include <memory>

#include "TestApplication.h"

namespace {

class Windows : public ::testing::Test {
 protected:
  void SetUp() override { ui_test::TestApplication(); }
};

TEST_F(Windows, FoundByClassNameAndCaptionAmongTopLevelWindowsOnly) {
  QWidget builder;
  ui::SetWindowClassName(&builder, "TAppBuilder");
  builder.setWindowTitle("Designer");
  QFrame renderer;
  renderer.setWindowTitle("video renderer 123");
  auto* child = new QWidget(&renderer);
  child->setWindowTitle("video renderer 999");

  EXPECT_EQ(FindWindow("TAppBuilder", nullptr), &builder);
  EXPECT_EQ(FindWindow(nullptr, "video renderer 123"), &renderer);
  EXPECT_EQ(FindWindow("TAppBuilder", "Designer"), &builder);
  EXPECT_EQ(FindWindow("TAppBuilder", "video renderer 123"), nullptr);
  EXPECT_EQ(FindWindow(nullptr, "video renderer 999"), nullptr) << "a child is no top-level window";
  EXPECT_EQ(FindWindow(nullptr, "video renderer 12"), nullptr) << "captions compare exactly";
  // Without a class name set, the class is the widget's own class.
  EXPECT_EQ(FindWindow("QFrame", nullptr), &renderer);
  EXPECT_EQ(ui::WindowClassName(&builder), "TAppBuilder");
}

TEST_F(Windows, DestroyedWindowsAreNoLongerFound) {
  auto window = std::make_unique<QWidget>();
  window->setWindowTitle("overlay renderer 5");
  const HWND handle = window.get();
  EXPECT_TRUE(IsWindow(handle));
  window.reset();
  EXPECT_FALSE(IsWindow(handle));
  EXPECT_EQ(FindWindow(nullptr, "overlay renderer 5"), nullptr);
  EXPECT_EQ(GetWindowTextLength(handle), 0);
}

BOOL CountUntilTarget(HWND hwnd, LPARAM lParam) {
  auto* search = reinterpret_cast<std::pair<HWND, int>*>(lParam);
  ++search->second;
  return hwnd == search->first ? FALSE : TRUE;
}

TEST_F(Windows, EnumerationStopsWhenTheCallbackSaysSo) {
  QWidget first, second, third;
  std::pair<HWND, int> search{&second, 0};
  EXPECT_TRUE(EnumWindows(&CountUntilTarget, reinterpret_cast<LPARAM>(&search)));
  const int seen = search.second;
  search = {nullptr, 0};
  EnumWindows(&CountUntilTarget, reinterpret_cast<LPARAM>(&search));
  EXPECT_GE(search.second, 3);
  EXPECT_LE(seen, search.second);
  EXPECT_GE(seen, 1);
}

TEST_F(Windows, WindowTextIsCutOnACharacterBoundary) {
  QWidget window;
  ASSERT_TRUE(SetWindowText(&window, "Aygıt"));  // "ı" takes two bytes
  char buffer[200];
  EXPECT_EQ(GetWindowText(&window, buffer, sizeof buffer), 6);
  EXPECT_STREQ(buffer, "Aygıt");
  EXPECT_EQ(GetWindowTextLength(&window), 6);
  EXPECT_EQ(GetWindowText(&window, buffer, 5), 3) << "the cut would split the two-byte character";
  EXPECT_STREQ(buffer, "Ayg");
  EXPECT_EQ(GetWindowText(&window, buffer, 6), 5);
  EXPECT_STREQ(buffer, "Aygı");
  EXPECT_EQ(GetWindowText(&window, buffer, 1), 0);
  EXPECT_STREQ(buffer, "");
  EXPECT_EQ(GetWindowText(&window, nullptr, 10), 0);
  EXPECT_EQ(GetWindowText(nullptr, buffer, 10), 0);
}

TEST_F(Windows, ShowWindowReportsThePreviousVisibility) {
  QWidget window;
  EXPECT_FALSE(ShowWindow(&window, SW_SHOWNORMAL));
  EXPECT_TRUE(IsWindowVisible(&window));
  EXPECT_TRUE(ShowWindow(&window, SW_SHOWMAXIMIZED));
  EXPECT_TRUE(window.isMaximized());
  EXPECT_TRUE(ShowWindow(&window, SW_HIDE));
  EXPECT_FALSE(IsWindowVisible(&window));
}

// Captions are QStrings: a failed comparison shows them as text.
TEST(QtPrinters, AQStringIsPrintedAsItsText) {
  EXPECT_EQ(::testing::PrintToString(QString("Görüntü yakalama")), "\"Görüntü yakalama\"");
}

}  // namespace

#include "ui/Cursor.h"

#include <gtest/gtest.h>

#include <QCursor>
#include <QGuiApplication>

#include "TestApplication.h"

namespace {

class ScreenCursor : public ::testing::Test {
 protected:
  void SetUp() override { ui_test::TestApplication(); }
  void TearDown() override { ui::SetScreenCursor(crDefault); }

  static Qt::CursorShape Shown() {
    const QCursor* cursor = QGuiApplication::overrideCursor();
    return cursor == nullptr ? Qt::ArrowCursor : cursor->shape();
  }
};

TEST_F(ScreenCursor, RepeatedChangesLeaveOneOverrideThatDefaultRemoves) {
  ui::SetScreenCursor(crHourGlass);
  EXPECT_EQ(ui::ScreenCursor(), crHourGlass);
  EXPECT_EQ(Shown(), Qt::WaitCursor);
  ui::SetScreenCursor(crHourGlass);
  ui::SetScreenCursor(crHandPoint);
  EXPECT_EQ(Shown(), Qt::PointingHandCursor);
  ui::SetScreenCursor(crSQLWait);
  EXPECT_EQ(Shown(), Qt::WaitCursor);

  ui::SetScreenCursor(crDefault);
  EXPECT_EQ(ui::ScreenCursor(), crDefault);
  EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr) << "override cursors were stacked";
  ui::SetScreenCursor(crDefault);
  EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);

  ui::SetScreenCursor(crArrow);
  EXPECT_NE(QGuiApplication::overrideCursor(), nullptr) << "crArrow is a cursor of its own";
}

}  // namespace

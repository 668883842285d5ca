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

TEST_F(ScreenCursor, NumbersMapToTheirShapes) {
  EXPECT_EQ(ui::QtCursorShape(crNo), Qt::ForbiddenCursor);
  EXPECT_EQ(ui::QtCursorShape(crAppStart), Qt::BusyCursor);
  EXPECT_EQ(ui::QtCursorShape(crSizeAll), Qt::SizeAllCursor);
  EXPECT_EQ(ui::QtCursorShape(crIBeam), Qt::IBeamCursor);
  EXPECT_EQ(ui::QtCursorShape(crCross), Qt::CrossCursor);
  EXPECT_EQ(ui::QtCursorShape(crNone), Qt::BlankCursor);
  EXPECT_EQ(ui::QtCursorShape(42), Qt::ArrowCursor) << "an unknown number shows the arrow";
}

}  // namespace

#include "ui/Cursor.h"

#include <QCursor>
#include <QGuiApplication>

namespace ui {
namespace {

TCursor g_screenCursor = crDefault;  // UI thread only

Qt::CursorShape ShapeOf(TCursor cursor) {
  switch (cursor) {
    case crNone:
      return Qt::BlankCursor;
    case crCross:
      return Qt::CrossCursor;
    case crIBeam:
      return Qt::IBeamCursor;
    case crSizeNESW:
      return Qt::SizeBDiagCursor;
    case crSizeNS:
      return Qt::SizeVerCursor;
    case crSizeNWSE:
      return Qt::SizeFDiagCursor;
    case crSizeWE:
      return Qt::SizeHorCursor;
    case crUpArrow:
      return Qt::UpArrowCursor;
    case crHourGlass:
    case crSQLWait:
      return Qt::WaitCursor;
    case crDrag:
      return Qt::DragMoveCursor;
    case crMultiDrag:
      return Qt::DragCopyCursor;
    case crNoDrop:
    case crNo:
      return Qt::ForbiddenCursor;
    case crHSplit:
      return Qt::SplitHCursor;
    case crVSplit:
      return Qt::SplitVCursor;
    case crAppStart:
      return Qt::BusyCursor;
    case crHelp:
      return Qt::WhatsThisCursor;
    case crHandPoint:
      return Qt::PointingHandCursor;
    case crSizeAll:
      return Qt::SizeAllCursor;
    default:
      return Qt::ArrowCursor;
  }
}

bool HasGuiApplication() {
  return qobject_cast<QGuiApplication*>(QCoreApplication::instance());
}

}  // namespace

TCursor ScreenCursor() {
  return g_screenCursor;
}

void SetScreenCursor(TCursor cursor) {
  g_screenCursor = cursor;
  if (!HasGuiApplication()) return;
  const bool overridden = QGuiApplication::overrideCursor() != nullptr;
  if (cursor == crDefault) {
    if (overridden) QGuiApplication::restoreOverrideCursor();
  } else if (overridden) {
    QGuiApplication::changeOverrideCursor(QCursor(ShapeOf(cursor)));
  } else {
    QGuiApplication::setOverrideCursor(QCursor(ShapeOf(cursor)));
  }
}

int QtCursorShape(TCursor cursor) {
  return ShapeOf(cursor);
}

}  // namespace ui

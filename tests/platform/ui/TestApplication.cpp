#include "TestApplication.h"

#include <QApplication>
#include <QTest>

namespace ui_test {

QApplication& TestApplication() {
  static int argc = 1;
  static char name[] = "platform_ui_tests";
  static char* argv[] = {name, nullptr};
  // Never destroyed, so that no Qt object of a test can outlive it.
  static QApplication* app = new QApplication(argc, argv);
  return *app;
}

bool WaitFor(const std::function<bool()>& done) {
  return QTest::qWaitFor(done, 20000);
}

}  // namespace ui_test

#pragma once
// The QApplication of the ui tests: made on first use and kept until the process ends, so that
// every widget a test makes is destroyed before it.

#include <functional>

class QApplication;

namespace ui_test {

QApplication& TestApplication();

// Processes events until done() holds or a generous deadline passes; returns done().
bool WaitFor(const std::function<bool()>& done);

}  // namespace ui_test

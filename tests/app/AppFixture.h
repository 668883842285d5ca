#pragma once
// The fixture of the program's window tests: one QApplication per test binary (never destroyed,
// so that every window goes before it), the component's process start-up and finalisation
// around each test, virtual devices only, and a message box hook that records the texts and
// answers OK.

#include <gtest/gtest.h>

#include <QStringList>
#include <memory>
#include <string>
#include <vector>

#include "GoruntuAyarlari.h"
#include "OrvelKamera.h"

namespace orvelcam_test {

class AppTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Plugs a virtual USB camera before or while the window runs.
  static void PlugCamera(const std::string& name, const std::string& instance);

  // The main window with its quality dialog, created as the program creates them.
  TForm1& CreateForm();
  // Created and shown; returns once the show handler has run.
  TForm1& ShowForm();
  TForm2& QualityDialog() { return *dialog_; }

  // The status memo's lines.
  QStringList StatusLines() const;
  // Waits (processing events) until the window has closed; false after a generous deadline.
  bool WaitUntilClosed();

  std::vector<std::string> messageBoxes;

 private:
  std::unique_ptr<TRudOzavProcess> process_;
  std::unique_ptr<TForm2> dialog_;
  std::unique_ptr<TForm1> form_;
};

}  // namespace orvelcam_test

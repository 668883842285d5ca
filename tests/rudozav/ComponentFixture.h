#pragma once
// The test fixture of the component: one QApplication per test binary (never destroyed, so every
// component goes before it), the test clock, the fake device enumerator and Sample Grabber, a
// message box hook that records the texts, and process start-up and finalisation around each
// test. Components made with Create() are destroyed before finalisation.

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "rudozav/RudOzav.h"

class QApplication;

namespace rudozav_test {

QApplication& TestApplication();

class ComponentTest : public ::testing::Test {
 protected:
  // withLog: "log.txt" exists in the test's directory before start-up. virtualDevices: devices
  // come from the platform's enumerator and virtual devices instead of the scripted enumerator.
  explicit ComponentTest(bool withLog = false, bool virtualDevices = false)
      : withLog_(withLog), virtualDevices_(virtualDevices) {}
  void SetUp() override;
  void TearDown() override;

  // A component whose manager timer is stopped: the test drives the ticks.
  TRavorOderiri& Create();
  // Created, with AutoStartPreview as given, loaded.
  TRavorOderiri& CreateLoaded(bool autoStartPreview = false);
  void Destroy(TRavorOderiri& component);
  // Destroys the components and runs process finalisation now.
  void FinishProcess();

  // Records the component's events as lines such as "StateChanging 0 1", "ErrorLog 33 Error: ...",
  // "ComponentLoaded", into events.
  void Record(TRavorOderiri& component);
  // The process log's content, and whether a line equal to text is in it.
  static std::string LogText();
  static bool LogHasLine(const std::string& line);
  // The lines of the process log after the last line equal to marker.
  static std::vector<std::string> LogLinesAfter(const std::string& marker);
  // Plugs a typical WDM USB camera with the given instance id.
  static void PlugCamera(const std::string& instance, const std::string& name = "USB Camera");

  // Serves the UI thread until done holds; false after a generous deadline.
  // Processes events until done() holds; false after the deadline (in real seconds).
  static bool WaitFor(const std::function<bool()>& done, int deadlineSeconds = 20);

  std::vector<std::string> events;
  std::vector<std::string> messageBoxes;

 private:
  bool withLog_;
  bool virtualDevices_;
  std::unique_ptr<TRudOzavProcess> process_;
  std::vector<std::unique_ptr<TRavorOderiri>> components_;
};

class LoggedComponentTest : public ComponentTest {
 protected:
  LoggedComponentTest() : ComponentTest(true) {}
};

}  // namespace rudozav_test

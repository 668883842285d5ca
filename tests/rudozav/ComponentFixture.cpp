#include "ComponentFixture.h"

#include <QApplication>
#include <QCoreApplication>
#include <algorithm>
#include <chrono>
#include <fstream>
#include <sstream>

#include "FakeDevices.h"
#include "FakeMedia.h"
#include "clock/Clock.h"
#include "devices/SystemDeviceEnum.h"
#include "devices/virtual/VirtualDevices.h"
#include "dshow/DShow.h"
#include "rudozav/core/ProcessLog.h"
#include "rudozav/devices/DevicesManager.h"
#include "ui/Cursor.h"
#include "ui/MessageBox.h"

namespace rudozav_test {

QApplication& TestApplication() {
  static int argc = 1;
  static char name[] = "rudozav_tests";
  static char* argv[] = {name, nullptr};
  static QApplication* app = new QApplication(argc, argv);
  return *app;
}

void ComponentTest::SetUp() {
  TestApplication();
  sysclock::UseTestClock(1'000'000);
  SetSampleGrabberAvailable(true);
  if (virtualDevices_) {
    virtualdevices::Reset();
  } else {
    InstallFakeDevices();
  }
  ui::SetMessageBoxHook([this](const ui::MessageBoxRequest& request) {
    messageBoxes.push_back(request.text);
    return IDOK;
  });
  if (withLog_) std::ofstream("log.txt") << "left from an earlier run\n";
  process_ = std::make_unique<TRudOzavProcess>();
}

void ComponentTest::FinishProcess() {
  components_.clear();
  process_.reset();
}

void ComponentTest::TearDown() {
  FinishProcess();
  ui::SetMessageBoxHook({});
  if (virtualDevices_) {
    virtualdevices::Reset();
  } else {
    UninstallFakeDevices();
    devices::RegisterSystemDeviceEnum();
  }
  SetSampleGrabberAvailable(false);
  ui::SetScreenCursor(crDefault);
  rudozav::Process().busyCount = 0;
  sysclock::UseRealClock();
}

TRavorOderiri& ComponentTest::Create() {
  components_.push_back(std::make_unique<TRavorOderiri>());
  if (TDevicesManager* manager = DevicesManager()) manager->StopTimer();
  return *components_.back();
}

TRavorOderiri& ComponentTest::CreateLoaded(bool autoStartPreview) {
  TRavorOderiri& component = Create();
  component.SetAutoStartPreview(autoStartPreview);
  component.Loaded();
  return component;
}

void ComponentTest::Destroy(TRavorOderiri& component) {
  std::erase_if(components_, [&](const auto& owned) { return owned.get() == &component; });
}

void ComponentTest::Record(TRavorOderiri& component) {
  component.OnCurrentStateChanging = [this](TRavorOderiri*, TCurrentState from, TCurrentState to) {
    events.push_back("StateChanging " + std::to_string(from) + " " + std::to_string(to));
  };
  component.OnErrorLog = [this](TRavorOderiri*, int code, const std::string& message) {
    events.push_back("ErrorLog " + std::to_string(code) + " " + message);
  };
  component.OnComponentLoaded = [this](TRavorOderiri*) { events.push_back("ComponentLoaded"); };
  component.OnChangeVideoDevice = [this](TRavorOderiri*) { events.push_back("ChangeVideoDevice"); };
  component.OnDeviceArrival = [this](TRavorOderiri*) { events.push_back("DeviceArrival"); };
  component.OnDeviceRemoval = [this](TRavorOderiri*) { events.push_back("DeviceRemoval"); };
  component.OnDeviceLost = [this](TRavorOderiri*) { events.push_back("DeviceLost"); };
}

std::string ComponentTest::LogText() {
  std::ifstream in("log.txt", std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

bool ComponentTest::LogHasLine(const std::string& line) {
  return LogText().find("\n" + line + "\n") != std::string::npos;
}

std::vector<std::string> ComponentTest::LogLinesAfter(const std::string& marker) {
  const std::string log = LogText();
  const std::string start = "\n" + marker + "\n";
  std::size_t at = log.rfind(start);
  std::vector<std::string> lines;
  if (at == std::string::npos) return lines;
  for (at += start.size(); at < log.size();) {
    const std::size_t end = log.find('\n', at);
    lines.push_back(log.substr(at, end - at));
    at = end == std::string::npos ? log.size() : end + 1;
  }
  return lines;
}

void ComponentTest::PlugCamera(const std::string& instance, const std::string& name) {
  PlugDevice(CLSID_VideoInputDeviceCategory,
             {UsbCameraDisplayName(instance), name, WdmClsid(), true, false});
}

bool ComponentTest::WaitFor(const std::function<bool()>& done, int deadlineSeconds) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(deadlineSeconds);
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
  }
  return true;
}

}  // namespace rudozav_test

// The device-change monitor's thread: events in, notifications out, and a clean stop.

#include <gtest/gtest.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <deque>
#include <mutex>

#include "devices/DeviceChangeMonitor.h"
#include "platform/ui/TestApplication.h"
#include "ui/Message.h"

namespace {

using devices::DeviceChangeMonitor;
using devices::DeviceEvent;

// Events pushed by the test, readable through an eventfd like udev's socket.
class FakeEventSource : public devices::DeviceEventSource {
 public:
  FakeEventSource() : fd_(eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {}
  ~FakeEventSource() override { close(fd_); }

  void Push(DeviceEvent event) {
    {
      std::lock_guard lock(mutex_);
      events_.push_back(std::move(event));
    }
    const std::uint64_t one = 1;
    ASSERT_EQ(write(fd_, &one, sizeof one), static_cast<ssize_t>(sizeof one));
  }

  int Fd() const override { return fd_; }
  std::optional<DeviceEvent> Receive() override {
    std::lock_guard lock(mutex_);
    if (events_.empty()) {
      std::uint64_t count = 0;
      (void)!read(fd_, &count, sizeof count);  // drained: the next push makes it readable again
      return std::nullopt;
    }
    DeviceEvent event = std::move(events_.front());
    events_.pop_front();
    return event;
  }

 private:
  const int fd_;
  std::mutex mutex_;
  std::deque<DeviceEvent> events_;
};

TEST(DeviceChangeMonitor, TurnsAddAndRemoveIntoNotificationsOnItsThread) {
  auto source = std::make_unique<FakeEventSource>();
  FakeEventSource* events = source.get();
  std::mutex mutex;
  std::vector<WPARAM> notified;
  DeviceChangeMonitor monitor(std::move(source), [&](WPARAM event) {
    std::lock_guard lock(mutex);
    notified.push_back(event);
  });
  ASSERT_TRUE(monitor.Start());
  EXPECT_FALSE(monitor.Start());
  events->Push({"add", "video4linux", "/dev/video0"});
  events->Push({"change", "sound", ""});
  events->Push({"remove", "video4linux", "/dev/video0"});
  ASSERT_TRUE(ui_test::WaitFor([&] {
    std::lock_guard lock(mutex);
    return notified.size() >= 2;
  }));
  monitor.Stop();
  EXPECT_FALSE(monitor.IsRunning());
  monitor.Stop();
  std::lock_guard lock(mutex);
  EXPECT_EQ(notified, (std::vector<WPARAM>{DBT_DEVICEARRIVAL, DBT_DEVICEREMOVECOMPLETE}));
}

TEST(DeviceChangeMonitor, TheUdevMonitorStartsAndStopsWhereUdevIsThere) {
  if (!devices::StartDeviceChangeMonitor()) GTEST_SKIP() << "no udev monitor in this environment";
  EXPECT_TRUE(devices::StartDeviceChangeMonitor());  // already running
  devices::StopDeviceChangeMonitor();
  devices::StopDeviceChangeMonitor();
}

}  // namespace

#include "devices/DeviceChangeMonitor.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <mutex>

#include "com/Diagnostics.h"
#include "ui/MainWindowHook.h"
#include "ui/Message.h"

namespace devices {

DeviceChangeMonitor::DeviceChangeMonitor(std::unique_ptr<DeviceEventSource> source, Notify notify)
    : source_(std::move(source)), notify_(std::move(notify)) {
  if (!notify_) notify_ = [](WPARAM event) { (void)ui::BroadcastDeviceChange(event); };
}

DeviceChangeMonitor::~DeviceChangeMonitor() {
  Stop();
}

std::optional<WPARAM> DeviceChangeMonitor::EventFor(const DeviceEvent& event) {
  if (event.action == "add") return DBT_DEVICEARRIVAL;
  if (event.action == "remove") return DBT_DEVICEREMOVECOMPLETE;
  return std::nullopt;  // "change", "bind", ...: the set of devices stays the same
}

bool DeviceChangeMonitor::Start() {
  if (thread_.joinable() || !source_) return false;
  stopFd_ = eventfd(0, EFD_CLOEXEC);
  if (stopFd_ < 0) {
    diag::Warn("devices", "device-change monitor: no eventfd");
    return false;
  }
  thread_ = std::thread([this, fd = stopFd_] { Run(fd); });
  return true;
}

void DeviceChangeMonitor::Stop() {
  if (!thread_.joinable()) return;
  const std::uint64_t one = 1;
  // A failed write would leave the thread waiting; eventfd writes of 1 do not fail.
  (void)!write(stopFd_, &one, sizeof one);
  thread_.join();
  close(stopFd_);
  stopFd_ = -1;
}

// The monitor's thread.
void DeviceChangeMonitor::Run(int stopFd) {
  pollfd fds[2] = {{source_->Fd(), POLLIN, 0}, {stopFd, POLLIN, 0}};
  for (;;) {
    if (poll(fds, 2, -1) < 0) {
      if (errno == EINTR) continue;
      diag::Warn("devices", "device-change monitor: poll failed, monitor ends");
      return;
    }
    if (fds[1].revents != 0) return;
    if (fds[0].revents & (POLLERR | POLLHUP | POLLNVAL)) {
      diag::Warn("devices", "device-change monitor: event source closed, monitor ends");
      return;
    }
    while (auto event = source_->Receive()) {
      diag::Debug("devices", "udev ", event->action, " ", event->subsystem, " ", event->node);
      if (const auto notification = EventFor(*event)) notify_(*notification);
    }
  }
}

namespace {

std::mutex g_monitorLock;
std::unique_ptr<DeviceChangeMonitor> g_monitor;  // guarded by g_monitorLock

}  // namespace

bool StartDeviceChangeMonitor() {
  std::lock_guard lock(g_monitorLock);
  if (g_monitor) return true;
  std::string error;
  auto source = OpenUdevEventSource(&error);
  if (!source) {
    diag::Warn("devices", "no device-change monitor: " + error);
    return false;
  }
  auto monitor = std::make_unique<DeviceChangeMonitor>(std::move(source));
  if (!monitor->Start()) return false;
  g_monitor = std::move(monitor);
  return true;
}

void StopDeviceChangeMonitor() {
  std::unique_ptr<DeviceChangeMonitor> monitor;
  {
    std::lock_guard lock(g_monitorLock);
    monitor = std::move(g_monitor);
  }
  // Destroying it stops and joins the thread.
}

}  // namespace devices

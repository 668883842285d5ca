#pragma once
// Watches real video and sound devices being plugged in and removed and raises the
// device-change notification (ui::BroadcastDeviceChange) for each, as the virtual devices do.
// The monitor reads the events on a thread of its own.
//
// Threads: Start and Stop from one controlling thread (normally the UI thread); the notify
// function runs on the monitor's thread.

#include <functional>
#include <memory>
#include <optional>
#include <thread>

#include "com/Types.h"
#include "devices/DeviceEventSource.h"

namespace devices {

class DeviceChangeMonitor {
 public:
  using Notify = std::function<void(WPARAM event)>;

  // notify defaults to ui::BroadcastDeviceChange.
  explicit DeviceChangeMonitor(std::unique_ptr<DeviceEventSource> source, Notify notify = {});
  ~DeviceChangeMonitor();
  DeviceChangeMonitor(const DeviceChangeMonitor&) = delete;
  DeviceChangeMonitor& operator=(const DeviceChangeMonitor&) = delete;

  // Starts the thread; false when it runs already or cannot be woken for stopping.
  bool Start();
  // Ends the thread and waits for it. Harmless when it does not run.
  void Stop();
  bool IsRunning() const { return thread_.joinable(); }

  // The notification of an event: arrival for "add", removal for "remove", nothing for the rest.
  static std::optional<WPARAM> EventFor(const DeviceEvent& event);

 private:
  void Run(int stopFd);

  std::unique_ptr<DeviceEventSource> source_;
  Notify notify_;
  std::thread thread_;
  int stopFd_ = -1;  // an eventfd written by Stop; owned by the controlling thread
};

// The process's monitor over udev. Start returns false (with a warning) when udev cannot be
// opened; Stop ends it. Call Stop before the application object goes.
bool StartDeviceChangeMonitor();
void StopDeviceChangeMonitor();

}  // namespace devices

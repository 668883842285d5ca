#pragma once
// Where the device-change monitor hears of devices coming and going: the narrow interface over
// udev, with an in-memory fake in the tests.

#include <memory>
#include <optional>
#include <string>

namespace devices {

struct DeviceEvent {
  std::string action;     // "add", "remove", "change", ...
  std::string subsystem;  // "video4linux", "sound"
  std::string node;       // /dev/video0; empty for devices without a node
};

class DeviceEventSource {
 public:
  virtual ~DeviceEventSource() = default;
  // A descriptor that polls readable while events wait.
  virtual int Fd() const = 0;
  // The next waiting event, or nullopt when none waits (or it could not be read). Never blocks.
  virtual std::optional<DeviceEvent> Receive() = 0;
};

// udev's monitor of kernel device events for the video4linux and sound subsystems. Null (with
// the reason in *error) when it cannot be opened, as in a container without netlink access.
std::unique_ptr<DeviceEventSource> OpenUdevEventSource(std::string* error);

}  // namespace devices

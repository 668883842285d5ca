// The udev side of the device-change monitor.

#include <libudev.h>

#include "devices/DeviceEventSource.h"

namespace devices {
namespace {

class UdevEventSource : public DeviceEventSource {
 public:
  UdevEventSource(udev* context, udev_monitor* monitor) : context_(context), monitor_(monitor) {}
  ~UdevEventSource() override {
    udev_monitor_unref(monitor_);
    udev_unref(context_);
  }
  UdevEventSource(const UdevEventSource&) = delete;
  UdevEventSource& operator=(const UdevEventSource&) = delete;

  int Fd() const override { return udev_monitor_get_fd(monitor_); }

  std::optional<DeviceEvent> Receive() override {
    udev_device* device = udev_monitor_receive_device(monitor_);
    if (device == nullptr) return std::nullopt;
    const auto text = [](const char* value) { return std::string(value == nullptr ? "" : value); };
    DeviceEvent event{text(udev_device_get_action(device)), text(udev_device_get_subsystem(device)),
                      text(udev_device_get_devnode(device))};
    udev_device_unref(device);
    return event;
  }

 private:
  udev* const context_;
  udev_monitor* const monitor_;
};

}  // namespace

std::unique_ptr<DeviceEventSource> OpenUdevEventSource(std::string* error) {
  udev* context = udev_new();
  if (context == nullptr) {
    if (error != nullptr) *error = "udev_new failed";
    return nullptr;
  }
  udev_monitor* monitor = udev_monitor_new_from_netlink(context, "udev");
  if (monitor == nullptr) {
    udev_unref(context);
    if (error != nullptr) *error = "no udev netlink monitor";
    return nullptr;
  }
  auto source = std::make_unique<UdevEventSource>(context, monitor);
  if (udev_monitor_filter_add_match_subsystem_devtype(monitor, "video4linux", nullptr) < 0 ||
      udev_monitor_filter_add_match_subsystem_devtype(monitor, "sound", nullptr) < 0 ||
      udev_monitor_enable_receiving(monitor) < 0) {
    if (error != nullptr) *error = "cannot receive udev events";
    return nullptr;
  }
  return source;
}

}  // namespace devices

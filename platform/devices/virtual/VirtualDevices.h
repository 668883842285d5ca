#pragma once
// Virtual devices: cameras, microphones and compressors described in JSON (the format is in
// platform/devices/README.md) that the system device enumerator lists next to real hardware.
// Tests and demos plug and unplug them; each change raises the same device-change
// notification as real hardware (ui::BroadcastDeviceChange), and a device that is unplugged
// while it streams reports EC_DEVICE_LOST to its graph and delivers nothing more.
//
// The variable RUDOZAV_VIRTUAL_DEVICES names a description file, which is watched for changes
// while the program runs, or is "demo" for the built-in demo camera and microphone. It is read
// the first time devices are enumerated or plugged, unless LoadFromEnvironment or Reset ran
// before.
//
// Any thread may call these functions. File watching needs the application object; the
// watcher lives on the UI thread.

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "devices/virtual/DeviceDescription.h"
#include "dshow/DShowTypes.h"

// The "CLSID" property of virtual devices of kind "other" that name no class id of their own.
inline constexpr CLSID CLSID_VirtualDevice = MakeGuid("89B3E38E-F93C-4961-8247-35CC80731221");

namespace virtualdevices {

struct PlugResult {
  bool ok = false;
  std::vector<std::string> displayNames;  // of the plugged devices, in description order
  std::string error;                      // why nothing was plugged
  explicit operator bool() const { return ok; }
};

// Plugs every device of a description (all or none). Fails on a description that does not
// parse and on a display name that is already plugged. Raises one arrival notification.
PlugResult Plug(std::string_view json);
PlugResult Plug(const devices::DeviceDescription& device);

// Unplugs the device with that display name and raises a removal notification; false when no
// plugged device has it.
bool Unplug(std::string_view displayName);
// Unplugs every device (one removal notification when there were any).
void UnplugAll();

// Display names of the plugged devices of a category, in the order they were plugged.
std::vector<std::string> DisplayNames(devices::DeviceCategory category);

// Reads RUDOZAV_VIRTUAL_DEVICES now, replacing the devices of an earlier description file.
// Unset or empty: nothing. False (with the reason in *error) when the file cannot be read or
// does not parse.
bool LoadFromEnvironment(std::string* error = nullptr);
// Plugs the devices of the file, replacing those of an earlier file, and watches it: each
// change unplugs the devices whose entries went or changed and plugs the new ones. A file
// that stops parsing keeps the devices it had (with a warning); a file that is deleted
// unplugs them.
bool UseDescriptionFile(const std::string& path, std::string* error = nullptr);
void StopWatchingDescriptionFile();

// Virtual devices draw no driver dialogs (IAMVfwCaptureDialogs, IAMVfwCompressDialogs): a
// dialog they show is reported here, with the device's friendly name, the dialog's number and
// the owner window, and counts as closed at once. Null stops the reports. The observer runs on
// the thread that showed the dialog.
using DriverDialogObserver =
    std::function<void(const std::string& device, int dialog, OAHWND owner)>;
void SetDriverDialogObserver(DriverDialogObserver observer);

// Back to no devices and no file, without notifications; the environment is not read again
// on its own. For tests and for the end of the process.
void Reset();

}  // namespace virtualdevices

#pragma once
// A scripted system device enumerator: tests plug and unplug devices per category, and the
// enumerator lists the ones present, as monikers with a display name and a property bag.

#include <string>

#include "com/Guid.h"

namespace rudozav_test {

struct FakeDevice {
  std::string displayName;
  std::string friendlyName;  // empty: the bag has no FriendlyName
  std::string clsid;         // text form; empty: the bag has no CLSID
  bool hasStorage = true;    // BindToStorage succeeds
  bool refusesGraphs = false;
};

// Display names and CLSID texts of typical devices.
std::string UsbCameraDisplayName(const std::string& instance);
std::string WdmClsid();
std::string VfwClsid();

// Registers the enumerator class; every category starts empty.
void InstallFakeDevices();
void UninstallFakeDevices();
void PlugDevice(const CLSID& category, const FakeDevice& device);
void UnplugDevice(const CLSID& category, const std::string& displayName);

}  // namespace rudozav_test

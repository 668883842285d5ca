#pragma once
// One entry of a device list: a device seen at least once in this run. UI thread only.

#include <string>

#include "com/ComPtr.h"
#include "dshow/EnumInterfaces.h"

struct TCapDeviceInfo {
  // The moniker's display name with every "\" replaced by " "; with Name it names the device's
  // registry key.
  std::string RegistryName;
  // The name shown to the user and used in filter names.
  std::string Name;
  bool IsWDM = false;
  ComPtr<IMoniker> Moniker;
  std::string HardwareId;
  std::string InstanceId;
};

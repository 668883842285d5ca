#pragma once
// The first use of the virtual devices reads RUDOZAV_VIRTUAL_DEVICES (internal to
// platform/devices). Any thread.

namespace devices {

void EnsureVirtualDevicesEnvironmentRead();
// Marks the environment as read (LoadFromEnvironment and Reset do).
void MarkVirtualDevicesEnvironmentRead();

}  // namespace devices

#pragma once
// Makes the filter of a plugged virtual device: a capture filter for video and audio input
// devices, a pass-through compressor for compressors.

#include "devices/virtual/VirtualDeviceRegistry.h"

namespace devices {

HRESULT CreateVirtualFilter(const PluggedDevice& device, REFIID riid, void** object);

}  // namespace devices

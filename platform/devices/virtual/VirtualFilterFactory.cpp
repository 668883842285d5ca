#include "devices/virtual/VirtualFilterFactory.h"

#include "devices/virtual/VirtualAudioCapture.h"
#include "devices/virtual/VirtualCompressor.h"
#include "devices/virtual/VirtualVideoCapture.h"

namespace devices {

HRESULT CreateVirtualFilter(const PluggedDevice& device, REFIID riid, void** object) {
  if (object == nullptr) return E_POINTER;
  *object = nullptr;
  switch (device.description->category) {
    case DeviceCategory::kVideoInput:
      return MakeComObject<VirtualVideoCapture>(device.description, device.presence)
          ->QueryInterface(riid, object);
    case DeviceCategory::kAudioInput:
      return MakeComObject<VirtualAudioCapture>(device.description, device.presence)
          ->QueryInterface(riid, object);
    case DeviceCategory::kVideoCompressor:
    case DeviceCategory::kAudioCompressor:
      return MakeComObject<VirtualCompressor>(device.description)->QueryInterface(riid, object);
  }
  return E_UNEXPECTED;
}

}  // namespace devices

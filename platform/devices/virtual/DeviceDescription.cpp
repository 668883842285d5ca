#include "devices/virtual/DeviceDescription.h"

#include "dshow/Uuids.h"

namespace devices {

const CLSID& CategoryClassId(DeviceCategory category) {
  switch (category) {
    case DeviceCategory::kVideoInput:
      return CLSID_VideoInputDeviceCategory;
    case DeviceCategory::kAudioInput:
      return CLSID_AudioInputDeviceCategory;
    case DeviceCategory::kVideoCompressor:
      return CLSID_VideoCompressorCategory;
    case DeviceCategory::kAudioCompressor:
      return CLSID_AudioCompressorCategory;
  }
  return CLSID_VideoInputDeviceCategory;
}

}  // namespace devices

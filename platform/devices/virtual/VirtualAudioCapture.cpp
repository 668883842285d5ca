#include "devices/virtual/VirtualAudioCapture.h"

#include "devices/virtual/VirtualAudioPin.h"
#include "devices/virtual/VirtualDevices.h"

namespace devices {

VirtualAudioCapture::VirtualAudioCapture(std::shared_ptr<const DeviceDescription> device,
                                         std::shared_ptr<DevicePresence> presence)
    : VirtualCaptureFilter(CLSID_VirtualDevice, std::move(device), std::move(presence)) {
  AddPin(std::make_unique<VirtualAudioPin>(this));
}

}  // namespace devices

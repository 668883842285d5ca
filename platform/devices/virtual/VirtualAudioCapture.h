#pragma once
// The capture filter of a virtual microphone: one capture pin that delivers a tone.

#include "devices/virtual/VirtualCaptureFilter.h"

namespace devices {

class VirtualAudioCapture : public VirtualCaptureFilter {
 public:
  VirtualAudioCapture(std::shared_ptr<const DeviceDescription> device,
                      std::shared_ptr<DevicePresence> presence);
};

}  // namespace devices

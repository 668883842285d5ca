#pragma once
// What the virtual video and audio capture filters share: the device description they are bound
// to and its faults. Claiming and losing the device are those of every capture filter
// (CaptureFilter); a virtual device is held by one filter at a time through its presence, and is
// lost when it is unplugged.
//
// Threads: as CaptureFilter.

#include <memory>

#include "devices/capture/CaptureFilter.h"
#include "devices/virtual/DeviceDescription.h"
#include "devices/virtual/DevicePresence.h"

namespace devices {

class VirtualCaptureFilter : public CaptureFilter {
 public:
  VirtualCaptureFilter(const CLSID& clsid, std::shared_ptr<const DeviceDescription> device,
                       std::shared_ptr<DevicePresence> presence);

  // Refused with E_FAIL when the device is described to fail joining graphs.
  HRESULT JoinFilterGraph(IFilterGraph* graph, LPCOLESTR name) override;

  const DeviceDescription& Device() const { return *device_; }
  // The picture controls to apply to the painted picture; the identity by default. The
  // streaming thread calls it for every frame.
  virtual PictureAdjustment Adjustment() const { return {}; }

 protected:
  ~VirtualCaptureFilter() override;
  // Refused while another filter holds the device, or when it is described as held by another
  // program.
  HRESULT ClaimDevice() override;
  void ReleaseDevice() override;
  bool DeviceGone() override { return !presence_->IsPresent(); }

 private:
  const std::shared_ptr<const DeviceDescription> device_;
  const std::shared_ptr<DevicePresence> presence_;
};

}  // namespace devices

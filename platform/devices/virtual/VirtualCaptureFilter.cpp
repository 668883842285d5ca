#include "devices/virtual/VirtualCaptureFilter.h"

#include "com/Diagnostics.h"

namespace devices {

VirtualCaptureFilter::VirtualCaptureFilter(const CLSID& clsid,
                                           std::shared_ptr<const DeviceDescription> device,
                                           std::shared_ptr<DevicePresence> presence)
    : CaptureFilter(clsid, device->friendlyName),
      device_(std::move(device)),
      presence_(std::move(presence)) {}

VirtualCaptureFilter::~VirtualCaptureFilter() {
  GiveBackDevice();
}

HRESULT VirtualCaptureFilter::JoinFilterGraph(IFilterGraph* graph, LPCOLESTR name) {
  if (graph != nullptr && device_->faults.addFails) {
    diag::Debug("devices", device_->friendlyName, " refuses to join a graph, as described");
    return E_FAIL;
  }
  return CaptureFilter::JoinFilterGraph(graph, name);
}

HRESULT VirtualCaptureFilter::ClaimDevice() {
  if (device_->faults.inUse) return kDeviceInUse;
  return presence_->TryClaim() ? S_OK : kDeviceInUse;
}

void VirtualCaptureFilter::ReleaseDevice() {
  presence_->Release();
}

}  // namespace devices

#include "devices/v4l2/V4l2CaptureFilter.h"

#include "com/Diagnostics.h"
#include "devices/capture/DeviceResults.h"
#include "dshow/Uuids.h"

namespace devices {

ComPtr<V4l2CaptureFilter> V4l2CaptureFilter::Open(std::shared_ptr<V4l2Api> api,
                                                  const std::string& devnode,
                                                  const std::string& friendlyName,
                                                  HRESULT* result) {
  int error = 0;
  std::shared_ptr<const V4l2Device> device = V4l2Device::Open(std::move(api), devnode, &error);
  if (!device) {
    diag::Warn("v4l2", friendlyName + " (" + devnode + ") cannot be opened: errno " +
                           std::to_string(-error));
    if (result != nullptr) *result = HResultFromErrno(error);
    return {};
  }
  if (result != nullptr) *result = S_OK;
  return MakeComObject<V4l2CaptureFilter>(std::move(device), friendlyName);
}

V4l2CaptureFilter::V4l2CaptureFilter(std::shared_ptr<const V4l2Device> device,
                                     std::string friendlyName)
    : CaptureFilter(CLSID_Proxy, std::move(friendlyName)),
      device_(std::move(device)),
      pin_(AddPin(std::make_unique<V4l2VideoPin>(this, device_, ProbeV4l2Formats(*device_)))),
      controls_(static_cast<IBaseFilter*>(this), *device_),
      procAmp_(static_cast<IBaseFilter*>(this), controls_),
      hasProcAmp_(procAmp_.HasAny()) {}

V4l2CaptureFilter::~V4l2CaptureFilter() {
  GiveBackDevice();
}

HRESULT V4l2CaptureFilter::QueryFilterInterface(REFIID riid, void** object) {
  if (riid == IID_IAMVideoProcAmp && hasProcAmp_) return procAmp_.Give(object);
  if (riid == IID_IDeviceControls) return controls_.Give(object);
  return CaptureFilter::QueryFilterInterface(riid, object);
}

}  // namespace devices

#include "devices/v4l2/V4l2CaptureFilter.h"

#include "com/Diagnostics.h"
#include "devices/capture/DeviceResults.h"
#include "devices/v4l2/V4l2Crossbar.h"
#include "dshow/PropertyPageClasses.h"
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
      standards_(ReadAnalogStandards(*device_)),
      pin_(AddPin(
          std::make_unique<V4l2VideoPin>(this, device_, ProbeV4l2Formats(*device_), standards_))),
      controls_(static_cast<IBaseFilter*>(this), *device_),
      procAmp_(static_cast<IBaseFilter*>(this), controls_),
      hasProcAmp_(procAmp_.HasAny()) {
  MakeAnalogParts();
}

void V4l2CaptureFilter::MakeAnalogParts() {
  IUnknown* self = static_cast<IBaseFilter*>(this);
  if (ReadV4l2Crossbar(*device_, DeviceName() + " Crossbar")) {
    analogInput_ = std::make_unique<AnalogPin>(this, "Analog Video In", PINDIR_INPUT, true);
    upstream_ = std::make_unique<UpstreamCrossbars>(self, *analogInput_, DeviceName(),
                                                    [this] { return MakeCrossbars(); });
  }
  if (standards_ != 0) decoder_ = std::make_unique<V4l2Decoder>(self, *device_, standards_);
  if (const auto tuner = V4l2Tuner::FindAnalogTvTuner(*device_)) {
    tuner_ = std::make_unique<V4l2Tuner>(self, *device_, *tuner, standards_);
  }
  std::vector<CLSID> pages{CLSID_DeviceControlsPage};
  if (tuner_) pages.push_back(CLSID_TvTunerPage);
  pages_ = std::make_unique<PropertyPageList>(self, std::move(pages));
}

// Read again each time, so that the crossbar starts from the input the node has now.
std::vector<ComPtr<CrossbarFilter>> V4l2CaptureFilter::MakeCrossbars() const {
  auto crossbar = ReadV4l2Crossbar(*device_, DeviceName() + " Crossbar");
  if (!crossbar) return {};
  return {MakeV4l2Crossbar(device_, std::move(*crossbar))};
}

int V4l2CaptureFilter::GetPinCount() {
  return CaptureFilter::GetPinCount() + (analogInput_ ? 1 : 0);
}

CBasePin* V4l2CaptureFilter::GetPin(int index) {
  if (analogInput_) {
    if (index == 0) return analogInput_.get();
    --index;
  }
  return CaptureFilter::GetPin(index);
}

V4l2CaptureFilter::~V4l2CaptureFilter() {
  GiveBackDevice();
}

HRESULT V4l2CaptureFilter::QueryFilterInterface(REFIID riid, void** object) {
  if (riid == IID_IAMVideoProcAmp && hasProcAmp_) return procAmp_.Give(object);
  if (riid == IID_IDeviceControls) return controls_.Give(object);
  if (riid == IID_ISpecifyPropertyPages) return pages_->Give(object);
  if (riid == IID_IUpstreamDeviceFilters && upstream_) return upstream_->Give(object);
  if (riid == IID_IAMAnalogVideoDecoder && decoder_) return decoder_->Give(object);
  if ((riid == IID_IAMTVTuner || riid == IID_IAMTuner) && tuner_) return tuner_->Give(object);
  return CaptureFilter::QueryFilterInterface(riid, object);
}

}  // namespace devices

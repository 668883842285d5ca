#include "devices/virtual/VirtualVideoCapture.h"

#include "devices/virtual/VirtualDevices.h"
#include "dshow/PropertyPageClasses.h"
#include "dshow/Uuids.h"

namespace devices {

VirtualVideoCapture::VirtualVideoCapture(std::shared_ptr<const DeviceDescription> device,
                                         std::shared_ptr<DevicePresence> presence)
    : VirtualCaptureFilter(CLSID_VirtualDevice, std::move(device), std::move(presence)) {
  const LONG standards = Device().decoder ? Device().decoder->standards : 0;
  for (const VideoPinDescription& pin : Device().pins) {
    const bool counts = Device().droppedFrames.has_value() &&
                        (pin.role == PinRole::kCapture || pin.role == PinRole::kInterleaved);
    outputs_.push_back(AddPin(std::make_unique<VirtualVideoPin>(this, pin, standards, counts)));
  }
  if (!Device().crossbars.empty()) {
    analogInput_ = std::make_unique<AnalogPin>(this, "Analog Video In", PINDIR_INPUT, true);
    upstream_ = std::make_unique<UpstreamCrossbars>(static_cast<IBaseFilter*>(this), *analogInput_,
                                                    Device().friendlyName,
                                                    [this] { return MakeCrossbars(); });
  }
  MakeControls();
}

VirtualVideoCapture::~VirtualVideoCapture() = default;

void VirtualVideoCapture::MakeControls() {
  IUnknown* self = static_cast<IBaseFilter*>(this);
  const DeviceDescription& device = Device();
  if (device.procAmp) {
    procAmp_ = std::make_unique<VirtualProcAmp>(self, *device.procAmp);
    controls_ = std::make_unique<VirtualDeviceControls>(self, *procAmp_);
  }
  if (device.decoder) decoder_ = std::make_unique<VirtualDecoder>(self, *device.decoder);
  if (device.tuner) tuner_ = std::make_unique<VirtualTuner>(self, *device.tuner);
  if (device.tvAudio) tvAudio_ = std::make_unique<VirtualTvAudio>(self, *device.tvAudio);
  if (device.timecode) {
    timecode_ = std::make_unique<VirtualTimecodeReader>(self, *device.timecode,
                                                        [this] { return FramesElapsed(); });
  }
  if (device.transport) transport_ = std::make_unique<VirtualTransport>(self, *device.transport);
  if (device.vfwDialogs != 0) {
    dialogs_ =
        std::make_unique<VirtualCaptureDialogs>(self, device, [this] { return IsStopped(); });
  }
  std::vector<CLSID> pages;
  if (controls_) pages.push_back(CLSID_DeviceControlsPage);
  if (tuner_) pages.push_back(CLSID_TvTunerPage);
  if (tvAudio_) pages.push_back(CLSID_TvAudioPage);
  pages_ = std::make_unique<PropertyPageList>(self, std::move(pages));
}

PictureAdjustment VirtualVideoCapture::Adjustment() const {
  return procAmp_ ? procAmp_->Adjustment() : PictureAdjustment{};
}

LONGLONG VirtualVideoCapture::FramesElapsed() {
  return outputs_.empty() ? 0 : outputs_.front()->FramesElapsed();
}

int VirtualVideoCapture::GetPinCount() {
  return VirtualCaptureFilter::GetPinCount() + (analogInput_ ? 1 : 0);
}

CBasePin* VirtualVideoCapture::GetPin(int index) {
  if (analogInput_) {
    if (index == 0) return analogInput_.get();
    --index;
  }
  return VirtualCaptureFilter::GetPin(index);
}

HRESULT VirtualVideoCapture::QueryFilterInterface(REFIID riid, void** object) {
  if (riid == IID_IUpstreamDeviceFilters && upstream_) return upstream_->Give(object);
  if (riid == IID_IAMVideoProcAmp && procAmp_) return procAmp_->Give(object);
  if (riid == IID_IDeviceControls && controls_) return controls_->Give(object);
  if (riid == IID_ISpecifyPropertyPages && !pages_->Empty()) return pages_->Give(object);
  if (riid == IID_IAMAnalogVideoDecoder && decoder_) return decoder_->Give(object);
  if ((riid == IID_IAMTVTuner || riid == IID_IAMTuner) && tuner_) return tuner_->Give(object);
  if (riid == IID_IAMTVAudio && tvAudio_) return tvAudio_->Give(object);
  if (riid == IID_IAMTimecodeReader && timecode_) return timecode_->Give(object);
  if (riid == IID_IAMExtTransport && transport_) return transport_->Give(object);
  if (riid == IID_IAMVfwCaptureDialogs && dialogs_) return dialogs_->Give(object);
  return VirtualCaptureFilter::QueryFilterInterface(riid, object);
}

std::vector<ComPtr<CrossbarFilter>> VirtualVideoCapture::MakeCrossbars() const {
  std::vector<ComPtr<CrossbarFilter>> crossbars;
  for (const CrossbarDescription& description : Device().crossbars) {
    crossbars.push_back(MakeComObject<VirtualCrossbar>(description));
  }
  return crossbars;
}

}  // namespace devices

#include "devices/virtual/VirtualVideoCapture.h"

#include "com/Diagnostics.h"
#include "devices/virtual/VirtualDevices.h"
#include "dshow/Uuids.h"

namespace devices {

class VirtualVideoCapture::Upstream : public FilterPart<IUpstreamDeviceFilters> {
 public:
  explicit Upstream(VirtualVideoCapture* filter)
      : FilterPart(static_cast<IBaseFilter*>(filter)), filter_(filter) {}
  HRESULT AddUpstreamFilters(IGraphBuilder* graph) override {
    return filter_->AddUpstreamFilters(graph);
  }

 private:
  VirtualVideoCapture* const filter_;
};

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
    upstream_ = std::make_unique<Upstream>(this);
  }
  MakeControls();
}

VirtualVideoCapture::~VirtualVideoCapture() = default;

void VirtualVideoCapture::MakeControls() {
  IUnknown* self = static_cast<IBaseFilter*>(this);
  const DeviceDescription& device = Device();
  if (device.procAmp) procAmp_ = std::make_unique<VirtualProcAmp>(self, *device.procAmp);
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
  if (riid == IID_IAMAnalogVideoDecoder && decoder_) return decoder_->Give(object);
  if ((riid == IID_IAMTVTuner || riid == IID_IAMTuner) && tuner_) return tuner_->Give(object);
  if (riid == IID_IAMTVAudio && tvAudio_) return tvAudio_->Give(object);
  if (riid == IID_IAMTimecodeReader && timecode_) return timecode_->Give(object);
  if (riid == IID_IAMExtTransport && transport_) return transport_->Give(object);
  if (riid == IID_IAMVfwCaptureDialogs && dialogs_) return dialogs_->Give(object);
  return VirtualCaptureFilter::QueryFilterInterface(riid, object);
}

bool VirtualVideoCapture::CrossbarsIn(IGraphBuilder* graph) {
  if (crossbars_.empty()) return false;
  FILTER_INFO info;
  if (FAILED(crossbars_.front()->QueryFilterInfo(&info))) return false;
  return info.pGraph && IsSameObject(info.pGraph.Get(), graph);
}

HRESULT VirtualVideoCapture::AddUpstreamFilters(IGraphBuilder* graph) {
  if (graph == nullptr) return E_POINTER;
  if (Device().crossbars.empty() || CrossbarsIn(graph)) return S_OK;
  crossbars_.clear();
  for (std::size_t i = 0; i < Device().crossbars.size(); ++i) {
    const CrossbarDescription& description = Device().crossbars[i];
    auto crossbar = MakeComObject<VirtualCrossbar>(description);
    const HRESULT hr = graph->AddFilter(crossbar.Get(), description.name.c_str());
    if (FAILED(hr)) return hr;
    crossbars_.push_back(std::move(crossbar));
  }
  return ConnectCrossbars(graph);
}

// Each output of a crossbar feeds the input its description names; by default the first video
// output of the crossbar next to the capture filter feeds the filter, and the outputs of the
// one upstream feed the inputs of the same number.
HRESULT VirtualVideoCapture::ConnectCrossbars(IGraphBuilder* graph) {
  for (std::size_t level = 0; level < crossbars_.size(); ++level) {
    const CrossbarDescription& description = Device().crossbars[level];
    for (std::size_t output = 0; output < description.outputs.size(); ++output) {
      LONG target = -1;
      if (output < description.feeds.size()) {
        target = description.feeds[output];
      } else if (level == 0) {
        const bool firstVideo =
            CrossbarRouting::IsVideo(description.outputs[output].physicalType) &&
            !(analogInput_ && analogInput_->IsConnected());
        target = firstVideo ? 0 : -1;
      } else {
        target = static_cast<LONG>(output);
      }
      if (target < 0) continue;
      CBasePin* from = crossbars_[level]->OutputPin(static_cast<LONG>(output));
      CBasePin* to = level == 0 ? static_cast<CBasePin*>(analogInput_.get())
                                : crossbars_[level - 1]->InputPin(target);
      if (from == nullptr || to == nullptr || to->IsConnected()) continue;
      const MediaType type =
          AnalogPin::AnalogType(CrossbarRouting::IsVideo(description.outputs[output].physicalType));
      if (to->CheckMediaType(type.Ptr()) != S_OK) continue;  // audio never feeds a video input
      const HRESULT hr = graph->ConnectDirect(from, to, type.Ptr());
      if (FAILED(hr)) {
        diag::Warn("devices",
                   Device().friendlyName + ": a crossbar does not connect: " + HResultText(hr));
        return hr;
      }
    }
  }
  return S_OK;
}

}  // namespace devices

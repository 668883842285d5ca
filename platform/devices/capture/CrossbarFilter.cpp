#include "devices/capture/CrossbarFilter.h"

#include "dshow/PropertyPageClasses.h"
#include "dshow/Uuids.h"

namespace devices {

// IAMCrossbar over the filter's routing.
class CrossbarFilter::Control : public FilterPart<IAMCrossbar> {
 public:
  Control(CrossbarFilter* filter, CrossbarRouting& routing)
      : FilterPart(static_cast<IBaseFilter*>(filter)), filter_(filter), routing_(routing) {}

  HRESULT get_PinCounts(LONG* outputCount, LONG* inputCount) override {
    if (outputCount == nullptr || inputCount == nullptr) return E_POINTER;
    *outputCount = routing_.Outputs();
    *inputCount = routing_.Inputs();
    return S_OK;
  }
  HRESULT CanRoute(LONG output, LONG input) override { return routing_.CanRoute(output, input); }
  HRESULT Route(LONG output, LONG input) override { return filter_->Route(output, input); }
  HRESULT get_IsRoutedTo(LONG output, LONG* input) override {
    return routing_.RoutedTo(output, input);
  }
  HRESULT get_CrossbarPinInfo(BOOL isInput, LONG index, LONG* relatedPin,
                              LONG* physicalType) override {
    return routing_.PinInfo(isInput != FALSE, index, relatedPin, physicalType);
  }

 private:
  CrossbarFilter* const filter_;
  CrossbarRouting& routing_;
};

AnalogPin::AnalogPin(CBaseFilter* filter, std::string name, PIN_DIRECTION direction, bool video)
    : CBasePin(filter, std::move(name), direction), video_(video) {}

MediaType AnalogPin::AnalogType(bool video) {
  return MediaType(video ? MEDIATYPE_AnalogVideo : MEDIATYPE_AnalogAudio, MEDIASUBTYPE_None,
                   FORMAT_None);
}

HRESULT AnalogPin::CheckMediaType(const AM_MEDIA_TYPE* mediaType) {
  if (mediaType == nullptr) return E_POINTER;
  return mediaType->majortype == (video_ ? MEDIATYPE_AnalogVideo : MEDIATYPE_AnalogAudio) ? S_OK
                                                                                          : S_FALSE;
}

HRESULT AnalogPin::GetMediaType(int position, MediaType* mediaType) {
  if (mediaType == nullptr) return E_POINTER;
  if (position < 0) return E_INVALIDARG;
  if (position > 0) return VFW_S_NO_MORE_ITEMS;
  *mediaType = AnalogType(video_);
  return S_OK;
}

std::string CrossbarPinName(LONG physicalType, bool isInput) {
  static const char* const kVideo[] = {"",        "Tuner",   "Composite",      "SVideo",
                                       "RGB",     "YRYBY",   "Serial Digital", "Parallel Digital",
                                       "SCSI",    "AUX",     "1394",           "USB",
                                       "Decoder", "Encoder", "SCART",          "Black"};
  static const char* const kAudio[] = {"Tuner", "Line", "Mic",  "AES Digital", "SPDIF Digital",
                                       "SCSI",  "AUX",  "1394", "USB",         "Decoder"};
  std::string name;
  if (CrossbarRouting::IsVideo(physicalType)) {
    name = "Video ";
    name += physicalType >= 1 && physicalType < 16 ? kVideo[physicalType] : "Other";
  } else {
    const LONG index = physicalType - PhysConn_Audio_Tuner;
    name = "Audio ";
    name += index >= 0 && index < 10 ? kAudio[index] : "Other";
  }
  return name + (isInput ? " In" : " Out");
}

CrossbarFilter::CrossbarFilter(const CLSID& clsid, CrossbarDescription crossbar, RouteHook onRoute)
    : CBaseFilter(clsid),
      description_(std::move(crossbar)),
      onRoute_(std::move(onRoute)),
      routing_(description_),
      pages_(static_cast<IBaseFilter*>(this), {CLSID_CrossbarPage}) {
  const auto& inputs = description_.inputs;
  const auto& outputs = description_.outputs;
  for (std::size_t i = 0; i < inputs.size(); ++i) {
    const LONG type = inputs[i].physicalType;
    pins_.push_back(
        std::make_unique<AnalogPin>(this, std::to_string(i) + ": " + CrossbarPinName(type, true),
                                    PINDIR_INPUT, CrossbarRouting::IsVideo(type)));
  }
  for (std::size_t i = 0; i < outputs.size(); ++i) {
    const LONG type = outputs[i].physicalType;
    pins_.push_back(std::make_unique<AnalogPin>(
        this, std::to_string(inputs.size() + i) + ": " + CrossbarPinName(type, false),
        PINDIR_OUTPUT, CrossbarRouting::IsVideo(type)));
  }
  control_ = std::make_unique<Control>(this, routing_);
}

CrossbarFilter::~CrossbarFilter() = default;

CBasePin* CrossbarFilter::GetPin(int index) {
  if (index < 0 || index >= GetPinCount()) return nullptr;
  return pins_[static_cast<std::size_t>(index)].get();
}

CBasePin* CrossbarFilter::InputPin(LONG index) {
  return index >= 0 && index < routing_.Inputs() ? GetPin(index) : nullptr;
}

CBasePin* CrossbarFilter::OutputPin(LONG index) {
  return index >= 0 && index < routing_.Outputs() ? GetPin(routing_.Inputs() + index) : nullptr;
}

HRESULT CrossbarFilter::Route(LONG output, LONG input) {
  const HRESULT allowed = routing_.CheckRoute(output, input);
  if (FAILED(allowed)) return allowed;
  if (onRoute_) {
    const HRESULT applied = onRoute_(output, input, routing_);
    if (FAILED(applied)) return applied;
  }
  return routing_.Route(output, input);
}

HRESULT CrossbarFilter::QueryFilterInterface(REFIID riid, void** object) {
  if (riid == IID_IAMCrossbar) return control_->Give(object);
  if (riid == IID_ISpecifyPropertyPages) return pages_.Give(object);
  return CBaseFilter::QueryFilterInterface(riid, object);
}

}  // namespace devices

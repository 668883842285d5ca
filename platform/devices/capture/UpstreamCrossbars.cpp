#include "devices/capture/UpstreamCrossbars.h"

#include "com/Diagnostics.h"

namespace devices {

UpstreamCrossbars::UpstreamCrossbars(IUnknown* owner, AnalogPin& analogInput,
                                     std::string deviceName, Factory make)
    : FilterPart(owner),
      analogInput_(analogInput),
      deviceName_(std::move(deviceName)),
      make_(std::move(make)) {}

bool UpstreamCrossbars::In(IGraphBuilder* graph) const {
  if (crossbars_.empty()) return false;
  FILTER_INFO info;
  if (FAILED(crossbars_.front()->QueryFilterInfo(&info))) return false;
  return info.pGraph && IsSameObject(info.pGraph.Get(), graph);
}

HRESULT UpstreamCrossbars::AddUpstreamFilters(IGraphBuilder* graph) {
  if (graph == nullptr) return E_POINTER;
  if (In(graph)) return S_OK;
  crossbars_ = make_();
  if (crossbars_.empty()) return E_FAIL;
  for (const ComPtr<CrossbarFilter>& crossbar : crossbars_) {
    const HRESULT hr = graph->AddFilter(crossbar.Get(), crossbar->Description().name.c_str());
    if (FAILED(hr)) return hr;
  }
  return Connect(graph);
}

HRESULT UpstreamCrossbars::Connect(IGraphBuilder* graph) {
  for (std::size_t level = 0; level < crossbars_.size(); ++level) {
    const CrossbarDescription& description = crossbars_[level]->Description();
    for (std::size_t output = 0; output < description.outputs.size(); ++output) {
      const bool video = CrossbarRouting::IsVideo(description.outputs[output].physicalType);
      LONG target = -1;
      if (output < description.feeds.size()) {
        target = description.feeds[output];
      } else if (level == 0) {
        target = video && !analogInput_.IsConnected() ? 0 : -1;
      } else {
        target = static_cast<LONG>(output);
      }
      if (target < 0) continue;
      CBasePin* from = crossbars_[level]->OutputPin(static_cast<LONG>(output));
      CBasePin* to = level == 0 ? static_cast<CBasePin*>(&analogInput_)
                                : crossbars_[level - 1]->InputPin(target);
      if (from == nullptr || to == nullptr || to->IsConnected()) continue;
      const MediaType type = AnalogPin::AnalogType(video);
      if (to->CheckMediaType(type.Ptr()) != S_OK) continue;  // audio never feeds a video input
      const HRESULT hr = graph->ConnectDirect(from, to, type.Ptr());
      if (FAILED(hr)) {
        diag::Warn("devices", deviceName_ + ": a crossbar does not connect: " + HResultText(hr));
        return hr;
      }
    }
  }
  return S_OK;
}

}  // namespace devices

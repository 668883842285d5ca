#pragma once
// IUpstreamDeviceFilters of a capture card whose crossbars are filters of their own: it puts
// them into the graph the capture graph builder builds, each connected towards the capture
// filter's analog video input, before the builder searches upstream.
//
// Each output of a crossbar feeds the input its description names (feeds); without one, the
// first video output of the crossbar next to the capture filter feeds the analog video input,
// and the outputs of a crossbar upstream feed the inputs of the same number downstream.
//
// Application thread.

#include <functional>
#include <string>
#include <vector>

#include "devices/capture/CrossbarFilter.h"
#include "devices/capture/FilterPart.h"
#include "dshow/graph/UpstreamDeviceFilters.h"

namespace devices {

class UpstreamCrossbars : public FilterPart<IUpstreamDeviceFilters> {
 public:
  // Makes the card's crossbars, [0] next to the capture filter. Called each time they join a
  // graph, so that they start from the routing the device has then; empty on failure.
  using Factory = std::function<std::vector<ComPtr<CrossbarFilter>>()>;

  // owner: the capture filter; analogInput: its analog video input pin, which it owns and keeps
  // while this object lives; deviceName for diagnostics.
  UpstreamCrossbars(IUnknown* owner, AnalogPin& analogInput, std::string deviceName, Factory make);

  // Adds the crossbars to graph, connected. Does nothing when they are in that graph already.
  HRESULT AddUpstreamFilters(IGraphBuilder* graph) override;

  // The crossbars last made, [0] next to the capture filter.
  const std::vector<ComPtr<CrossbarFilter>>& Crossbars() const { return crossbars_; }

 private:
  bool In(IGraphBuilder* graph) const;
  HRESULT Connect(IGraphBuilder* graph);

  AnalogPin& analogInput_;
  const std::string deviceName_;
  const Factory make_;
  std::vector<ComPtr<CrossbarFilter>> crossbars_;
};

}  // namespace devices

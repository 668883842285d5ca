#include "rudozav/devices/CrossbarInput.h"

#include "rudozav/RudOzav.h"
#include "rudozav/core/ComponentState.h"
#include "rudozav/core/Logging.h"
#include "rudozav/devices/CrossbarTree.h"

namespace errors = rudozav::errors;

void RouteVideoCrossbarInput(TRavorOderiri& component) {
  TRavorOdeririState& state = component.State();
  if (!state.graph->videoCrossbar) return;  // waits for the next graph
  const std::int32_t input = state.settings[rs_VideoCrossbarInput].IntValue;
  if (rudozav::LogCheck(component, input >= state.graph->videoCrossbarPins.InputCount,
                        errors::kCrossbarInputIndexOutOfRange)) {
    return;
  }
  if (!rudozav::LogResult(component, state.graph->videoCrossbar->Route(0, input),
                          errors::kCannotRouteVideoCrossbar)) {
    return;
  }
  ReloadVideoCrossbar(component);
  state.crossbarInputPending = false;
}

void ApplyPendingCrossbarInput(TRavorOderiri& component) {
  TRavorOdeririState& state = component.State();
  if (state.crossbarInputPending) {
    state.crossbarInputPending = false;
    RouteVideoCrossbarInput(component);
  }
  if (state.graph->crossbarTree)
    RouteRelatedPins(*state.graph->crossbarTree, state.graph->videoCrossbar.Get());
}

void ReloadVideoCrossbar(TRavorOderiri& component) {
  TRavorOdeririState& state = component.State();
  LoadCrossbarPins(state.graph->videoCrossbarPins, state.graph->videoCrossbar.Get());
  if (state.graph->crossbarTree)
    RouteRelatedPins(*state.graph->crossbarTree, state.graph->videoCrossbar.Get());
}

void RouteRelatedAudioPin(TRavorOderiri& component) {
  IAMCrossbar* crossbar = component.State().graph->videoCrossbar.Get();
  LONG outputs = 0;
  LONG inputs = 0;
  if (crossbar == nullptr || FAILED(crossbar->get_PinCounts(&outputs, &inputs)) || outputs == 0)
    return;
  LONG videoOutput = -1;
  LONG audioOutput = -1;
  for (LONG i = 0; i < outputs; ++i) {
    LONG related = -1;
    LONG type = 0;
    if (FAILED(crossbar->get_CrossbarPinInfo(FALSE, i, &related, &type))) continue;
    LONG& first = IsVideoPinType(type) ? videoOutput : audioOutput;
    if (first == -1) first = i;
  }
  if (videoOutput == -1 || audioOutput == -1) return;
  LONG companion = -1;
  LONG type = 0;
  HRESULT result = crossbar->get_CrossbarPinInfo(TRUE, 0, &companion, &type);
  // Input 0 without a companion leaves the audio as it is: routing input -1 would cut it off.
  if (SUCCEEDED(result) && companion == -1) return;
  if (SUCCEEDED(result)) result = crossbar->Route(audioOutput, companion);
  rudozav::LogResult(component, result, errors::kCannotRouteAudioCrossbar);
}

void TRavorOderiri::ApplyPendingCrossbarInput() {
  ::ApplyPendingCrossbarInput(*this);
}

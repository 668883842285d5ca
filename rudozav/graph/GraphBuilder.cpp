#include "rudozav/graph/GraphBuilder.h"

#include "clock/Clock.h"
#include "com/Com.h"
#include "dshow/DShow.h"
#include "rudozav/RudOzav.h"
#include "rudozav/core/ComponentState.h"
#include "rudozav/core/Logging.h"

namespace errors = rudozav::errors;

namespace {

// The builder's instance text keeps its historical spelling: log readers search for it.
constexpr char kGraphBuilderName[] = "Graph Buider";
constexpr char kFilterGraphName[] = "Filter Graph";
// The notification's parameter, handed back with every posted message.
constexpr LONG_PTR kNotifyInstanceData = 1;

}  // namespace

bool CreateFilter(TRavorOderiri& component, REFCLSID clsid, REFIID iid, const std::string& name,
                  void** object) {
  const HRESULT hr = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, iid, object);
  return rudozav::LogResult(component, hr, errors::kInstance, name);
}

bool CreateGraphBuilder(TRavorOderiri& component) {
  component.ClearGraph();
  TRavorOdeririState& state = component.State();
  state.graph->rendererStamp = GetTickCount();
  if (!CreateFilter(component, CLSID_CaptureGraphBuilder2, kGraphBuilderName,
                    state.graph->captureBuilder) ||
      !CreateFilter(component, CLSID_FilterGraph, kFilterGraphName, state.graph->filterGraph)) {
    return false;
  }
  return rudozav::LogResult(
      component, state.graph->captureBuilder->SetFiltergraph(state.graph->filterGraph.Get()),
      errors::kSetFilterGraph);
}

bool GetGraphInterfaces(TRavorOderiri& component) {
  TRavorOdeririState& state = component.State();
  if (!state.graph->filterGraph) return false;
  const HRESULT eventResult = state.graph->filterGraph.As(&state.graph->mediaEvent);
  if (rudozav::LogResult(component, eventResult, errors::kGetEventEx) && state.graph->mediaEvent) {
    // Results ignored: a graph that cannot notify still runs; its events are then never seen.
    (void)state.graph->mediaEvent->SetNotifyFlags(0);
    (void)state.graph->mediaEvent->SetNotifyWindow(
        reinterpret_cast<OAHWND>(static_cast<QWidget*>(&component)),
        TRavorOderiri::kGraphNotifyMessage, kNotifyInstanceData);
  }
  return rudozav::LogResult(component, state.graph->filterGraph.As(&state.graph->mediaControl),
                            errors::kGetControlInterface);
}

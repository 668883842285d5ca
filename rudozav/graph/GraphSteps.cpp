// Steps the preview and capture graphs share.

#include "rudozav/graph/GraphSteps.h"

#include "dshow/DShow.h"
#include "rudozav/RudOzav.h"
#include "rudozav/core/ComponentState.h"
#include "rudozav/core/Logging.h"

ComPtr<IPin> FindUnconnectedPin(TRavorOdeririState& state, IBaseFilter* filter,
                                const GUID* category, const GUID& majorType) {
  ComPtr<IPin> pin;
  if (!state.graph->captureBuilder || filter == nullptr) return pin;
  if (FAILED(state.graph->captureBuilder->FindPin(filter, PINDIR_OUTPUT, category, &majorType, TRUE,
                                                  0, pin.ReleaseAndGetAddressOf())))
    pin.Reset();
  return pin;
}

void FindDroppedFramesInterface(TRavorOderiri& component) {
  TGraphState& graph = *component.State().graph;
  graph.droppedFramesInterface.Reset();
  HRESULT hr = E_FAIL;
  if (graph.captureBuilder) {
    hr = graph.captureBuilder->FindInterface(
        &PIN_CATEGORY_CAPTURE, &graph.streamMajorType, graph.videoCaptureFilter.Get(),
        IID_IAMDroppedFrames, graph.droppedFramesInterface.ReleaseAndGetVoidAddress());
  }
  if (FAILED(hr)) graph.droppedFramesInterface.Reset();
  rudozav::LogResult(component, hr, rudozav::errors::kFindDroppedFrames);
}

bool FrameNotifierWanted(const TRavorOderiri& component) {
  return component.FrameCountMethod() == fim_FrameEvent ||
         (component.State().graph->timecodeReaderInterface &&
          component.TimeCodeReaderMethod() == fim_FrameEvent);
}

// Steps the preview, capture and player graphs share.

#include "rudozav/graph/GraphSteps.h"

#include "dshow/DShow.h"
#include "filters/common/GrabberClasses.h"
#include "rudozav/RudOzav.h"
#include "rudozav/core/ComponentState.h"
#include "rudozav/core/Logging.h"
#include "rudozav/core/ProcessLog.h"
#include "rudozav/graph/FilterInsertion.h"
#include "rudozav/graph/GrabberInsertion.h"
#include "rudozav/graph/PreviewGraph.h"

namespace errors = rudozav::errors;

namespace {

constexpr char kDScalerStateKey[] =
    "\\Software\\RavorOderiri\\ThirdPartyFilters\\{463D645D-48F7-11D4-8464-0008C782A257}";
constexpr char kDScalerAddress[] = "http://deinterlace.sourceforge.net/";

// The deinterlacer the Deinterlacer property chooses. A missing outside deinterlacer is reported
// and the graph goes on without it.
bool InsertDeinterlacer(TRavorOderiri& component, ComPtr<IPin>& pin) {
  switch (component.Deinterlacer()) {
    case di_DSCALER:
      WriteProcessLog("inserting deinterlacer");
      if (!InsertFilterAndRestoreState(component, CLSID_DScalerDeinterlacer,
                                       kDScalerDeinterlacerName, pin, kDScalerStateKey))
        rudozav::LogCheck(component, true, errors::kDscalerNotInstalled, kDScalerAddress);
      return true;
    case di_HalfSize: {
      WriteProcessLog("inserting deinterlacer");
      TGrabberControl* record = nullptr;  // the deinterlacer's record is not kept
      return InsertFilter1grabber(component, CLSID_TrnfGrbr, kHalfSizeDeinterlacerName, pin, record,
                                  -3, 0, 1, nullptr);
    }
    default:
      return true;
  }
}

}  // namespace

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

// The grabbers: raw, deinterlacer, frame grabber, and the frame notifier when frame events are
// wanted and no grabber gives them. The last grabber inserted is the active record.
bool InsertPreviewGrabbers(TRavorOderiri& component, ComPtr<IPin>& pin) {
  TRavorOdeririState& state = component.State();
  if (component.RawFrameGrabberEnabled()) {
    WriteProcessLog("inserting raw frame grabber on preview stream");
    if (!InsertFilter1grabber(component, CLSID_InplGrabber, kRawFrameGrabberName, pin,
                              state.graph->rawGrabberRecord, 2, 1, 0, nullptr))
      return false;
    state.graph->activeRecord = state.graph->rawGrabberRecord;
  }
  if (!InsertDeinterlacer(component, pin)) return false;
  if (component.FrameGrabberEnabled()) {
    WriteProcessLog("inserting frame grabber on preview stream");
    if (!InsertFilter1grabber(component, CLSID_InplGrabber, kFrameGrabberName, pin,
                              state.graph->frameGrabberRecord, 3, 1, 1, &MEDIASUBTYPE_RGB24))
      return false;
    state.graph->activeRecord = state.graph->frameGrabberRecord;
  }
  if (state.graph->activeRecord == nullptr && FrameNotifierWanted(component)) {
    WriteProcessLog("inserting frame counter");
    if (!InsertFilter1grabber(component, CLSID_InplGrabber, kFrameNotifierName, pin,
                              state.graph->notifierRecord, -1, 0, 0, nullptr))
      return false;
    state.graph->activeRecord = state.graph->notifierRecord;
  }
  return true;
}

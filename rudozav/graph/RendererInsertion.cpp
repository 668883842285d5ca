#include "rudozav/graph/RendererInsertion.h"

#include "dshow/DShow.h"
#include "rudozav/RudOzav.h"
#include "rudozav/core/ComponentState.h"
#include "rudozav/core/Logging.h"
#include "rudozav/core/ProcessLog.h"
#include "rudozav/graph/FilterAdding.h"
#include "rudozav/graph/PinConnection.h"
#include "rudozav/graph/ScreenDepth.h"

namespace errors = rudozav::errors;

namespace {

// The RGB subtype that matches the screen, or null for a depth without one.
const GUID* ScreenSubtype() {
  switch (ScreenDepth()) {
    case 16:
      return &MEDIASUBTYPE_RGB565;
    case 24:
      return &MEDIASUBTYPE_RGB24;
    case 32:
      return &MEDIASUBTYPE_RGB32;
    default:
      return nullptr;
  }
}

// A direct connection with only the screen's subtype given; everything else is left open.
bool ConnectWithScreenType(IPin* pin, IPin* input) {
  const GUID* subtype = ScreenSubtype();
  if (subtype == nullptr) return false;
  AM_MEDIA_TYPE mediaType{};
  mediaType.subtype = *subtype;
  mediaType.lSampleSize = 1;
  return SUCCEEDED(pin->Connect(input, &mediaType));
}

// Connects pin to the renderer that was just added; on failure takes the renderer out again.
bool ConnectRenderer(TRavorOderiri& component, ComPtr<IPin>& pin, const std::string& name,
                     ComPtr<IBaseFilter>& renderer, ComPtr<IPin>& input, bool report) {
  if (!ConnectPins(component, pin.Get(), input.Get()) &&
      !ConnectWithScreenType(pin.Get(), input.Get())) {
    input.Reset();
    WriteProcessLog("ERROR: InsertRenderer cannot connect " + name);
    if (const ComPtr<IGraphBuilder>& graph = component.State().graph->filterGraph) {
      (void)graph->RemoveFilter(renderer.Get());  // a renderer that stays would only be unfed
    }
    renderer.Reset();
    if (report) rudozav::LogCheck(component, true, errors::kDirectXAccelerationDisabled);
    return false;
  }
  pin.Reset();
  return true;
}

}  // namespace

bool InsertRenderer(TRavorOderiri& component, ComPtr<IPin>& pin, const std::string& name,
                    TRenderer& record, bool report) {
  if (!pin) return false;
  ComPtr<IPin> input;
  if (!AddVideoRendererGetInput(component, name, record.Filter, input)) return false;
  return ConnectRenderer(component, pin, name, record.Filter, input, report);
}

bool InsertRenderer(TRavorOderiri& component, ComPtr<IPin>& pin, const std::string& name,
                    ComPtr<IBaseFilter>& renderer, bool report) {
  if (!pin) return false;
  ComPtr<IPin> input;
  if (!AddFilterGetInput(component, CLSID_AudioRender, name, renderer, input)) return false;
  return ConnectRenderer(component, pin, name, renderer, input, report);
}

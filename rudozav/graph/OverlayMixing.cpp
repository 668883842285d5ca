// The overlay renderer of a device with a video port: fed from the video port pin, or from the
// preview pin through the overlay mixer.

#include "dshow/DShow.h"
#include "rudozav/RudOzav.h"
#include "rudozav/core/ComponentState.h"
#include "rudozav/core/Logging.h"
#include "rudozav/graph/FilterAdding.h"
#include "rudozav/graph/PinConnection.h"

namespace errors = rudozav::errors;

namespace {

// The pins and filters one attempt has made, for undoing it.
struct TOverlayChain {
  ComPtr<IPin> devicePin;
  ComPtr<IBaseFilter> mixer;
  ComPtr<IPin> mixerInput;
  ComPtr<IPin> mixerOutput;
  ComPtr<IPin> rendererInput;
};

ComPtr<IPin> FindDevicePin(TRavorOdeririState& state, const GUID& category) {
  ComPtr<IPin> pin;
  if (!state.graph->captureBuilder ||
      FAILED(state.graph->captureBuilder->FindPin(
          state.graph->videoCaptureFilter.Get(), PINDIR_OUTPUT, &category,
          &state.graph->streamMajorType, TRUE, 0, pin.ReleaseAndGetAddressOf()))) {
    pin.Reset();
  }
  return pin;
}

bool AddOverlayRenderer(TRavorOderiri& component, TOverlayChain& chain) {
  TRavorOdeririState& state = component.State();
  const std::string name = "overlay renderer " + std::to_string(state.graph->rendererStamp);
  return AddVideoRendererGetInput(component, name, state.graph->overlayRenderer.Filter,
                                  chain.rendererInput);
}

// The video port pin straight into the overlay renderer.
bool ConnectVideoPort(TRavorOderiri& component, TOverlayChain& chain) {
  return AddOverlayRenderer(component, chain) &&
         ConnectPins(component, chain.devicePin.Get(), chain.rendererInput.Get());
}

// The preview pin through the overlay mixer into the overlay renderer, both links direct.
bool ConnectThroughMixer(TRavorOderiri& component, TOverlayChain& chain) {
  if (!AddFilterGetInputOutput(component, CLSID_OverlayMixer, "OverlayFilter mix", chain.mixer,
                               chain.mixerInput, chain.mixerOutput)) {
    return false;
  }
  AM_MEDIA_TYPE overlay{};
  overlay.majortype = MEDIATYPE_Video;
  overlay.subtype = MEDIASUBTYPE_Overlay;
  return SUCCEEDED(chain.devicePin->Connect(chain.mixerInput.Get(), &overlay)) &&
         AddOverlayRenderer(component, chain) &&
         SUCCEEDED(chain.mixerOutput->Connect(chain.rendererInput.Get(), nullptr));
}

// Takes everything the attempt added out of the graph again. The overlay renderer goes too, so
// that it is never chosen to show video it does not receive.
void UndoOverlayChain(TRavorOdeririState& state, TOverlayChain& chain) {
  IGraphBuilder* graph = state.graph->filterGraph.Get();
  if (graph == nullptr) return;
  // A pin that was never connected answers with an error; there is nothing to undo then.
  for (const ComPtr<IPin>& pin :
       {chain.devicePin, chain.mixerInput, chain.mixerOutput, chain.rendererInput}) {
    if (pin) (void)graph->Disconnect(pin.Get());
  }
  if (chain.mixer) (void)graph->RemoveFilter(chain.mixer.Get());
  if (state.graph->overlayRenderer.Filter)
    (void)graph->RemoveFilter(state.graph->overlayRenderer.Filter.Get());
  state.graph->overlayRenderer = TRenderer{};
}

}  // namespace

bool TRavorOderiri::SetupOverlayMixing(bool reportFailure) {
  TRavorOdeririState& state = *state_;
  if (!state.graph->videoCaptureFilter) return false;
  TOverlayChain chain;
  chain.devicePin = FindDevicePin(state, PIN_CATEGORY_VIDEOPORT);
  if (chain.devicePin) {
    if (ConnectVideoPort(*this, chain)) return true;
  } else {
    chain.devicePin = FindDevicePin(state, PIN_CATEGORY_PREVIEW);
    if (chain.devicePin && ConnectThroughMixer(*this, chain)) return true;
  }
  rudozav::LogCheck(*this, reportFailure, errors::kDirectDrawDisabled);
  UndoOverlayChain(state, chain);
  return false;
}

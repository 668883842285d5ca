// The preview graph: from the device's capture (or DV) pin through the optional grabbers and
// deinterlacer to the video renderer, with the audio renderer beside it, then run. Every failed
// step abandons the whole graph. UI thread only.

#include "rudozav/graph/PreviewGraph.h"
#include "dshow/DShow.h"
#include "filters/common/GrabberClasses.h"
#include "rudozav/RudOzav.h"
#include "rudozav/core/ComponentState.h"
#include "rudozav/core/Logging.h"
#include "rudozav/core/ProcessLog.h"
#include "rudozav/devices/FormatSetting.h"
#include "rudozav/frames/FrameCounting.h"
#include "rudozav/graph/FilterInsertion.h"
#include "rudozav/graph/GrabberInsertion.h"
#include "rudozav/graph/GraphBuilder.h"
#include "rudozav/graph/GraphSteps.h"
#include "rudozav/graph/RendererInsertion.h"
#include "ui/Application.h"

namespace errors = rudozav::errors;

namespace {

// A DV camcorder: its preview pin (else its capture pin) into the DV splitter, the splitter's
// video into the DV codec. audioPin receives the splitter's sound when it is to be rendered.
bool BuildDVSource(TRavorOderiri& component, ComPtr<IPin>& pin, ComPtr<IPin>& audioPin,
                   bool& audioAvailable) {
  TRavorOdeririState& state = component.State();
  IBaseFilter* device = state.graph->videoCaptureFilter.Get();
  ComPtr<IPin> devicePin =
      FindUnconnectedPin(state, device, &PIN_CATEGORY_PREVIEW, state.graph->streamMajorType);
  if (!devicePin)
    devicePin =
        FindUnconnectedPin(state, device, &PIN_CATEGORY_CAPTURE, state.graph->streamMajorType);
  if (!devicePin) return false;
  ComPtr<IBaseFilter> splitter;
  if (!InsertFilter(component, CLSID_DVSplitter, kDVSplitterName, devicePin, splitter))
    return false;
  if (const auto discard = splitter.As<IDVSplitter>())
    discard->DiscardAlternateVideoFrames(component.DVReduceFrameRate() ? 1 : 0);
  pin = FindUnconnectedPin(state, splitter.Get(), nullptr, MEDIATYPE_Video);
  if (!pin) return false;
  ComPtr<IBaseFilter> codec;
  if (!InsertFilterInline(component, CLSID_DVVideoCodec, kDVCodecName, pin, codec)) return false;
  ConfigureDVDecoder(component, codec.Get());
  if (component.RenderAudio() && !component.DVUseExternalAudio()) {
    audioPin = FindUnconnectedPin(state, splitter.Get(), nullptr, MEDIATYPE_Audio);
    if (!audioPin) return false;
    audioAvailable = true;
  }
  return true;
}

// Any other device: overlay mixing for a video port first (its failure does not stop the
// preview), then the capture pin, which feeds the preview.
bool BuildCaptureSource(TRavorOderiri& component, ComPtr<IPin>& pin) {
  TRavorOdeririState& state = component.State();
  pin = FindUnconnectedPin(state, state.graph->videoCaptureFilter.Get(), &PIN_CATEGORY_CAPTURE,
                           state.graph->streamMajorType);
  return static_cast<bool>(pin);
}

// The audio renderer for the DV splitter's sound or the audio capture device's output. Only a
// missing audio pin fails the build; the renderer itself may fail without stopping it.
bool InsertAudioRenderer(TRavorOderiri& component, ComPtr<IPin>& audioPin) {
  TRavorOdeririState& state = component.State();
  if (!audioPin) {
    audioPin =
        FindUnconnectedPin(state, state.graph->audioCaptureFilter.Get(), nullptr, MEDIATYPE_Audio);
    if (!audioPin) return false;
  }
  ApplyAudioFormat(component);
  // The preview goes on without sound when the renderer cannot take it.
  InsertRenderer(component, audioPin, kAudioRendererName, state.graph->audioRenderer, false);
  return true;
}

}  // namespace

bool TRavorOderiri::BuildPreviewGraph() {
  if (BuildPreviewChain()) return true;
  ClearGraph();
  return false;
}

bool TRavorOderiri::BuildPreviewChain() {
  TRavorOdeririState& state = *state_;
  WriteProcessLog("Preview BUILDOWN BEGIN");
  if (!state.graph->videoCaptureFilter) return false;
  bool audioAvailable = state.audioDeviceUsable;
  ComPtr<IPin> pin;
  ComPtr<IPin> audioPin;
  if (IsDVDevice()) {
    if (!BuildDVSource(*this, pin, audioPin, audioAvailable)) return false;
  } else {
    if (VideoPortAvailable()) SetupOverlayMixing(overlayEnabled_);
    if (!BuildCaptureSource(*this, pin)) return false;
  }
  if (!InsertPreviewGrabbers(*this, pin)) return false;
  state.graph->recordConnectedSize = true;  // the renderer's connection fixes the video size
  const std::string rendererName = "video renderer " + std::to_string(state.graph->rendererStamp);
  if (!InsertRenderer(*this, pin, rendererName, state.graph->videoRenderer, true)) return false;
  if (audioAvailable && renderAudio_ && !InsertAudioRenderer(*this, audioPin)) return false;
  ApplyPendingCrossbarInput();
  // Primes the time code.
  rudozav::ReadTrackNumber(*this);
  rudozav::ReadTimeCode(*this);
  if (!IsDVDevice()) ApplyFrameRateToStream();
  GetGraphInterfaces(*this);
  FindDroppedFramesInterface(*this);
  SetupRendererWindows();
  ChooseActiveRenderer();
  StartFrameThread(&TRavorOderiri::HandleFrameEvent);
  return RunPreview();
}

// Stops the built graph, applies full screen, runs it and announces the running preview.
bool TRavorOderiri::RunPreview() {
  TRavorOdeririState& state = *state_;
  ControlGraph(gm_Stop);
  ApplyFullScreenPreview();
  ui::ProcessMessages();
  if (!ControlGraph(gm_Run)) {
    WriteProcessLog("preview ERROR: failed to change graph state");
    return false;
  }
  rudozav::ResetFrameCounters(*this);
  state.videoWidth = state.graph->connectedVideoWidth;  // the running video's size
  state.videoHeight = state.graph->connectedVideoHeight;
  if (OnPreviewStarted) OnPreviewStarted(this);
  WriteProcessLog("Preview BUILDOWN END");
  return true;
}

// The capture graph: the device's video (and sound) into the AVI multiplexer while the live video
// stays on screen, with the optional grabbers, deinterlacer and compressors, started when the host
// agrees. Every failed step ends in one place that leaves no graph, no stray file and no advanced
// file counter behind, and brings the preview back. UI thread only.

#include "rudozav/graph/CaptureGraph.h"

#include <filesystem>
#include <system_error>

#include "dshow/DShow.h"
#include "filters/common/GrabberClasses.h"
#include "rudozav/RudOzav.h"
#include "rudozav/core/ComponentState.h"
#include "rudozav/core/Logging.h"
#include "rudozav/core/ProcessLog.h"
#include "rudozav/devices/DeviceBinding.h"
#include "rudozav/devices/Devices.h"
#include "rudozav/devices/DevicesManager.h"
#include "rudozav/devices/FormatSetting.h"
#include "rudozav/devices/SettingsStore.h"
#include "rudozav/frames/FrameCounting.h"
#include "rudozav/graph/CaptureFile.h"
#include "rudozav/graph/FileMux.h"
#include "rudozav/graph/FilterInsertion.h"
#include "rudozav/graph/GrabberInsertion.h"
#include "rudozav/graph/GraphBuilder.h"
#include "rudozav/graph/GraphSteps.h"
#include "rudozav/graph/PinConnection.h"
#include "rudozav/graph/PreviewGraph.h"
#include "rudozav/graph/RendererInsertion.h"
#include "ui/Application.h"
#include "ui/Cursor.h"

namespace errors = rudozav::errors;
namespace fs = std::filesystem;

namespace {

constexpr char kDScalerStateKey[] =
    "\\Software\\RavorOderiri\\ThirdPartyFilters\\{463D645D-48F7-11D4-8464-0008C782A257}";

// What one capture build carries from step to step.
struct TCaptureBuild {
  int savedSequence = 0;
  bool filePrepared = false;
  bool writeTargetExisted = false;  // a file the user had is never deleted by a failed start
  bool cancelled = false;           // the host answered that the capture is not to start
  bool audioAvailable = false;
  bool dvType1 = false;  // the file gets the DV stream as it comes; the preview is decoded
  ComPtr<IPin> pin;      // the chain to the file
  ComPtr<IPin> previewPin;
  ComPtr<IPin> dvAudioPin;
  ComPtr<IBaseFilter> splitter;
};

bool Exists(const std::string& file) {
  std::error_code error;
  return fs::exists(file, error);
}

// The Smart Tee on the file's chain: its capture output goes on to the file (and is held back
// until the host agrees to start), its preview output to the screen.
bool InsertSmartTee(TRavorOderiri& component, TCaptureBuild& build) {
  ComPtr<IPin> teed = std::move(build.pin);
  if (!InsertFilter2(component, CLSID_SmartTee, kSmartTeeName, teed, build.pin, build.previewPin))
    return false;
  component.State().graph->captureStreamPin = build.pin;
  return true;
}

// The DV camcorder's interleaved stream: split before the tee (type 2), or teed first so that
// the file gets it unchanged and only the preview is split and decoded (type 1).
bool BuildDVCaptureSource(TRavorOderiri& component, TCaptureBuild& build) {
  TRavorOdeririState& state = component.State();
  TGraphState& graph = *state.graph;
  build.pin =
      FindUnconnectedPin(state, graph.videoCaptureFilter.Get(), nullptr, MEDIATYPE_Interleaved);
  if (!build.pin) return false;
  ComPtr<IBaseFilter> codec;
  if (build.dvType1) {
    if (!InsertSmartTee(component, build)) return false;
    if (!InsertFilter(component, CLSID_DVSplitter, kDVSplitterName, build.previewPin,
                      build.splitter))
      return false;
    build.previewPin = FindUnconnectedPin(state, build.splitter.Get(), nullptr, MEDIATYPE_Video);
    build.dvAudioPin = FindUnconnectedPin(state, build.splitter.Get(), nullptr, MEDIATYPE_Audio);
    if (!build.previewPin || !build.dvAudioPin) return false;
    if (!InsertFilterInline(component, CLSID_DVVideoCodec, kDVCodecName, build.previewPin, codec))
      return false;
  } else {
    if (!InsertFilter(component, CLSID_DVSplitter, kDVSplitterName, build.pin, build.splitter))
      return false;
    if (const auto discard = build.splitter.As<IDVSplitter>())
      discard->DiscardAlternateVideoFrames(component.DVReduceFrameRate() ? 1 : 0);
    build.pin = FindUnconnectedPin(state, build.splitter.Get(), nullptr, MEDIATYPE_Video);
    if (!InsertFilterInline(component, CLSID_DVVideoCodec, kDVCodecName, build.pin, codec))
      return false;
  }
  ConfigureDVDecoder(component, codec.Get());
  return true;
}

// Raw frame grabber on the file's chain; deinterlacer and frame grabber on the picture the
// preview shows; the frame notifier when frame events are wanted and no grabber gives them.
bool InsertCaptureGrabbers(TRavorOderiri& component, TCaptureBuild& build) {
  TGraphState& graph = *component.State().graph;
  if (component.RawFrameGrabberEnabled()) {
    WriteProcessLog("inserting raw frame grabber on preview stream");
    if (!InsertFilter1grabber(component, CLSID_InplGrabber, kRawFrameGrabberName, build.pin,
                              graph.rawGrabberRecord, 2, 1, 0, nullptr))
      return false;
    graph.activeRecord = graph.rawGrabberRecord;
  }
  ComPtr<IPin>& picture = build.dvType1 ? build.previewPin : build.pin;
  if (component.Deinterlacer() == di_DSCALER) {
    WriteProcessLog("inserting deinterlacer");
    // The outside deinterlacer is optional here: the capture goes on without it, unreported.
    InsertFilterAndRestoreState(component, CLSID_DScalerDeinterlacer,
                                kDScalerPreviewDeinterlacerName, picture, kDScalerStateKey);
  } else if (component.Deinterlacer() == di_HalfSize) {
    WriteProcessLog("inserting deinterlacer");
    TGrabberControl* record = nullptr;  // the deinterlacer's record is not kept
    if (!InsertFilter1grabber(component, CLSID_TrnfGrbr, kCaptureDeinterlacerName, picture, record,
                              -3, 0, 1, nullptr))
      return false;
  }
  if (component.FrameGrabberEnabled()) {
    WriteProcessLog("inserting frame grabber on preview stream");
    if (!InsertFilter1grabber(component, CLSID_InplGrabber, kFrameGrabberName, picture,
                              graph.frameGrabberRecord, 3, 1, 1, &MEDIASUBTYPE_RGB24))
      return false;
    graph.activeRecord = graph.frameGrabberRecord;
  }
  if (graph.activeRecord == nullptr && FrameNotifierWanted(component)) {
    WriteProcessLog("inserting frame counter");
    if (!InsertFilter1grabber(component, CLSID_InplGrabber, kFrameNotifierName, build.pin,
                              graph.notifierRecord, -1, 0, 0, nullptr))
      return false;
    graph.activeRecord = graph.notifierRecord;
  }
  return true;
}

}  // namespace

bool CompressesStream(const TRavorOderiri& component, TCompressionType stream) {
  const bool now = (component.CompressionMode() == cm_CompressOnTheFly &&
                    component.CurrentState() == cs_Capture) ||
                   (component.CompressionMode() == cm_CompressAfterCapture &&
                    component.CurrentState() == cs_Recompress);
  return now &&
         (component.CompressionType() == stream || component.CompressionType() == ct_AudioVideo);
}

bool BindCompressor(TRavorOderiri& component, bool video, ComPtr<IBaseFilter>& compressor) {
  const TDevices* list = video ? VideoCompressorList() : AudioCompressorList();
  if (list == nullptr) return false;
  int index = video ? component.VideoCompressor() : component.AudioCompressor();
  bool usable = true;
  if (!BindDeviceFilter(component, *list, index, usable, true, compressor)) return false;
  if (video) RestoreFilterState(compressor.Get(), CompressorKeyPath(component));
  return true;
}

namespace {

// The Smart Tee that splits the file's stream from the preview, and the video compressor.
bool InsertTeeAndCompressor(TRavorOderiri& component, TCaptureBuild& build) {
  TGraphState& graph = *component.State().graph;
  if (build.dvType1) return true;
  if (!InsertSmartTee(component, build)) return false;
  if (!CompressesStream(component, ct_Video)) return true;
  WriteProcessLog("inserting video compressor");
  return BindCompressor(component, true, graph.videoCompressor) &&
         InsertExistingFilter(component, graph.videoCompressor.Get(), build.pin);
}

// The sound: from the DV splitter or the audio device, through the tee that lets it be heard
// as well and the audio compressor, into the file; or only to the audio renderer.
bool ConnectCaptureAudio(TRavorOderiri& component, TCaptureBuild& build, bool audioWanted) {
  TRavorOdeririState& state = component.State();
  TGraphState& graph = *state.graph;
  ComPtr<IPin> audioPin;
  if (component.IsDVDevice() && !component.DVUseExternalAudio()) {
    if (!build.splitter) return false;
    audioPin = build.dvType1
                   ? build.dvAudioPin
                   : FindUnconnectedPin(state, build.splitter.Get(), nullptr, MEDIATYPE_Audio);
    if (!audioPin) return false;
    build.audioAvailable = true;
  } else if (!audioWanted) {
    build.audioAvailable = false;
  } else if (build.audioAvailable) {
    audioPin = FindUnconnectedPin(state, graph.audioCaptureFilter.Get(), nullptr, MEDIATYPE_Audio);
    if (!audioPin) return false;
  }
  if (!build.audioAvailable) return true;
  if (build.dvType1) {
    return !component.RenderAudio() ||
           InsertRenderer(component, audioPin, kAudioRendererName, graph.audioRenderer, false);
  }
  ComPtr<IBaseFilter> tee;
  if (component.CaptureAudio() && component.RenderAudio() &&
      !InsertFilterInline(component, CLSID_InfTee, kAudioTeeName, audioPin, tee))
    return false;
  if (CompressesStream(component, ct_Audio)) {
    WriteProcessLog("inserting audio compressor");
    if (!BindCompressor(component, false, graph.audioCompressor) ||
        !InsertExistingFilter(component, graph.audioCompressor.Get(), audioPin))
      return false;
  }
  if (!component.CaptureAudio()) {
    return !component.RenderAudio() ||
           InsertRenderer(component, audioPin, kAudioRendererName, graph.audioRenderer, false);
  }
  if (!ConnectToFreeInputGetPin(component, audioPin, graph.fileMux.Get(), graph.muxAudioPin))
    return false;
  graph.masterStreamChoice = 1;
  if (!component.RenderAudio() || !tee) return true;
  ComPtr<IPin> teeOutput = FindUnconnectedPin(state, tee.Get(), nullptr, MEDIATYPE_Audio);
  return teeOutput &&
         InsertRenderer(component, teeOutput, kAudioRendererName, graph.audioRenderer, false);
}

// From the file's side of the graph to the connection of the multiplexer and the sound.
bool BuildCaptureChain(TRavorOderiri& component, TCaptureBuild& build, bool audioWanted) {
  TRavorOdeririState& state = component.State();
  TGraphState& graph = *state.graph;
  WriteProcessLog("Capture BUILDOWN BEGIN");
  if (!graph.videoCaptureFilter) return false;
  build.savedSequence = state.aviSequence;
  build.audioAvailable = state.audioDeviceUsable;
  if (!PrepareCaptureFile(component)) return false;
  build.filePrepared = true;
  build.writeTargetExisted = Exists(state.writeTarget);
  WarnOfSlowDrives(component);
  if (!PreallocateCaptureFile(component)) return false;
  if (component.CompressionMode() == cm_CompressAfterCapture) state.recompressPending = true;
  const HRESULT hr = graph.captureBuilder ? graph.captureBuilder->SetOutputFileName(
                                                &MEDIASUBTYPE_Avi, state.writeTarget.c_str(),
                                                graph.fileMux.ReleaseAndGetAddressOf(),
                                                graph.fileSink.ReleaseAndGetAddressOf())
                                          : E_POINTER;
  if (!rudozav::LogResult(component, hr, errors::kSetOutputFileName)) return false;
  build.dvType1 = component.IsDVDevice() && component.DVCaptureMode() == dv_CaptureType1;
  if (component.IsDVDevice()) {
    if (!BuildDVCaptureSource(component, build)) return false;
  } else {
    build.pin = FindUnconnectedPin(state, graph.videoCaptureFilter.Get(), &PIN_CATEGORY_CAPTURE,
                                   graph.streamMajorType);
    if (!build.pin) return false;
  }
  if (!InsertCaptureGrabbers(component, build) || !InsertTeeAndCompressor(component, build))
    return false;
  if (!build.dvType1) graph.recordConnectedSize = true;
  if (!ConnectToFreeInputGetPin(component, build.pin, graph.fileMux.Get(), graph.muxVideoPin)) {
    WriteProcessLog("ERROR: video connection to file mux failed");
    return false;
  }
  graph.masterStreamChoice = 2;
  return ConnectCaptureAudio(component, build, audioWanted);
}

// Holds the file's streams back (StartAt never) or lets them through (StartAt now). The video is
// held at the tee's capture output, or at the multiplexer's input when the tee cannot; a stream
// that can be held nowhere is passed over.
void ControlCaptureStreams(TGraphState& graph, bool release) {
  ComPtr<IAMStreamControl> video = graph.captureStreamPin.As<IAMStreamControl>();
  if (!video) video = graph.muxVideoPin.As<IAMStreamControl>();
  for (const ComPtr<IAMStreamControl>& control :
       {video, graph.muxAudioPin.As<IAMStreamControl>()}) {
    if (!control) continue;
    REFERENCE_TIME never = MAX_TIME;
    // Results ignored: a pin that cannot be held back records from the start.
    if (release) {
      control->StartAt(nullptr, 0);
      control->StopAt(&never, FALSE, 0);
    } else {
      control->StartAt(&never, 0);
      control->StopAt(nullptr, FALSE, 0);
    }
  }
}

// Runs the graph; when the host wants to say whether to start, with the file's streams held back
// until it agrees.
bool StartCaptureStreams(TRavorOderiri& component, TCaptureBuild& build) {
  TGraphState& graph = *component.State().graph;
  if (!component.OnCaptureReadyToStart) return component.ControlGraph(gm_Run);
  if (component.OnCaptureProgress) component.OnCaptureProgress(&component, -1.0, -1, -1);
  ControlCaptureStreams(graph, false);
  if (!component.ControlGraph(gm_Run)) return false;
  // The host may take its time to answer: the normal cursor shows meanwhile.
  const bool busyCursor = component.BusyCursor() != crDefault;
  if (busyCursor) ui::SetScreenCursor(component.NormalCursor());
  bool okToStart = true;
  component.OnCaptureReadyToStart(&component, okToStart);
  if (busyCursor) ui::SetScreenCursor(component.BusyCursor());
  build.cancelled = !okToStart;
  // The handler may have ended the graph.
  if (!okToStart || component.State().graph.get() != &graph) return false;
  ControlCaptureStreams(graph, true);
  return true;
}

// The one ending of a capture that does not start: no graph, the file counter as it was, no empty
// file left where the capture was to be, the report, and the graph of the state before it.
void EndFailedCapture(TRavorOderiri& component, const TCaptureBuild& build) {
  TRavorOdeririState& state = component.State();
  component.ClearGraph();
  if (build.filePrepared) {
    state.aviSequence = build.savedSequence;
    if (!build.writeTargetExisted && state.writeTarget == state.captureTarget) {
      std::error_code error;
      fs::remove(state.writeTarget, error);  // nothing to remove when the writer never made it
    }
  }
  state.recompressPending = false;
  rudozav::LogCheck(component, true,
                    build.cancelled ? errors::kCaptureCancelled : errors::kCannotStartCapture);
  component.ChangeState(component.BaseState());
  // The restart that is building this graph lets the rebuild for the base state run.
  state.restartGuard = false;
  component.RestartGraph(true);
}

}  // namespace

bool TRavorOderiri::BuildCaptureGraph() {
  TRavorOdeririState& state = *state_;
  TCaptureBuild build;
  const bool audioWanted =
      (captureAudio_ || renderAudio_) && (!IsDVDevice() || DVUseExternalAudio());
  bool built = BuildCaptureChain(*this, build, audioWanted);
  if (built) {
    ApplyPendingCrossbarInput();
    rudozav::ReadTrackNumber(*this);  // primes the time code
    rudozav::ReadTimeCode(*this);
    GetGraphInterfaces(*this);
    ConfigureMux(*this);
    FindDroppedFramesInterface(*this);
    if (!IsDVDevice()) {
      ApplyFrameRateToStream();
      if (VideoPortAvailable()) SetupOverlayMixing(overlayEnabled_);
    }
    if (build.dvType1) state.graph->recordConnectedSize = true;
    const std::string rendererName = "video renderer " + std::to_string(state.graph->rendererStamp);
    built = InsertRenderer(*this, build.previewPin, rendererName, state.graph->videoRenderer, true);
  }
  if (built) {
    SetupRendererWindows();
    ChooseActiveRenderer();
    StartFrameThread(&TRavorOderiri::HandleFrameEvent);
    ControlGraph(gm_Stop);
    ApplyFullScreenPreview();
    ui::ProcessMessages();
    built = StartCaptureStreams(*this, build);
  }
  if (built) {
    rudozav::ResetFrameCounters(*this);
    if (OnCaptureStarted) OnCaptureStarted(this);
    WriteProcessLog("Capture BUILDOWN END");
    return true;
  }
  EndFailedCapture(*this, build);
  return false;
}

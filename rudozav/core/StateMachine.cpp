// The graph state machine: the state check, the busy flag and cursor, the state changes of the
// operations, and the graph-wide steps ClearGraph, RestartGraph and ControlGraph.

#include <memory>
#include <thread>
#include <utility>

#include "rudozav/RudOzav.h"
#include "rudozav/core/ComponentState.h"
#include "rudozav/core/Logging.h"
#include "rudozav/core/ProcessLog.h"
#include "rudozav/devices/Devices.h"
#include "rudozav/devices/DevicesManager.h"
#include "rudozav/devices/Discovery.h"
#include "rudozav/frames/FrameCounting.h"
#include "rudozav/graph/RendererWindows.h"
#include "ui/Application.h"
#include "ui/Message.h"

namespace errors = rudozav::errors;

namespace {

constexpr LONG kStateWaitTimeout = 100;  // ms per wait, with messages processed between waits

}  // namespace

bool TRavorOderiri::CheckState(TCurrentStates allowed) {
  const TCurrentState state = state_->currentState;
  // All three tests are logged, passing ones too.
  const bool capture = rudozav::LogCheck(
      *this, state == cs_Capture && !allowed.Contains(cs_Capture), errors::kStopCaptureFirst);
  const bool recompress =
      rudozav::LogCheck(*this, state == cs_Recompress && !allowed.Contains(cs_Recompress),
                        errors::kWaitForRecompress);
  const bool preview = rudozav::LogCheck(
      *this, state == cs_Preview && !allowed.Contains(cs_Preview), errors::kStopPreviewFirst);
  return !capture && !recompress && !preview;
}

void TRavorOderiri::SetBusy(bool busy) {
  if (busy == state_->busy) return;
  state_->busy = busy;
  if (busyCursor_ == crDefault) return;
  int& count = rudozav::Process().busyCount;
  if (busy) {
    ++count;
    ui::SetScreenCursor(busyCursor_);
  } else if (--count == 0) {
    ui::SetScreenCursor(normalCursor_);
  }
}

void TRavorOderiri::ChangeState(TCurrentState newState) {
  const TCurrentState oldState = state_->currentState;
  if (newState == oldState) return;
  if (OnCurrentStateChanging) OnCurrentStateChanging(this, oldState, newState);
  state_->currentState = newState;
}

TCurrentState TRavorOderiri::BaseState() const {
  return state_->previewFlag ? cs_Preview : cs_Down;
}

bool TRavorOderiri::PreviewFlag() const {
  return state_->previewFlag;
}

TGraphMode TRavorOderiri::GraphRunningMode() const {
  return state_->graph->graphMode;
}

// ---- Operations ----------------------------------------------------------------------------

void TRavorOderiri::RunStartPreview() {
  if (!CheckState({cs_Down, cs_Preview})) return;
  state_->previewFlag = true;
  ChangeState(cs_Preview);
  if (RestartGraph(true)) return;
  state_->previewFlag = false;
  rudozav::LogCheck(*this, true, errors::kCannotStartPreview);
}

void TRavorOderiri::RunStopPreview() {
  if (!CheckState({cs_Preview})) return;
  rudozav::LogCheck(*this, !state_->previewFlag, errors::kNotPreviewing);
  // Announced first; the graph is cleared in the old state, which it reports progress for.
  const TCurrentState oldState = state_->currentState;
  if (oldState != cs_Down && OnCurrentStateChanging)
    OnCurrentStateChanging(this, oldState, cs_Down);
  state_->previewFlag = false;
  ClearGraph();
  state_->currentState = cs_Down;
}

void TRavorOderiri::RunStartCapture() {
  if (state_->currentState == cs_Capture) {
    rudozav::LogCheck(*this, true, errors::kAlreadyCapturing);
    return;
  }
  ChangeState(cs_Capture);
  // A capture graph that fails has already brought back the graph of the state before it.
  if (!RestartGraph(false) && state_->currentState == cs_Capture) ChangeState(cs_Down);
}

void TRavorOderiri::RunStopCapture() {
  if (rudozav::LogCheck(*this, state_->currentState != cs_Capture, errors::kNotCapturing)) return;
  SetBusy(true);
  ui::ProcessMessages();
  rudozav::UpdateDeliveredFrames(*this);
  rudozav::UpdateDroppedFrames(*this);
  ClearGraph();
  RunPostCaptureStep();
  const std::string file = state_->captureTarget.empty() ? captureFileName_ : state_->captureTarget;
  if (OnCaptureCompleted) OnCaptureCompleted(this, file, true);
  ChangeState(BaseState());
  RestartGraph(true);
  SetBusy(false);
}

void TRavorOderiri::RunStop() {
  ClearGraph();
  ChangeState(cs_Down);
}

void TRavorOderiri::RunClosePlayer() {
  if (rudozav::LogCheck(*this, state_->currentState != cs_Player, errors::kAlreadyClosed)) return;
  SetBusy(true);
  ChangeState(BaseState());
  RestartGraph(true);
  SetBusy(false);
}

void TRavorOderiri::RunRecompress(const std::string& sourceFile, const std::string& destFile) {
  if (!CheckState({cs_Down, cs_Preview})) return;
  if (OnRecompressStarted) OnRecompressStarted(this);
  SetBusy(true);
  ClearGraph();
  ChangeState(cs_Recompress);
  const TCompressionMode savedMode = compressionMode_;
  compressionMode_ = cm_CompressAfterCapture;
  const bool success = TranscodeFile(sourceFile, destFile, true);
  compressionMode_ = savedMode;
  ChangeState(BaseState());
  RestartGraph(true);
  SetBusy(false);
  if (OnRecompressCompleted) OnRecompressCompleted(this, success);
}

// ---- Graph-wide steps ----------------------------------------------------------------------

bool TRavorOderiri::ControlGraph(TGraphMode mode) {
  const ComPtr<IMediaControl> control =
      state_->graph->mediaControl;  // kept while messages are pumped
  if (!control) return false;
  HRESULT first = S_OK;
  switch (mode) {
    case gm_Pause:
      first = control->Pause();
      state_->graph->graphMode = gm_Pause;
      return SUCCEEDED(first);
    case gm_Run:
      first = control->Run();
      if (FAILED(first)) {
        control->Stop();  // the wait below settles the stop
        mode = gm_Stop;
      }
      break;
    case gm_Stop:
      first = control->Stop();
      break;
  }
  // Waits in short steps with the UI alive. A failing GetState ends the wait too: it would never
  // report the state reached.
  for (;;) {
    OAFilterState reached = 0;
    const HRESULT hr = control->GetState(kStateWaitTimeout, &reached);
    if (hr == S_OK || FAILED(hr)) break;
    ui::ProcessMessages();
  }
  state_->graph->graphMode = mode;
  return SUCCEEDED(first);
}

void TRavorOderiri::ClearGraph() {
  WriteProcessLog("\n...... clear ........\n");
  StopFrameThread();
  ControlGraph(gm_Stop);
  rudozav::FinishFrameCounters(*this);
  CaptureDeviceState();
  state_->videoWidth = 0;
  state_->videoHeight = 0;
  if (state_->graph->mediaEvent) {
    state_->graph->mediaEvent->SetNotifyWindow(0, kGraphNotifyMessage, 0);  // detached either way
    state_->graph->mediaEvent->SetNotifyFlags(AM_MEDIAEVENT_NONOTIFY);
  }
  if (!state_->destroying && state_->graph->playerGraph) {
    ChangeState(BaseState());
    if (OnPlayerProgress) OnPlayerProgress(this, 0, 0);
  }
  ReleaseGraph();
  ui::ProcessMessages();
  std::this_thread::yield();
}

void TRavorOderiri::ReleaseGraph() {
  // The successor is in place before the old graph ends, so that whatever runs while its windows
  // close sees an empty graph.
  std::unique_ptr<TGraphState> ended =
      std::exchange(state_->graph, std::make_unique<TGraphState>());
  ended.reset();
}

bool TRavorOderiri::RestartGraph(bool reset) {
  TRavorOdeririState& state = *state_;
  if (state.restartGuard || !state.initialised || DesignMode()) return false;
  state.restartGuard = true;
  ClearGraph();
  const TDevices* videoDevices = VideoDeviceList();
  const bool noDevice = videoDevices == nullptr || state.currentDeviceIndex < 0 ||
                        state.currentDeviceIndex >= videoDevices->Count();
  // A restart into cs_Down builds nothing, so a missing device is no failure there: closing the
  // player or ending a recompression on a machine without a camera reports nothing.
  const bool buildsNothing = (reset ? BaseState() : state.currentState) == cs_Down;
  if (!buildsNothing && (rudozav::LogCheck(*this, noDevice, errors::kNoVideoDevice) ||
                         rudozav::LogCheck(*this, !state.settings[rs_DeviceDiscovered].BoolValue,
                                           errors::kVideoDeviceNotAvailable))) {
    state.restartGuard = false;
    return false;
  }
  if (reset) ChangeState(BaseState());
  SetBusy(true);
  bool built = false;
  if (state.currentState != cs_Down) {
    state.videoDeviceUsable = true;
    state.audioDeviceUsable = true;
    if (rudozav::LogEnabled()) LogRestartSettings();
    const bool withAudio = (state.currentState == cs_Preview || state.currentState == cs_Capture) &&
                           (captureAudio_ || renderAudio_) &&
                           (!IsDVDevice() || DVUseExternalAudio());
    if (!BuildBaseGraph(withAudio)) {
      ClearGraph();
    } else {
      built = state.currentState == cs_Capture ? BuildCaptureGraph() : BuildPreviewGraph();
    }
    WriteProcessLog('#', "END RestartGraph");
  }
  SetBusy(false);
  // The guard goes first: a queued StartPreview restarts the graph itself.
  state.restartGuard = false;
  if (!state.queue.empty() && !state.busy) ProcessQueue();
  return built;
}

void TRavorOderiri::LogRestartSettings() {
  WriteProcessLog('#', "BEGIN RestartGraph");
  if (const TDevices* list = VideoDeviceList()) LogDeviceChoice(state_->currentDeviceIndex, *list);
  if (const TDevices* list = AudioDeviceList()) LogDeviceChoice(audioDevice_, *list);
  if (const TDevices* list = VideoCompressorList()) LogDeviceChoice(videoCompressor_, *list);
  if (const TDevices* list = AudioCompressorList()) LogDeviceChoice(audioCompressor_, *list);
  const auto yesNo = [](const char* label, bool value) {
    WriteProcessLog(std::string(label) + (value ? ": YES" : ": no"));
  };
  yesNo("audio device", captureAudio_);
  yesNo("capture audio", captureAudio_);
  yesNo("render audio", renderAudio_);
  yesNo("frame grabber enabled", frameGrabberEnabled_);
  yesNo("DV use external audio", DVUseExternalAudio());
  yesNo("DV reduce frame rate", DVReduceFrameRate());
  WriteProcessLog("Use deinterlacer filter: " + std::to_string(deinterlacer_));
  yesNo("Compress on the fly", compressionMode_ == cm_CompressOnTheFly);
  yesNo("Compress after capture", compressionMode_ == cm_CompressAfterCapture);
  WriteProcessLog("FFrameCountMethod: " + std::to_string(frameCountMethod_));
  WriteProcessLog("DroppedFrameCountMethod: " + std::to_string(droppedFrameCountMethod_));
  WriteProcessLog("DroppedFrameCountPollingInterval: " +
                  std::to_string(droppedFrameCountPollingInterval_));
}

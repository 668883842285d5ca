// The public operations and the deferred queue: what arrives while the component is busy (host
// events run inside logging and graph waits) is queued by op code and run later, in order.

#include <cassert>
#include <utility>

#include "rudozav/RudOzav.h"
#include "rudozav/core/ComponentState.h"
#include "rudozav/core/Logging.h"
#include "rudozav/core/OpCodes.h"
#include "ui/Application.h"

namespace errors = rudozav::errors;

bool TRavorOderiri::MayActNow() const {
  assert(ui::IsUiThread() && "the component runs on the UI thread only");
  return DesignMode() || !state_->busy;
}

void TRavorOderiri::Enqueue(int opCode, int intArg, bool boolArg, double doubleArg) {
  TDeferredOperation operation;
  operation.OpCode = opCode;
  operation.IntArg = intArg;
  operation.BoolArg = boolArg;
  operation.DoubleArg = doubleArg;
  EnqueueOperation(operation);
}

void TRavorOderiri::EnqueueOperation(const TDeferredOperation& operation) {
  state_->queue.push_back(operation);
  rudozav::LogCheck(*this, true, errors::kInQueue, std::to_string(operation.OpCode));
}

std::size_t TRavorOderiri::QueuedOperationCount() const {
  return state_->queue.size();
}

void TRavorOderiri::ProcessQueue() {
  if (state_->busy) return;
  while (!state_->queue.empty()) {
    // Taken off the queue before it runs: an operation that drains the queue itself (through
    // RestartGraph) must not run it a second time.
    const TDeferredOperation operation = std::move(state_->queue.front());
    state_->queue.pop_front();
    const bool refresh = refreshPreviewOnParamChange_;
    refreshPreviewOnParamChange_ = false;  // queued setters take effect at the next build
    rudozav::LogCheck(*this, true, errors::kFromQueue, std::to_string(operation.OpCode));
    RunQueuedOperation(operation);
    refreshPreviewOnParamChange_ = refresh;
  }
}

void TRavorOderiri::RunQueuedOperation(const TDeferredOperation& op) {
  switch (op.OpCode) {
    case op_ClosePlayer:
      return RunClosePlayer();
    case op_Deinterlacer:
      return ApplyDeinterlacer(static_cast<TDeinterlacer>(op.IntArg));
    case op_PlayerForward:
      return RunPlayerForward(op.IntArg);
    case op_PlayerBackward:
      return RunPlayerBackward(op.IntArg);
    case op_OpenPlayer:
      return RunOpenPlayer();
    case op_PausePlayer:
      return RunPausePlayer();
    case op_Recompress:
      return RunRecompress(op.StrArg1, op.StrArg2);
    case op_RunPlayer:
      return RunRunPlayer();
    case op_DVCaptureMode:
      return ApplyDVCaptureMode(static_cast<TDVCaptureMode>(op.IntArg));
    case op_FrameRate:
      return ApplyFrameRate(op.DoubleArg);
    case op_SetAnalogVideoStandard:
      return RunSetAnalogVideoStandard(op.IntArg);
    case op_AudioCompressor:
      return ApplyAudioCompressor(op.IntArg);
    case op_AudioDevice:
      return SelectAudioDevice(op.IntArg);
    case op_CompressionMode:
      return ApplyCompressionMode(static_cast<TCompressionMode>(op.IntArg));
    case op_CompressionType:
      return ApplyCompressionType(static_cast<TCompressionType>(op.IntArg));
    case op_DVRgb219:
      return ApplyDVRgb219(op.BoolArg);
    case op_DVReduceFrameRate:
      return ApplyDVReduceFrameRate(op.BoolArg);
    case op_DVUseExternalAudio:
      return ApplyDVUseExternalAudio(op.BoolArg);
    case op_RawFrameGrabberEnabled:
      return ApplyRawFrameGrabberEnabled(op.BoolArg);
    case op_FrameGrabberEnabled:
      return ApplyFrameGrabberEnabled(op.BoolArg);
    case op_RenderAudio:
      return ApplyRenderAudio(op.BoolArg);
    case op_VideoCompressor:
      return ApplyVideoCompressor(op.IntArg);
    case op_VideoCrossbarInput:
      return ApplyVideoCrossbarInput(op.IntArg);
    case op_VideoDevice:
      return SelectVideoDevice(op.IntArg);
    case op_VideoSize:
      return ApplyVideoSize(op.IntArg);
    case op_VideoSubType:
      return ApplyVideoSubType(op.IntArg);
    case op_ShowDialog:
      return RunShowDialog(op.IntArg);
    case op_Stop:
      return RunStop();
    case op_StartCapture:
      return RunStartCapture();
    case op_StartPreview:
      return RunStartPreview();
    case op_StopCapture:
      return RunStopCapture();
    case op_StopPlayer:
      return RunStopPlayer();
    case op_StopPreview:
      return RunStopPreview();
    case op_OverlayEnabled:
      return ApplyOverlayEnabled(op.BoolArg);
    default:
      return;  // not an op code of the component: nothing to run
  }
}

// ---- Public operations ---------------------------------------------------------------------

void TRavorOderiri::StartPreview() {
  if (!MayActNow()) return Enqueue(op_StartPreview);
  RunStartPreview();
}

void TRavorOderiri::StopPreview() {
  if (!MayActNow()) return Enqueue(op_StopPreview);
  RunStopPreview();
}

void TRavorOderiri::StartCapture() {
  if (!MayActNow()) return Enqueue(op_StartCapture);
  RunStartCapture();
}

void TRavorOderiri::StopCapture() {
  if (!MayActNow()) return Enqueue(op_StopCapture);
  RunStopCapture();
}

void TRavorOderiri::Stop() {
  if (!MayActNow()) return Enqueue(op_Stop);
  RunStop();
}

void TRavorOderiri::OpenPlayer() {
  if (!MayActNow()) return Enqueue(op_OpenPlayer);
  RunOpenPlayer();
}

void TRavorOderiri::ClosePlayer() {
  if (!MayActNow()) return Enqueue(op_ClosePlayer);
  RunClosePlayer();
}

void TRavorOderiri::RunPlayer() {
  if (!MayActNow()) return Enqueue(op_RunPlayer);
  RunRunPlayer();
}

void TRavorOderiri::PausePlayer() {
  if (!MayActNow()) return Enqueue(op_PausePlayer);
  RunPausePlayer();
}

void TRavorOderiri::StopPlayer() {
  if (!MayActNow()) return Enqueue(op_StopPlayer);
  RunStopPlayer();
}

void TRavorOderiri::PlayerForward(int Percent) {
  if (!MayActNow()) return Enqueue(op_PlayerForward, Percent);
  RunPlayerForward(Percent);
}

void TRavorOderiri::PlayerBackward(int Percent) {
  if (!MayActNow()) return Enqueue(op_PlayerBackward, Percent);
  RunPlayerBackward(Percent);
}

void TRavorOderiri::Recompress(const std::string& SourceFile, const std::string& DestFile) {
  if (MayActNow()) return RunRecompress(SourceFile, DestFile);
  TDeferredOperation operation;
  operation.OpCode = op_Recompress;
  operation.StrArg1 = SourceFile;
  operation.StrArg2 = DestFile;
  EnqueueOperation(operation);
}

void TRavorOderiri::ShowDialog(int Dialog) {
  if (!MayActNow()) return Enqueue(op_ShowDialog, Dialog);
  RunShowDialog(Dialog);
}

void TRavorOderiri::SetAnalogVideoStandard(int Index) {
  if (!MayActNow()) return Enqueue(op_SetAnalogVideoStandard, Index);
  RunSetAnalogVideoStandard(Index);
}

// Frame events: the frame thread's start and stop, the handlers it hands frames to, the caption
// hand-over to the active grabber, and CaptureFrameTo. UI thread only.

#include <algorithm>
#include <cstring>
#include <exception>
#include <memory>
#include <thread>

#include "rudozav/RudOzav.h"
#include "rudozav/core/ComponentState.h"
#include "rudozav/core/FlagScope.h"
#include "rudozav/frames/CaptionSettings.h"
#include "rudozav/frames/FrameCounting.h"
#include "rudozav/frames/FrameGrab.h"
#include "rudozav/frames/FrameThread.h"

void TFrameThreadDeleter::operator()(TFrameThread* thread) const {
  std::unique_ptr<TFrameThread> owned(thread);
  owned->Stop();
}

namespace {

// Burst grabs and raw frames of one frame event. The handlers may clear the graph, so the
// records are looked up again after each of them. A frame that arrives while the UI thread
// handles the event before it is taken by that event's grab and then announced once more: that
// second event is no burst step, so a burst never grabs one frame twice.
void RunFrameGrabbers(TRavorOderiri& component) {
  TRavorOdeririState& state = component.State();
  if (TGrabberControl* grabber = state.graph->frameGrabberRecord;
      grabber != nullptr && grabber->FrameAvailable.load() != 0 &&
      grabber->FrameCount.load() != state.graph->lastGrabbedFrameCount) {
    if (BurstStep(component) && component.OnFrameCaptureCompleted)
      GrabFrame(component, component.BurstType(), {});
  }
  TGrabberControl* raw = state.graph->rawGrabberRecord;
  if (raw == nullptr || !component.OnRawFrameCaptureCompleted || raw->FrameAvailable.load() == 0)
    return;
  // The filter leaves the buffer alone while the host reads it.
  raw->ComponentReadingFrame.store(1);
  while (raw->FilterWritingFrame.load() != 0)
    std::this_thread::yield();
  component.OnRawFrameCaptureCompleted(&component, raw->FrameBuffer, raw->FrameSize,
                                       &raw->FrameMediaType);
  // The graph may be gone with its records now.
  if (state.graph->rawGrabberRecord == raw) raw->ComponentReadingFrame.store(0);
}

}  // namespace

void TRavorOderiri::StartFrameThread(TFrameHandler handler) {
  TRavorOdeririState& state = *state_;
  StopFrameThread();
  if (!frameEventEnabled_ || state.graph->activeRecord == nullptr || handler == nullptr) return;
  state.graph->frameThread.reset(
      std::make_unique<TFrameThread>(state.graph->graphMode, *state.graph->activeRecord,
                                     [this, handler] { (this->*handler)(); })
          .release());
  state.graph->frameThread->Start(frameEventPriority_ ? ThreadPriority::kIdle
                                                      : ThreadPriority::kLowest);
  state.graph->frameEventGrabber = true;
}

void TRavorOderiri::StopFrameThread() {
  state_->graph->frameThread.reset();
}

void TRavorOderiri::HandleFrameEvent() {
  TRavorOdeririState& state = *state_;
  if (state.graph->graphMode.load() == gm_Stop || state.graph->activeRecord == nullptr) return;
  HandOverCaption(*this, *state.graph->activeRecord);
  rudozav::CountFrameEvent(*this);
  if (state.frameHandlerRunning) return;
  TFlagScope scope(state.frameHandlerRunning);
  rudozav::ReportFrameEvent(*this);
  RunFrameGrabbers(*this);
}

void TRavorOderiri::HandlePlayerFrameEvent() {
  TRavorOdeririState& state = *state_;
  if (state.graph->graphMode.load() == gm_Stop || state.graph->activeRecord == nullptr) return;
  rudozav::CountFrameEvent(*this);
  if (state.frameHandlerRunning) return;
  TFlagScope scope(state.frameHandlerRunning);
  ReportPlayerPosition();
  RunFrameGrabbers(*this);
}

bool TRavorOderiri::CaptureFrameTo(TFrameCaptureDest Dest, const std::string& FileName) {
  TRavorOdeririState& state = *state_;
  const TGrabberControl* grabber = state.graph->frameGrabberRecord;
  if (grabber == nullptr || grabber->FrameAvailable.load() == 0 || state.grabInProgress)
    return false;
  state.grabInProgress = true;
  bool written = false;
  try {
    written = GrabFrame(*this, Dest, FileName);
  } catch (const std::exception&) {
    written = false;  // out of memory for the picture: nothing was produced
  }
  state.grabInProgress = false;
  return written;
}

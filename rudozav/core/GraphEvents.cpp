// The graph's notifications and the periodic tick: notifications arrive as a posted message and
// set pending flags; the tick turns them into host events, drains the deferred queue and polls
// the frame counters.

#include <filesystem>
#include <system_error>

#include "rudozav/RudOzav.h"
#include "rudozav/core/ComponentState.h"
#include "rudozav/core/Logging.h"
#include "rudozav/core/MouseMessages.h"
#include "rudozav/frames/FrameCounting.h"
#include "rudozav/graph/RendererWindows.h"
#include "ui/Application.h"
#include "ui/MessageEvent.h"

namespace {

constexpr std::uintmax_t kMinimumFreeBytes = 25'000'000;

// Whether the drive holding file has too little room to go on capturing. An unknown file or
// drive counts as having room.
bool DiskNearlyFull(const std::string& file) {
  if (file.empty()) return false;
  std::error_code error;
  const std::filesystem::path folder = std::filesystem::absolute(file, error).parent_path();
  if (error) return false;
  const std::filesystem::space_info space = std::filesystem::space(folder, error);
  return !error && space.available < kMinimumFreeBytes;
}

}  // namespace

bool TRavorOderiri::event(QEvent* event) {
  if (const ui::Message* message = ui::AsMessage(event)) {
    if (state_->destroying) return true;
    // Both are left unaccepted afterwards, so that they also get the default handling.
    if (message->msg == kGraphNotifyMessage) {
      HandleGraphEvents();
      return true;
    }
    if (IsMouseMessage(message->msg)) {
      // A click on the video counts as a click on the component.
      DeliverMouseMessage(*this, *message);
      return true;
    }
    if (message->msg == WM_KEYUP) {
      KeyReleased(static_cast<char>(message->wParam));
      return true;
    }
    if (IsRendererNotification(message->msg)) {
      // The renderers' windows follow the display, palette and activation of their owner.
      const bool result = QFrame::event(event);
      ForwardToRenderers(*this, *message);
      return result;
    }
  }
  return QFrame::event(event);
}

void TRavorOderiri::HandleGraphEvents() {
  for (;;) {
    const ComPtr<IMediaEventEx> events = state_->graph->mediaEvent;  // handlers may clear the graph
    if (!events) return;
    LONG code = 0;
    LONG_PTR param1 = 0;
    LONG_PTR param2 = 0;
    if (FAILED(events->GetEvent(&code, &param1, &param2, 0))) return;
    HandleGraphEvent(code, param1);
    events->FreeEventParams(code, param1, param2);  // nothing to do when freeing fails
  }
}

void TRavorOderiri::HandleGraphEvent(long code, std::intptr_t param1) {
  TRavorOdeririState& state = *state_;
  switch (code) {
    case EC_COMPLETE:
      if (state.currentState != cs_Player) return;
      ReportPlayerPosition();
      state.endReached = true;
      if (state.graph->graphMode == gm_Run) ControlGraph(gm_Pause);
      state.endOfStream = true;
      state.anyPending = true;
      return;
    case EC_ERRORABORT:
    case EC_PAUSED: {
      if (state.currentState != cs_Capture && state.currentState != cs_Recompress) return;
      // The drive the graph writes to; the capture file's before a capture has chosen one.
      const std::string& file = !state.writeTarget.empty()     ? state.writeTarget
                                : !state.captureTarget.empty() ? state.captureTarget
                                                               : captureFileName_;
      if (DiskNearlyFull(file)) {
        state.diskFull = true;
      } else if (code == EC_ERRORABORT && state.currentState == cs_Capture) {
        // Any other abort ends the capture as well: the file so far stays playable.
        state.captureAborted = true;
        state.abortResult = static_cast<HRESULT>(param1);
      } else {
        return;
      }
      state.anyPending = true;
      ui::ProcessMessages();
      return;
    }
    case EC_VIDEO_SIZE_CHANGED:
      ResizeVideoWindow();
      return;
    case EC_DEVICE_LOST:
      state.deviceLost = true;
      state.anyPending = true;
      return;
    default:
      return;
  }
}

void TRavorOderiri::PollTick() {
  TRavorOdeririState& state = *state_;
  if (state.tickGuard || state.destroying) return;
  state.tickGuard = true;
  if (!state.queue.empty() && !state.busy) ProcessQueue();
  PollPendingNotifications();
  rudozav::PollFrameInformation(*this);
  state.tickGuard = false;
  ui::ProcessMessages();
}

void TRavorOderiri::PollPendingNotifications() {
  TRavorOdeririState& state = *state_;
  if (!state.anyPending) return;
  state.anyPending = false;
  if (state.deviceLost) {
    state.deviceLost = false;
    // Only a sole device is certainly the lost one.
    if (VideoDevicesCount() == 1) {
      if (state.currentState == cs_Preview) {
        StopPreview();
      } else if (state.currentState == cs_Capture) {
        StopCapture();
      }
    }
    if (OnDeviceLost) OnDeviceLost(this);
  }
  if (state.endOfStream) {
    state.endOfStream = false;
    if (OnPlayerEndOfStream) OnPlayerEndOfStream(this);
  }
  if (state.diskFull) {
    state.diskFull = false;
    state.captureAborted = false;  // the full disk is the reason
    state.recompressPending = false;
    ChangeState(BaseState());  // the capture has ended, whether a graph can be rebuilt or not
    RestartGraph(true);
    if (OnDiskFull) OnDiskFull(this);
  }
  if (state.captureAborted) {
    state.captureAborted = false;
    rudozav::LogResult(*this, FAILED(state.abortResult) ? state.abortResult : E_FAIL,
                       rudozav::errors::kCaptureAborted, HResultText(state.abortResult));
    const std::string file = state.captureTarget;
    state.recompressPending = false;
    ChangeState(BaseState());
    RestartGraph(true);
    if (OnCaptureCompleted) OnCaptureCompleted(this, file, false);
  }
}

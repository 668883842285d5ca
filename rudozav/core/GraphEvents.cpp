// The graph's notifications and the periodic tick: notifications arrive as a posted message and
// set pending flags; the tick turns them into host events, drains the deferred queue and polls
// the frame counters.

#include <filesystem>
#include <system_error>

#include "rudozav/RudOzav.h"
#include "rudozav/core/ComponentState.h"
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
    HandleGraphEvent(code);
    events->FreeEventParams(code, param1, param2);  // nothing to do when freeing fails
  }
}

void TRavorOderiri::HandleGraphEvent(long code) {
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
      const std::string& file =
          state.captureTarget.empty() ? captureFileName_ : state.captureTarget;
      if (!DiskNearlyFull(file)) return;
      state.diskFull = true;
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
    RestartGraph(true);
    if (OnDiskFull) OnDiskFull(this);
  }
}

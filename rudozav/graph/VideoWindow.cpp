// The video window inside the component: which renderer shows, its size and place, full screen.

#include <algorithm>
#include <cmath>

#include "dshow/DShow.h"
#include "rudozav/RudOzav.h"
#include "rudozav/core/ComponentState.h"
#include "rudozav/graph/RendererWindows.h"
#include "ui/Window.h"

namespace {

OAHWND HandleOf(TRavorOderiri& component) {
  return reinterpret_cast<OAHWND>(static_cast<QWidget*>(&component));
}

// The overlay renderer while it is wanted and present, else the video renderer.
TRenderer* PreferredRenderer(TRavorOdeririState& state, bool overlayEnabled) {
  if (overlayEnabled && state.graph->overlayRenderer.Filter) return &state.graph->overlayRenderer;
  return &state.graph->videoRenderer;
}

void Hide(TRenderer& record) {
  if (record.VideoWindow) (void)record.VideoWindow->put_Visible(OAFALSE);  // nothing to hide
}

// Whether the renderer shows full screen: a window of its own, owned by no one.
bool RendererIsTopLevel(TRenderer& record) {
  OAHWND owner = 0;
  return record.VideoWindow && SUCCEEDED(record.VideoWindow->get_Owner(&owner)) && owner == 0;
}

int Scaled(int value, int percent) {
  return static_cast<int>(std::lround(static_cast<double>(value) * percent / 100.0));
}

}  // namespace

void TRavorOderiri::SetupRendererWindows() {
  TRavorOdeririState& state = *state_;
  const std::string stamp = std::to_string(state.graph->rendererStamp);
  SetupRendererWindow(*this, "video renderer " + stamp, state.graph->videoRenderer);
  SetupRendererWindow(*this, "overlay renderer " + stamp, state.graph->overlayRenderer);
  TRenderer& video = state.graph->videoRenderer;
  if (!video.Filter || !video.VideoWindow || video.Window == nullptr) return;
  // Window calls fail only without a window, which was just found.
  (void)video.VideoWindow->put_Owner(HandleOf(*this));
  (void)video.VideoWindow->put_WindowStyle(WS_CHILD);
  (void)video.VideoWindow->put_AutoShow(OAFALSE);
  (void)video.VideoWindow->put_Visible(OAFALSE);
}

void TRavorOderiri::ChooseActiveRenderer() {
  TRavorOdeririState& state = *state_;
  // Without renderers (no graph yet) nothing is active, so that nothing is sized or shown.
  if (!state.graph->videoRenderer.Filter && !state.graph->overlayRenderer.Filter) return;
  state.graph->activeRenderer = PreferredRenderer(state, overlayEnabled_);
  Hide(state.graph->activeRenderer == &state.graph->overlayRenderer ? state.graph->videoRenderer
                                                                    : state.graph->overlayRenderer);
}

void TRavorOderiri::ApplyFullScreenPreview() {
  TRavorOdeririState& state = *state_;
  if (DesignMode() || state.graph->activeRenderer == nullptr) return;
  // A hidden component shows no video. Its renderer goes back into the hidden panel even from full
  // screen, where it is a top-level window that hiding the panel would leave over everything;
  // showing the component applies the stored setting again.
  if (!Visible() && !RendererIsTopLevel(*state.graph->activeRenderer)) return;
  const bool fullScreen = fullScreenPreview_ && Visible();
  state.graph->activeRenderer = PreferredRenderer(state, overlayEnabled_);
  TRenderer& active = *state.graph->activeRenderer;
  if (!active.VideoWindow) return;
  (void)active.VideoWindow->put_Visible(OAFALSE);  // shown again below
  if (fullScreen) {
    (void)active.VideoWindow->put_Owner(0);
    ShowWindow(active.Window, SW_SHOWMAXIMIZED);
    return;
  }
  (void)active.VideoWindow->put_Owner(HandleOf(*this));
  (void)active.VideoWindow->put_WindowStyle(WS_CHILD);
  ShowWindow(active.Window, SW_SHOWNORMAL);
  ResizeVideoWindow();
}

void TRavorOderiri::ResizeVideoWindow() {
  TRavorOdeririState& state = *state_;
  if (state.resizingVideo || state.graph->activeRenderer == nullptr) return;
  state.resizingVideo = true;
  TRenderer& active = *state.graph->activeRenderer;
  const int border = state.borderAllowance;
  int videoWidth = width() - border;
  int videoHeight = height() - border;
  if (autoSize_) {
    videoWidth = state.graph->connectedVideoWidth;
    // A renderer that reported no source width keeps the connected height (no division by 0).
    videoHeight = videoWidth == active.SourceWidth || active.SourceWidth == 0
                      ? state.graph->connectedVideoHeight
                      : static_cast<int>(std::lround(static_cast<double>(videoWidth) *
                                                     active.SourceHeight / active.SourceWidth));
    if (zoomSize_ != 100) {
      videoWidth = Scaled(videoWidth, zoomSize_);
      videoHeight = Scaled(videoHeight, zoomSize_);
    }
    setGeometry(x(), y(), videoWidth + border, videoHeight + border);
  }
  if (active.VideoWindow) {
    (void)active.VideoWindow->SetWindowPosition(0, 0, std::max(videoWidth, 0),
                                                std::max(videoHeight, 0));
  }
  if (OnResizeVideo)
    OnResizeVideo(this, state.graph->connectedVideoWidth, state.graph->connectedVideoHeight);
  state.resizingVideo = false;
}

#include "rudozav/graph/RendererWindows.h"

#include <array>

#include "clock/Clock.h"
#include "dshow/DShow.h"
#include "rudozav/RudOzav.h"
#include "rudozav/core/ComponentState.h"
#include "rudozav/graph/RendererInsertion.h"
#include "ui/MessageEvent.h"
#include "ui/Window.h"

namespace {

constexpr int kCaptionBufferSize = 200;

OAHWND HandleOf(TRavorOderiri& component) {
  return reinterpret_cast<OAHWND>(static_cast<QWidget*>(&component));
}

BOOL MatchCaption(HWND hwnd, LPARAM lParam) {
  auto* search = reinterpret_cast<TWindowSearch*>(lParam);
  std::array<char, kCaptionBufferSize> text{};
  GetWindowText(hwnd, text.data(), static_cast<int>(text.size()));
  if (search->Caption != text.data()) return TRUE;
  search->Found = hwnd;
  return FALSE;
}

// Drops the caption bits of the window's style, so that the window shows the video alone.
void RemoveCaption(IVideoWindow* window) {
  LONG style = 0;
  if (SUCCEEDED(window->get_WindowStyle(&style))) {
    (void)window->put_WindowStyle(style & ~WS_CAPTION);  // a window that keeps them still works
  }
}

void ReadSourceSize(TRenderer& record) {
  record.SourceWidth = 0;
  record.SourceHeight = 0;
  if (!record.Filter) return;
  if (FAILED(record.Filter->QueryInterface(IID_IBasicVideo,
                                           record.BasicVideo.ReleaseAndGetVoidAddress()))) {
    return;
  }
  LONG width = 0;
  LONG height = 0;
  if (SUCCEEDED(record.BasicVideo->get_SourceWidth(&width))) record.SourceWidth = width;
  if (SUCCEEDED(record.BasicVideo->get_SourceHeight(&height))) record.SourceHeight = height;
}

}  // namespace

HWND FindTopLevelWindow(const std::string& caption) {
  TWindowSearch search{caption, nullptr};
  EnumWindows(&MatchCaption, reinterpret_cast<LPARAM>(&search));
  return search.Found;
}

void SetupRendererWindow(TRavorOderiri& component, const std::string& name, TRenderer& record) {
  if (!record.Filter) return;
  if (SUCCEEDED(record.Filter->QueryInterface(IID_IVideoWindow,
                                              record.VideoWindow.ReleaseAndGetVoidAddress()))) {
    IVideoWindow* window = record.VideoWindow.Get();
    // Each call may fail on a renderer without a window; the video then simply stays hidden.
    (void)window->put_MessageDrain(HandleOf(component));
    (void)window->put_Caption(name.c_str());
    (void)window->put_AutoShow(OAFALSE);
    record.Window = FindTopLevelWindow(name);
    if (record.Window != nullptr) RemoveCaption(window);
  }
  ReadSourceSize(record);
}

void ReleaseRenderer(TRenderer& record) {
  record.Filter.Reset();
  record.VideoWindow.Reset();
  record.BasicVideo.Reset();
  record.SourceWidth = 1;
  record.SourceHeight = 1;
  if (record.Window != nullptr) {
    SendMessage(record.Window, WM_CLOSE, 0, 0);  // a window already gone is skipped
    record.Window = nullptr;
  }
}

bool InsertNonVisibleRenderer(TRavorOderiri& component, const GUID* category) {
  TRavorOdeririState& state = component.State();
  if (!state.graph->captureBuilder || !state.graph->videoCaptureFilter) return false;
  const GUID* const kTried[] = {&PIN_CATEGORY_VIDEOPORT, &PIN_CATEGORY_PREVIEW,
                                &PIN_CATEGORY_CAPTURE};
  ComPtr<IPin> pin;
  for (const GUID* tried : kTried) {
    const GUID* wanted = category != nullptr ? category : tried;
    if (SUCCEEDED(state.graph->captureBuilder->FindPin(
            state.graph->videoCaptureFilter.Get(), PINDIR_OUTPUT, wanted,
            &state.graph->streamMajorType, TRUE, 0, pin.ReleaseAndGetAddressOf())) &&
        pin) {
      break;
    }
    pin.Reset();
    if (category != nullptr) break;
  }
  TRenderer hidden;
  const std::string name = "NonVisible Renderer" + std::to_string(GetTickCount());
  if (!InsertRenderer(component, pin, name, hidden, false)) return false;
  ComPtr<IVideoWindow> window;
  if (FAILED(hidden.Filter->QueryInterface(IID_IVideoWindow, window.ReleaseAndGetVoidAddress()))) {
    return false;
  }
  return SUCCEEDED(window->put_AutoShow(OAFALSE));
}

bool IsRendererNotification(UINT msg) {
  switch (msg) {
    case WM_ACTIVATEAPP:
    case WM_DEVMODECHANGE:
    case WM_DISPLAYCHANGE:
    case WM_PALETTEISCHANGING:
    case WM_PALETTECHANGED:
    case WM_QUERYNEWPALETTE:
    case WM_SYSCOLORCHANGE:
    case WM_ERASEBKGND:
    case WM_DESTROY:
      return true;
    default:
      return false;
  }
}

void ForwardToRenderers(TRavorOderiri& component, const ui::Message& message) {
  TRavorOdeririState& state = component.State();
  for (TRenderer* record : {&state.graph->videoRenderer, &state.graph->overlayRenderer}) {
    if (!record->VideoWindow) continue;
    // The renderer only refreshes itself; what it answers changes nothing here.
    (void)record->VideoWindow->NotifyOwnerMessage(
        HandleOf(component), static_cast<LONG>(message.msg), static_cast<LONG_PTR>(message.wParam),
        static_cast<LONG_PTR>(message.lParam));
  }
}

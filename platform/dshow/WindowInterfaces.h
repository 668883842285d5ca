#pragma once
// The window of a video renderer (IVideoWindow) and its picture geometry (IBasicVideo).
// Called from the application's (UI) thread only. Windows are OAHWND handles (DShowTypes.h);
// window styles are those of platform/ui.

#include "com/ComPtr.h"
#include "dshow/DShowTypes.h"

struct IVideoWindow : IUnknown {
  static constexpr IID iid = MakeGuid("56A868B4-0AD4-11CE-B03A-0020AF0BA770");
  virtual HRESULT put_Caption(LPCOLESTR caption) = 0;
  // Task memory.
  virtual HRESULT get_Caption(LPOLESTR* caption) = 0;
  virtual HRESULT put_WindowStyle(LONG style) = 0;
  virtual HRESULT get_WindowStyle(LONG* style) = 0;
  virtual HRESULT put_WindowStyleEx(LONG style) = 0;
  virtual HRESULT get_WindowStyleEx(LONG* style) = 0;
  // Whether the window shows itself when the graph pauses or runs.
  virtual HRESULT put_AutoShow(LONG autoShow) = 0;
  virtual HRESULT get_AutoShow(LONG* autoShow) = 0;
  // SW_* show commands of platform/ui.
  virtual HRESULT put_WindowState(LONG state) = 0;
  virtual HRESULT get_WindowState(LONG* state) = 0;
  virtual HRESULT put_Visible(LONG visible) = 0;
  virtual HRESULT get_Visible(LONG* visible) = 0;
  virtual HRESULT put_Left(LONG left) = 0;
  virtual HRESULT get_Left(LONG* left) = 0;
  virtual HRESULT put_Width(LONG width) = 0;
  virtual HRESULT get_Width(LONG* width) = 0;
  virtual HRESULT put_Top(LONG top) = 0;
  virtual HRESULT get_Top(LONG* top) = 0;
  virtual HRESULT put_Height(LONG height) = 0;
  virtual HRESULT get_Height(LONG* height) = 0;
  // The parent window; 0 makes the window top-level.
  virtual HRESULT put_Owner(OAHWND owner) = 0;
  virtual HRESULT get_Owner(OAHWND* owner) = 0;
  // The window that receives the renderer window's mouse and keyboard messages.
  virtual HRESULT put_MessageDrain(OAHWND drain) = 0;
  virtual HRESULT get_MessageDrain(OAHWND* drain) = 0;
  virtual HRESULT get_BorderColor(LONG* color) = 0;
  virtual HRESULT put_BorderColor(LONG color) = 0;
  virtual HRESULT get_FullScreenMode(LONG* fullScreen) = 0;
  virtual HRESULT put_FullScreenMode(LONG fullScreen) = 0;
  virtual HRESULT SetWindowForeground(LONG focus) = 0;
  // The owner passes on messages the renderer window cares about (palette and display changes,
  // activation).
  virtual HRESULT NotifyOwnerMessage(OAHWND window, LONG message, LONG_PTR wParam,
                                     LONG_PTR lParam) = 0;
  virtual HRESULT SetWindowPosition(LONG left, LONG top, LONG width, LONG height) = 0;
  virtual HRESULT GetWindowPosition(LONG* left, LONG* top, LONG* width, LONG* height) = 0;
  virtual HRESULT GetMinIdealImageSize(LONG* width, LONG* height) = 0;
  virtual HRESULT GetMaxIdealImageSize(LONG* width, LONG* height) = 0;
  virtual HRESULT GetRestorePosition(LONG* left, LONG* top, LONG* width, LONG* height) = 0;
  virtual HRESULT HideCursor(LONG hide) = 0;
  virtual HRESULT IsCursorHidden(LONG* hidden) = 0;
};

// OATRUE / OAFALSE: the Boolean values of the window and video properties.
inline constexpr LONG OATRUE = -1;
inline constexpr LONG OAFALSE = 0;

struct IBasicVideo : IUnknown {
  static constexpr IID iid = MakeGuid("56A868B5-0AD4-11CE-B03A-0020AF0BA770");
  virtual HRESULT get_AvgTimePerFrame(REFTIME* seconds) = 0;
  virtual HRESULT get_BitRate(LONG* bitRate) = 0;
  virtual HRESULT get_BitErrorRate(LONG* bitErrorRate) = 0;
  virtual HRESULT get_VideoWidth(LONG* width) = 0;
  virtual HRESULT get_VideoHeight(LONG* height) = 0;
  // The source rectangle: the part of the video that is shown.
  virtual HRESULT put_SourceLeft(LONG left) = 0;
  virtual HRESULT get_SourceLeft(LONG* left) = 0;
  virtual HRESULT put_SourceWidth(LONG width) = 0;
  virtual HRESULT get_SourceWidth(LONG* width) = 0;
  virtual HRESULT put_SourceTop(LONG top) = 0;
  virtual HRESULT get_SourceTop(LONG* top) = 0;
  virtual HRESULT put_SourceHeight(LONG height) = 0;
  virtual HRESULT get_SourceHeight(LONG* height) = 0;
  // The destination rectangle: where it is drawn in the window.
  virtual HRESULT put_DestinationLeft(LONG left) = 0;
  virtual HRESULT get_DestinationLeft(LONG* left) = 0;
  virtual HRESULT put_DestinationWidth(LONG width) = 0;
  virtual HRESULT get_DestinationWidth(LONG* width) = 0;
  virtual HRESULT put_DestinationTop(LONG top) = 0;
  virtual HRESULT get_DestinationTop(LONG* top) = 0;
  virtual HRESULT put_DestinationHeight(LONG height) = 0;
  virtual HRESULT get_DestinationHeight(LONG* height) = 0;
  virtual HRESULT SetSourcePosition(LONG left, LONG top, LONG width, LONG height) = 0;
  virtual HRESULT GetSourcePosition(LONG* left, LONG* top, LONG* width, LONG* height) = 0;
  virtual HRESULT SetDefaultSourcePosition() = 0;
  virtual HRESULT SetDestinationPosition(LONG left, LONG top, LONG width, LONG height) = 0;
  virtual HRESULT GetDestinationPosition(LONG* left, LONG* top, LONG* width, LONG* height) = 0;
  virtual HRESULT SetDefaultDestinationPosition() = 0;
  virtual HRESULT GetVideoSize(LONG* width, LONG* height) = 0;
  // With a null image, *bufferSize receives the size needed: a BITMAPINFOHEADER and the pixels
  // of the current picture. E_OUTOFMEMORY when the buffer is too small.
  virtual HRESULT GetCurrentImage(LONG* bufferSize, LONG* image) = 0;
  // S_OK or S_FALSE.
  virtual HRESULT IsUsingDefaultSource() = 0;
  virtual HRESULT IsUsingDefaultDestination() = 0;
};

inline constexpr IID IID_IVideoWindow = IVideoWindow::iid;
inline constexpr IID IID_IBasicVideo = IBasicVideo::iid;

#pragma once
// The video renderer: shows uncompressed video (the RGB family, YUY2 and the other YUV FourCCs
// FrameConverter reads) in a window of its own, a VideoWindowWidget, scaled to the window. It is
// created under the class ids of both the video mixing renderer and the video renderer.
//
// IVideoWindow controls the window: caption, owner (the window becomes a child of the owner
// widget), style, visibility, showing itself when the graph starts (AutoShow), where mouse and
// keyboard input goes (MessageDrain), position and full screen. IBasicVideo reports the video
// size and keeps the source and destination rectangles. A change of the connected size (a new
// connection or a sample that carries a new type) raises EC_VIDEO_SIZE_CHANGED with the width
// in the low and the height in the high word of param1.
//
// Threads: the window exists only when the filter was made on the UI thread of a GUI
// application, and IVideoWindow, IBasicVideo and the filter's release belong to that thread.
// Frames are converted on the streaming thread and handed to the window through a
// VideoFrameMailbox, never touching the widget there.

#include <QPointer>
#include <QRect>
#include <atomic>
#include <memory>

#include "dshow/WindowInterfaces.h"
#include "dshow/base/BaseRenderer.h"
#include "dshow/filters/FrameConverter.h"
#include "dshow/filters/VideoFrameMailbox.h"
#include "dshow/filters/VideoWindowWidget.h"
#include "ui/Window.h"

class VideoRenderer final : public CBaseRenderer, public IVideoWindow, public IBasicVideo {
 public:
  // Window style bits as callers pass them.
  static constexpr LONG kStyleChild = WS_CHILD;
  static constexpr LONG kStyleVisible = WS_VISIBLE;
  static constexpr LONG kStyleCaption = WS_CAPTION;
  static constexpr LONG kStyleOverlappedWindow = WS_OVERLAPPEDWINDOW;
  static constexpr char kDefaultCaption[] = "Video Renderer";

  explicit VideoRenderer(const CLSID& clsid);

  // Whether it shows video of that type; a null type is not known and fits.
  static bool CanRender(const AM_MEDIA_TYPE* mediaType);

  // IUnknown, one for every base.
  HRESULT QueryInterface(REFIID riid, void** object) override {
    return CBaseRenderer::QueryInterface(riid, object);
  }
  ULONG AddRef() override { return CBaseRenderer::AddRef(); }
  ULONG Release() override { return CBaseRenderer::Release(); }

  // CBaseRenderer
  HRESULT CheckMediaType(const AM_MEDIA_TYPE* mediaType) override;
  HRESULT SetMediaType(const AM_MEDIA_TYPE* mediaType) override;
  HRESULT DoRenderSample(IMediaSample* sample) override;
  void OnReceiveFirstSample(IMediaSample* sample) override;
  // A flush (a seek): the frame still on its way to the window is stale and is not shown.
  void OnFlush() override { mailbox_->DiscardPending(); }
  HRESULT OnStartStreaming() override;

  // IVideoWindow
  HRESULT put_Caption(LPCOLESTR caption) override;
  HRESULT get_Caption(LPOLESTR* caption) override;
  HRESULT put_WindowStyle(LONG style) override;
  HRESULT get_WindowStyle(LONG* style) override;
  HRESULT put_WindowStyleEx(LONG style) override;
  HRESULT get_WindowStyleEx(LONG* style) override;
  HRESULT put_AutoShow(LONG autoShow) override;
  HRESULT get_AutoShow(LONG* autoShow) override;
  HRESULT put_WindowState(LONG state) override;
  HRESULT get_WindowState(LONG* state) override;
  HRESULT put_Visible(LONG visible) override;
  HRESULT get_Visible(LONG* visible) override;
  HRESULT put_Left(LONG left) override;
  HRESULT get_Left(LONG* left) override;
  HRESULT put_Width(LONG width) override;
  HRESULT get_Width(LONG* width) override;
  HRESULT put_Top(LONG top) override;
  HRESULT get_Top(LONG* top) override;
  HRESULT put_Height(LONG height) override;
  HRESULT get_Height(LONG* height) override;
  HRESULT put_Owner(OAHWND owner) override;
  HRESULT get_Owner(OAHWND* owner) override;
  HRESULT put_MessageDrain(OAHWND drain) override;
  HRESULT get_MessageDrain(OAHWND* drain) override;
  HRESULT get_BorderColor(LONG* color) override;
  HRESULT put_BorderColor(LONG color) override;
  HRESULT get_FullScreenMode(LONG* fullScreen) override;
  HRESULT put_FullScreenMode(LONG fullScreen) override;
  HRESULT SetWindowForeground(LONG focus) override;
  HRESULT NotifyOwnerMessage(OAHWND window, LONG message, LONG_PTR wParam,
                             LONG_PTR lParam) override;
  HRESULT SetWindowPosition(LONG left, LONG top, LONG width, LONG height) override;
  HRESULT GetWindowPosition(LONG* left, LONG* top, LONG* width, LONG* height) override;
  HRESULT GetMinIdealImageSize(LONG* width, LONG* height) override;
  HRESULT GetMaxIdealImageSize(LONG* width, LONG* height) override;
  HRESULT GetRestorePosition(LONG* left, LONG* top, LONG* width, LONG* height) override;
  HRESULT HideCursor(LONG hide) override;
  HRESULT IsCursorHidden(LONG* hidden) override;

  // IBasicVideo
  HRESULT get_AvgTimePerFrame(REFTIME* seconds) override;
  HRESULT get_BitRate(LONG* bitRate) override;
  HRESULT get_BitErrorRate(LONG* bitErrorRate) override;
  HRESULT get_VideoWidth(LONG* width) override;
  HRESULT get_VideoHeight(LONG* height) override;
  HRESULT put_SourceLeft(LONG left) override;
  HRESULT get_SourceLeft(LONG* left) override;
  HRESULT put_SourceWidth(LONG width) override;
  HRESULT get_SourceWidth(LONG* width) override;
  HRESULT put_SourceTop(LONG top) override;
  HRESULT get_SourceTop(LONG* top) override;
  HRESULT put_SourceHeight(LONG height) override;
  HRESULT get_SourceHeight(LONG* height) override;
  HRESULT put_DestinationLeft(LONG left) override;
  HRESULT get_DestinationLeft(LONG* left) override;
  HRESULT put_DestinationWidth(LONG width) override;
  HRESULT get_DestinationWidth(LONG* width) override;
  HRESULT put_DestinationTop(LONG top) override;
  HRESULT get_DestinationTop(LONG* top) override;
  HRESULT put_DestinationHeight(LONG height) override;
  HRESULT get_DestinationHeight(LONG* height) override;
  HRESULT SetSourcePosition(LONG left, LONG top, LONG width, LONG height) override;
  HRESULT GetSourcePosition(LONG* left, LONG* top, LONG* width, LONG* height) override;
  HRESULT SetDefaultSourcePosition() override;
  HRESULT SetDestinationPosition(LONG left, LONG top, LONG width, LONG height) override;
  HRESULT GetDestinationPosition(LONG* left, LONG* top, LONG* width, LONG* height) override;
  HRESULT SetDefaultDestinationPosition() override;
  HRESULT GetVideoSize(LONG* width, LONG* height) override;
  HRESULT GetCurrentImage(LONG* bufferSize, LONG* image) override;
  HRESULT IsUsingDefaultSource() override;
  HRESULT IsUsingDefaultDestination() override;

  // The window, or null when the filter has none. UI thread.
  VideoWindowWidget* Window() const { return window_.data(); }
  // Frames converted and handed over so far. Any thread.
  long FramesPresented() const { return mailbox_->Published(); }

 protected:
  HRESULT QueryFilterInterface(REFIID riid, void** object) override;

 private:
  ~VideoRenderer() override;

  // Sets the converter up for a type and reports a size change. Application thread while
  // stopped, or the streaming thread.
  HRESULT ApplyFormat(const AM_MEDIA_TYPE& mediaType);
  // Streaming thread.
  void Present(IMediaSample* sample);
  // The window for an IVideoWindow call: E_UNEXPECTED when there is none or the caller is not
  // on the UI thread.
  HRESULT CheckWindow() const;
  // Applies owner and style to the widget. UI thread.
  void ApplyParent();
  // The connected size; VFW_E_NOT_CONNECTED when unconnected.
  HRESULT ConnectedSize(LONG* width, LONG* height);
  QRect SourceRect() const;
  QRect DestinationRect() const;

  std::shared_ptr<VideoFrameMailbox> mailbox_;
  FrameConverter converter_;  // the streaming thread while running, else the application's
  std::atomic<LONG> videoWidth_{0};
  std::atomic<LONG> videoHeight_{0};

  // UI thread.
  QPointer<VideoWindowWidget> window_;
  QPointer<QWidget> owner_;
  LONG style_ = kStyleOverlappedWindow;
  LONG styleEx_ = 0;
  bool autoShow_ = true;
  bool positioned_ = false;  // the application placed the window itself
  bool fullScreen_ = false;
  QPointer<QWidget> restoreOwner_;
  QRect restoreGeometry_;
  LONG borderColor_ = 0;
  bool cursorHidden_ = false;
  QRect source_;       // empty: the whole picture
  QRect destination_;  // empty: the whole window
};

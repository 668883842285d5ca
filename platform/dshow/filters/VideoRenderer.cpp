#include "dshow/filters/VideoRenderer.h"

#include <QApplication>
#include <QCursor>
#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "com/Com.h"
#include "dshow/GraphInterfaces.h"
#include "dshow/Uuids.h"
#include "dshow/VideoMediaType.h"
#include "ui/Application.h"
#include "ui/Window.h"

namespace {

QWidget* WidgetOf(OAHWND handle) {
  return reinterpret_cast<QWidget*>(handle);
}

OAHWND HandleOf(QWidget* widget) {
  return reinterpret_cast<OAHWND>(widget);
}

LONG OaBool(bool value) {
  return value ? OATRUE : OAFALSE;
}

// Width in the low word, height in the high word, as EC_VIDEO_SIZE_CHANGED carries them.
LONG_PTR SizeParam(LONG width, LONG height) {
  return static_cast<LONG_PTR>((static_cast<DWORD>(height & 0xFFFF) << 16) |
                               static_cast<DWORD>(width & 0xFFFF));
}

bool IsRenderableVideo(const AM_MEDIA_TYPE& type) {
  if (type.majortype != MEDIATYPE_Video) return false;
  if (type.formattype != FORMAT_VideoInfo && type.formattype != FORMAT_VideoInfo2) return false;
  const BITMAPINFOHEADER* header = BitmapHeaderOf(type);
  return header != nullptr && header->biWidth > 0 && header->biHeight != 0 &&
         FrameConverter::CanRead(type.subtype);
}

template <class T>
HRESULT Out(T* target, T value) {
  if (target == nullptr) return E_POINTER;
  *target = value;
  return S_OK;
}

}  // namespace

VideoRenderer::VideoRenderer(const CLSID& clsid)
    : CBaseRenderer(clsid, "Input"), mailbox_(std::make_shared<VideoFrameMailbox>()) {
  if (!ui::HasGuiApplication() || !ui::IsUiThread()) return;  // a sink without a window
  window_ = new VideoWindowWidget();
  window_->setWindowTitle(kDefaultCaption);
  window_->resize(320, 240);
  mailbox_->SetWindow(window_);
}

VideoRenderer::~VideoRenderer() {
  if (window_.isNull()) return;
  if (ui::IsUiThread()) {
    mailbox_->SetWindow(nullptr);
    delete window_.data();
    return;
  }
  // Released away from the UI thread: the window goes there. The handle is only compared until
  // the UI thread finds it alive.
  QWidget* window = window_.data();
  ui::PostToUiThread([window] {
    if (IsWindow(window)) delete window;
  });
}

bool VideoRenderer::CanRender(const AM_MEDIA_TYPE* mediaType) {
  return mediaType == nullptr || IsRenderableVideo(*mediaType);
}

HRESULT VideoRenderer::QueryFilterInterface(REFIID riid, void** object) {
  if (riid == IID_IVideoWindow) {
    *object = static_cast<IVideoWindow*>(this);
  } else if (riid == IID_IBasicVideo) {
    *object = static_cast<IBasicVideo*>(this);
  } else {
    return CBaseRenderer::QueryFilterInterface(riid, object);
  }
  AddRef();
  return S_OK;
}

// ---- Streaming -------------------------------------------------------------------------------

HRESULT VideoRenderer::CheckMediaType(const AM_MEDIA_TYPE* mediaType) {
  if (mediaType == nullptr) return E_POINTER;
  return IsRenderableVideo(*mediaType) ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT VideoRenderer::ApplyFormat(const AM_MEDIA_TYPE& mediaType) {
  const BITMAPINFOHEADER* header = BitmapHeaderOf(mediaType);
  if (header == nullptr) return VFW_E_TYPE_NOT_ACCEPTED;
  const FrameFormat input = FrameFormat::FromHeader(mediaType.subtype, *header);
  const LONG width = input.width;
  const LONG height = std::abs(input.height);
  if (!converter_.Configure(input, {MEDIASUBTYPE_RGB32, width, -height})) {
    return VFW_E_TYPE_NOT_ACCEPTED;
  }
  const LONG oldWidth = videoWidth_.exchange(width);
  const LONG oldHeight = videoHeight_.exchange(height);
  if ((oldWidth != 0 || oldHeight != 0) && (oldWidth != width || oldHeight != height)) {
    (void)NotifyEvent(EC_VIDEO_SIZE_CHANGED, SizeParam(width, height), 0);  // no graph: nobody
  }
  return S_OK;
}

HRESULT VideoRenderer::SetMediaType(const AM_MEDIA_TYPE* mediaType) {
  if (mediaType == nullptr) return E_POINTER;
  const HRESULT hr = ApplyFormat(*mediaType);
  if (FAILED(hr)) return hr;
  // A window nobody has placed takes the size of the video.
  if (ui::IsUiThread() && !window_.isNull() && !positioned_ && owner_.isNull() && !fullScreen_) {
    window_->resize(videoWidth_.load(), videoHeight_.load());
  }
  return S_OK;
}

void VideoRenderer::Present(IMediaSample* sample) {
  AM_MEDIA_TYPE* changed = nullptr;
  if (sample->GetMediaType(&changed) == S_OK && changed != nullptr) {
    const MediaType type = MediaType::Adopt(changed);
    (void)ApplyFormat(type.Get());  // the input pin has accepted it already
  }
  if (!converter_.IsConfigured()) return;
  const FrameFormat& output = converter_.Output();
  BYTE* data = nullptr;
  if (FAILED(sample->GetPointer(&data))) return;
  const auto length = static_cast<size_t>(std::max(sample->GetActualDataLength(), LONG{0}));
  std::shared_ptr<VideoFrame> frame = mailbox_->Acquire(output.width, -output.height);
  // A short sample is not shown.
  if (!converter_.Convert(data, length, frame->pixels.data(), frame->pixels.size())) return;
  mailbox_->Publish(std::move(frame));
}

HRESULT VideoRenderer::DoRenderSample(IMediaSample* sample) {
  Present(sample);
  return S_OK;
}

void VideoRenderer::OnReceiveFirstSample(IMediaSample* sample) {
  Present(sample);  // a paused graph shows its first frame
}

HRESULT VideoRenderer::OnStartStreaming() {
  if (autoShow_ && ui::IsUiThread() && !window_.isNull() && window_->isHidden()) {
    window_->show();
  }
  return S_OK;
}

// ---- IVideoWindow ----------------------------------------------------------------------------

HRESULT VideoRenderer::CheckWindow() const {
  if (window_.isNull() || !ui::IsUiThread()) return E_UNEXPECTED;
  return S_OK;
}

void VideoRenderer::ApplyParent() {
  const bool hidden = window_->isHidden();
  if (!owner_.isNull()) {
    window_->setParent(owner_, Qt::Widget);
  } else {
    Qt::WindowFlags flags = Qt::Window;
    if ((style_ & kStyleCaption) != kStyleCaption) flags |= Qt::FramelessWindowHint;
    window_->setParent(nullptr, flags);
  }
  if (!hidden) window_->show();  // reparenting hides a widget
}

HRESULT VideoRenderer::put_Caption(LPCOLESTR caption) {
  if (caption == nullptr) return E_POINTER;
  if (const HRESULT hr = CheckWindow(); FAILED(hr)) return hr;
  window_->setWindowTitle(QString::fromUtf8(caption));
  return S_OK;
}

HRESULT VideoRenderer::get_Caption(LPOLESTR* caption) {
  if (caption == nullptr) return E_POINTER;
  *caption = nullptr;
  if (const HRESULT hr = CheckWindow(); FAILED(hr)) return hr;
  *caption = CoTaskMemStrDup(window_->windowTitle().toStdString());
  return *caption != nullptr ? S_OK : E_OUTOFMEMORY;
}

HRESULT VideoRenderer::put_WindowStyle(LONG style) {
  if (const HRESULT hr = CheckWindow(); FAILED(hr)) return hr;
  style_ = style;
  if (!fullScreen_) ApplyParent();
  return S_OK;
}

HRESULT VideoRenderer::get_WindowStyle(LONG* style) {
  if (const HRESULT hr = CheckWindow(); FAILED(hr)) return hr;
  return Out(style, style_);
}

HRESULT VideoRenderer::put_WindowStyleEx(LONG style) {
  if (const HRESULT hr = CheckWindow(); FAILED(hr)) return hr;
  styleEx_ = style;  // kept for the caller; nothing of it applies to our window
  return S_OK;
}

HRESULT VideoRenderer::get_WindowStyleEx(LONG* style) {
  if (const HRESULT hr = CheckWindow(); FAILED(hr)) return hr;
  return Out(style, styleEx_);
}

HRESULT VideoRenderer::put_AutoShow(LONG autoShow) {
  if (const HRESULT hr = CheckWindow(); FAILED(hr)) return hr;
  autoShow_ = autoShow != OAFALSE;
  return S_OK;
}

HRESULT VideoRenderer::get_AutoShow(LONG* autoShow) {
  if (const HRESULT hr = CheckWindow(); FAILED(hr)) return hr;
  return Out(autoShow, OaBool(autoShow_));
}

HRESULT VideoRenderer::put_WindowState(LONG state) {
  if (const HRESULT hr = CheckWindow(); FAILED(hr)) return hr;
  ShowWindow(window_.data(), static_cast<int>(state));
  return S_OK;
}

HRESULT VideoRenderer::get_WindowState(LONG* state) {
  if (const HRESULT hr = CheckWindow(); FAILED(hr)) return hr;
  LONG value = SW_SHOWNORMAL;
  if (window_->isHidden()) {
    value = SW_HIDE;
  } else if (window_->isMinimized()) {
    value = SW_SHOWMINIMIZED;
  } else if (window_->isMaximized()) {
    value = SW_SHOWMAXIMIZED;
  }
  return Out(state, value);
}

HRESULT VideoRenderer::put_Visible(LONG visible) {
  if (const HRESULT hr = CheckWindow(); FAILED(hr)) return hr;
  window_->setVisible(visible != OAFALSE);
  return S_OK;
}

HRESULT VideoRenderer::get_Visible(LONG* visible) {
  if (const HRESULT hr = CheckWindow(); FAILED(hr)) return hr;
  // Shown as far as the window itself goes (a hidden owner does not count).
  return Out(visible, OaBool(!window_->isHidden()));
}

HRESULT VideoRenderer::put_Left(LONG left) {
  if (const HRESULT hr = CheckWindow(); FAILED(hr)) return hr;
  positioned_ = true;
  window_->move(left, window_->y());
  return S_OK;
}

HRESULT VideoRenderer::get_Left(LONG* left) {
  if (const HRESULT hr = CheckWindow(); FAILED(hr)) return hr;
  return Out(left, LONG{window_->x()});
}

HRESULT VideoRenderer::put_Width(LONG width) {
  if (const HRESULT hr = CheckWindow(); FAILED(hr)) return hr;
  positioned_ = true;
  window_->resize(width, window_->height());
  return S_OK;
}

HRESULT VideoRenderer::get_Width(LONG* width) {
  if (const HRESULT hr = CheckWindow(); FAILED(hr)) return hr;
  return Out(width, LONG{window_->width()});
}

HRESULT VideoRenderer::put_Top(LONG top) {
  if (const HRESULT hr = CheckWindow(); FAILED(hr)) return hr;
  positioned_ = true;
  window_->move(window_->x(), top);
  return S_OK;
}

HRESULT VideoRenderer::get_Top(LONG* top) {
  if (const HRESULT hr = CheckWindow(); FAILED(hr)) return hr;
  return Out(top, LONG{window_->y()});
}

HRESULT VideoRenderer::put_Height(LONG height) {
  if (const HRESULT hr = CheckWindow(); FAILED(hr)) return hr;
  positioned_ = true;
  window_->resize(window_->width(), height);
  return S_OK;
}

HRESULT VideoRenderer::get_Height(LONG* height) {
  if (const HRESULT hr = CheckWindow(); FAILED(hr)) return hr;
  return Out(height, LONG{window_->height()});
}

HRESULT VideoRenderer::put_Owner(OAHWND owner) {
  if (const HRESULT hr = CheckWindow(); FAILED(hr)) return hr;
  QWidget* parent = WidgetOf(owner);
  if (parent != nullptr && (!IsWindow(parent) || parent == window_.data())) return E_INVALIDARG;
  owner_ = parent;
  if (!fullScreen_) ApplyParent();
  return S_OK;
}

HRESULT VideoRenderer::get_Owner(OAHWND* owner) {
  if (const HRESULT hr = CheckWindow(); FAILED(hr)) return hr;
  return Out(owner, HandleOf(owner_.data()));
}

HRESULT VideoRenderer::put_MessageDrain(OAHWND drain) {
  if (const HRESULT hr = CheckWindow(); FAILED(hr)) return hr;
  QWidget* target = WidgetOf(drain);
  if (target != nullptr && !IsWindow(target)) return E_INVALIDARG;
  window_->SetMessageDrain(target);
  return S_OK;
}

HRESULT VideoRenderer::get_MessageDrain(OAHWND* drain) {
  if (const HRESULT hr = CheckWindow(); FAILED(hr)) return hr;
  return Out(drain, HandleOf(window_->MessageDrain()));
}

HRESULT VideoRenderer::get_BorderColor(LONG* color) {
  if (const HRESULT hr = CheckWindow(); FAILED(hr)) return hr;
  return Out(color, borderColor_);
}

HRESULT VideoRenderer::put_BorderColor(LONG color) {
  if (const HRESULT hr = CheckWindow(); FAILED(hr)) return hr;
  borderColor_ = color;  // the area outside the picture is painted black whatever is set
  return S_OK;
}

HRESULT VideoRenderer::get_FullScreenMode(LONG* fullScreen) {
  if (const HRESULT hr = CheckWindow(); FAILED(hr)) return hr;
  return Out(fullScreen, OaBool(fullScreen_));
}

HRESULT VideoRenderer::put_FullScreenMode(LONG fullScreen) {
  if (const HRESULT hr = CheckWindow(); FAILED(hr)) return hr;
  const bool wanted = fullScreen != OAFALSE;
  if (wanted == fullScreen_) return S_OK;
  fullScreen_ = wanted;
  if (wanted) {
    restoreGeometry_ = window_->geometry();
    window_->setParent(nullptr, Qt::Window | Qt::FramelessWindowHint);
    window_->showFullScreen();
    return S_OK;
  }
  window_->showNormal();
  ApplyParent();
  window_->setGeometry(restoreGeometry_);
  return S_OK;
}

HRESULT VideoRenderer::SetWindowForeground(LONG focus) {
  if (const HRESULT hr = CheckWindow(); FAILED(hr)) return hr;
  window_->raise();
  if (focus != OAFALSE) window_->activateWindow();
  return S_OK;
}

HRESULT VideoRenderer::NotifyOwnerMessage(OAHWND /*window*/, LONG message, LONG_PTR /*wParam*/,
                                          LONG_PTR /*lParam*/) {
  if (window_.isNull() || !ui::IsUiThread()) return S_OK;  // nothing to keep up to date
  switch (static_cast<UINT>(message)) {
    case WM_DISPLAYCHANGE:
    case WM_PALETTECHANGED:
    case WM_QUERYNEWPALETTE:
    case WM_SYSCOLORCHANGE:
    case WM_ERASEBKGND:
    case WM_DEVMODECHANGE:
      window_->update();  // the screen changed under the picture
      break;
    default:
      break;
  }
  return S_OK;
}

HRESULT VideoRenderer::SetWindowPosition(LONG left, LONG top, LONG width, LONG height) {
  if (const HRESULT hr = CheckWindow(); FAILED(hr)) return hr;
  if (width < 0 || height < 0) return E_INVALIDARG;
  positioned_ = true;
  window_->setGeometry(left, top, width, height);
  return S_OK;
}

HRESULT VideoRenderer::GetWindowPosition(LONG* left, LONG* top, LONG* width, LONG* height) {
  if (left == nullptr || top == nullptr || width == nullptr || height == nullptr) return E_POINTER;
  if (const HRESULT hr = CheckWindow(); FAILED(hr)) return hr;
  const QRect geometry = window_->geometry();
  *left = geometry.x();
  *top = geometry.y();
  *width = geometry.width();
  *height = geometry.height();
  return S_OK;
}

HRESULT VideoRenderer::GetMinIdealImageSize(LONG* width, LONG* height) {
  return ConnectedSize(width, height);
}

HRESULT VideoRenderer::GetMaxIdealImageSize(LONG* width, LONG* height) {
  return ConnectedSize(width, height);
}

HRESULT VideoRenderer::GetRestorePosition(LONG* left, LONG* top, LONG* width, LONG* height) {
  if (left == nullptr || top == nullptr || width == nullptr || height == nullptr) return E_POINTER;
  if (const HRESULT hr = CheckWindow(); FAILED(hr)) return hr;
  const QRect geometry = fullScreen_ ? restoreGeometry_ : window_->normalGeometry();
  *left = geometry.x();
  *top = geometry.y();
  *width = geometry.width();
  *height = geometry.height();
  return S_OK;
}

HRESULT VideoRenderer::HideCursor(LONG hide) {
  if (const HRESULT hr = CheckWindow(); FAILED(hr)) return hr;
  cursorHidden_ = hide != OAFALSE;
  if (cursorHidden_) {
    window_->setCursor(Qt::BlankCursor);
  } else {
    window_->unsetCursor();
  }
  return S_OK;
}

HRESULT VideoRenderer::IsCursorHidden(LONG* hidden) {
  if (const HRESULT hr = CheckWindow(); FAILED(hr)) return hr;
  return Out(hidden, OaBool(cursorHidden_));
}

// ---- IBasicVideo -----------------------------------------------------------------------------

HRESULT VideoRenderer::ConnectedSize(LONG* width, LONG* height) {
  if (width == nullptr || height == nullptr) return E_POINTER;
  if (!InputPin()->IsConnected()) return VFW_E_NOT_CONNECTED;
  *width = videoWidth_.load();
  *height = videoHeight_.load();
  return S_OK;
}

HRESULT VideoRenderer::get_AvgTimePerFrame(REFTIME* seconds) {
  if (seconds == nullptr) return E_POINTER;
  if (!InputPin()->IsConnected()) return VFW_E_NOT_CONNECTED;
  const auto format = ReadVideoFormat(InputPin()->CurrentMediaType().Get());
  *seconds = format ? static_cast<double>(format->avgTimePerFrame) / kUnitsPerSecond : 0.0;
  return S_OK;
}

HRESULT VideoRenderer::get_BitRate(LONG* bitRate) {
  if (bitRate == nullptr) return E_POINTER;
  if (!InputPin()->IsConnected()) return VFW_E_NOT_CONNECTED;
  const MediaType type = InputPin()->CurrentMediaType();
  if (const auto* block = type.FormatAs<VIDEOINFOHEADER>();
      block != nullptr && type->formattype == FORMAT_VideoInfo) {
    *bitRate = static_cast<LONG>(block->dwBitRate);
  } else if (const auto* block2 = type.FormatAs<VIDEOINFOHEADER2>(); block2 != nullptr) {
    *bitRate = static_cast<LONG>(block2->dwBitRate);
  } else {
    *bitRate = 0;
  }
  return S_OK;
}

HRESULT VideoRenderer::get_BitErrorRate(LONG* bitErrorRate) {
  if (bitErrorRate == nullptr) return E_POINTER;
  if (!InputPin()->IsConnected()) return VFW_E_NOT_CONNECTED;
  *bitErrorRate = 0;  // uncompressed video from memory has no errors
  return S_OK;
}

HRESULT VideoRenderer::get_VideoWidth(LONG* width) {
  LONG height = 0;
  return ConnectedSize(width, &height);
}

HRESULT VideoRenderer::get_VideoHeight(LONG* height) {
  LONG width = 0;
  return ConnectedSize(&width, height);
}

QRect VideoRenderer::SourceRect() const {
  if (!source_.isEmpty()) return source_;
  return QRect(0, 0, videoWidth_.load(), videoHeight_.load());
}

QRect VideoRenderer::DestinationRect() const {
  if (!destination_.isEmpty() || window_.isNull()) return destination_;
  return window_->rect();
}

HRESULT VideoRenderer::SetSourcePosition(LONG left, LONG top, LONG width, LONG height) {
  if (!ui::IsUiThread()) return E_UNEXPECTED;
  const QRect wanted(left, top, width, height);
  const QRect video(0, 0, videoWidth_.load(), videoHeight_.load());
  if (width <= 0 || height <= 0 || !video.contains(wanted)) return E_INVALIDARG;
  source_ = wanted == video ? QRect() : wanted;
  if (!window_.isNull()) window_->SetPictureRects(source_, destination_);
  return S_OK;
}

HRESULT VideoRenderer::GetSourcePosition(LONG* left, LONG* top, LONG* width, LONG* height) {
  if (left == nullptr || top == nullptr || width == nullptr || height == nullptr) return E_POINTER;
  const QRect rect = SourceRect();
  *left = rect.x();
  *top = rect.y();
  *width = rect.width();
  *height = rect.height();
  return S_OK;
}

HRESULT VideoRenderer::SetDefaultSourcePosition() {
  const QRect video(0, 0, videoWidth_.load(), videoHeight_.load());
  if (!video.isEmpty()) return SetSourcePosition(0, 0, video.width(), video.height());
  source_ = QRect();
  return S_OK;
}

HRESULT VideoRenderer::SetDestinationPosition(LONG left, LONG top, LONG width, LONG height) {
  if (!ui::IsUiThread()) return E_UNEXPECTED;
  if (width <= 0 || height <= 0) return E_INVALIDARG;
  destination_ = QRect(left, top, width, height);
  if (!window_.isNull()) window_->SetPictureRects(source_, destination_);
  return S_OK;
}

HRESULT VideoRenderer::GetDestinationPosition(LONG* left, LONG* top, LONG* width, LONG* height) {
  if (left == nullptr || top == nullptr || width == nullptr || height == nullptr) return E_POINTER;
  const QRect rect = DestinationRect();
  *left = rect.x();
  *top = rect.y();
  *width = rect.width();
  *height = rect.height();
  return S_OK;
}

HRESULT VideoRenderer::SetDefaultDestinationPosition() {
  if (!ui::IsUiThread()) return E_UNEXPECTED;
  destination_ = QRect();
  if (!window_.isNull()) window_->SetPictureRects(source_, destination_);
  return S_OK;
}

HRESULT VideoRenderer::IsUsingDefaultSource() {
  return source_.isEmpty() ? S_OK : S_FALSE;
}

HRESULT VideoRenderer::IsUsingDefaultDestination() {
  return destination_.isEmpty() ? S_OK : S_FALSE;
}

// Single-rectangle accessors, each through the matching Set/Get...Position.
#define RECT_ACCESSORS(Kind, Field, Index)                                                \
  HRESULT VideoRenderer::put_##Kind##Field(LONG value) {                                  \
    LONG r[4];                                                                            \
    if (const HRESULT hr = Get##Kind##Position(&r[0], &r[1], &r[2], &r[3]); FAILED(hr)) { \
      return hr;                                                                          \
    }                                                                                     \
    r[Index] = value;                                                                     \
    return Set##Kind##Position(r[0], r[1], r[2], r[3]);                                   \
  }                                                                                       \
  HRESULT VideoRenderer::get_##Kind##Field(LONG* value) {                                 \
    if (value == nullptr) return E_POINTER;                                               \
    LONG r[4];                                                                            \
    const HRESULT hr = Get##Kind##Position(&r[0], &r[1], &r[2], &r[3]);                   \
    if (SUCCEEDED(hr)) *value = r[Index];                                                 \
    return hr;                                                                            \
  }

RECT_ACCESSORS(Source, Left, 0)
RECT_ACCESSORS(Source, Top, 1)
RECT_ACCESSORS(Source, Width, 2)
RECT_ACCESSORS(Source, Height, 3)
RECT_ACCESSORS(Destination, Left, 0)
RECT_ACCESSORS(Destination, Top, 1)
RECT_ACCESSORS(Destination, Width, 2)
RECT_ACCESSORS(Destination, Height, 3)

#undef RECT_ACCESSORS

HRESULT VideoRenderer::GetVideoSize(LONG* width, LONG* height) {
  return ConnectedSize(width, height);
}

HRESULT VideoRenderer::GetCurrentImage(LONG* bufferSize, LONG* image) {
  if (bufferSize == nullptr) return E_POINTER;
  const std::shared_ptr<const VideoFrame> frame = mailbox_->Latest();
  if (!frame) return VFW_E_WRONG_STATE;
  const size_t rowBytes = static_cast<size_t>(frame->width) * 4;
  const size_t needed = sizeof(BITMAPINFOHEADER) + rowBytes * frame->height;
  if (image == nullptr) {
    *bufferSize = static_cast<LONG>(needed);
    return S_OK;
  }
  if (*bufferSize < 0 || static_cast<size_t>(*bufferSize) < needed) return E_OUTOFMEMORY;
  BITMAPINFOHEADER header;
  header.biSize = sizeof(BITMAPINFOHEADER);
  header.biWidth = frame->width;
  header.biHeight = frame->height;  // bottom-up, as a DIB
  header.biPlanes = 1;
  header.biBitCount = 32;
  header.biCompression = BI_RGB;
  header.biSizeImage = static_cast<DWORD>(rowBytes * frame->height);
  auto* out = reinterpret_cast<BYTE*>(image);
  std::memcpy(out, &header, sizeof(header));
  out += sizeof(header);
  for (int row = 0; row < frame->height; ++row) {
    std::memcpy(out + rowBytes * row,
                frame->pixels.data() + rowBytes * static_cast<size_t>(frame->height - 1 - row),
                rowBytes);
  }
  *bufferSize = static_cast<LONG>(needed);
  return S_OK;
}

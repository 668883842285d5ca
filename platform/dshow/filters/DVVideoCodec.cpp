#include "dshow/filters/DVVideoCodec.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "av/AvOwners.h"
#include "dshow/VideoMediaType.h"
#include "dshow/base/MemAllocator.h"

// One DV decoder with its scaler to the output picture. Streaming thread only.
class DVFrameDecoder {
 public:
  DVFrameDecoder(const GUID& subtype, LONG width, LONG height, bool rgb219)
      : outputSubtype_(subtype), width_(width), height_(height), rgb219_(rgb219) {
    const AVCodec* codec = avcodec_find_decoder(AV_CODEC_ID_DVVIDEO);
    if (codec == nullptr) return;
    context_.reset(avcodec_alloc_context3(codec));
    frame_.reset(av_frame_alloc());
    packet_.reset(av_packet_alloc());
    if (!context_ || !frame_ || !packet_ || avcodec_open2(context_.get(), codec, nullptr) < 0)
      context_.reset();
  }
  DVFrameDecoder(const DVFrameDecoder&) = delete;
  DVFrameDecoder& operator=(const DVFrameDecoder&) = delete;

  // Decodes one DV frame into the bottom-up RGB picture at target. False when the frame does not
  // decode (it is then dropped).
  bool Decode(const BYTE* data, size_t size, BYTE* target, size_t targetSize) {
    if (!context_ || size == 0) return false;
    input_.assign(data, data + size);
    input_.resize(size + AV_INPUT_BUFFER_PADDING_SIZE, 0);  // libavcodec reads past the end
    packet_->data = input_.data();
    packet_->size = static_cast<int>(size);
    if (avcodec_send_packet(context_.get(), packet_.get()) < 0) return false;
    if (avcodec_receive_frame(context_.get(), frame_.get()) < 0) return false;
    const bool done = Scale(target, targetSize);
    av_frame_unref(frame_.get());
    return done;
  }

 private:
  bool Scale(BYTE* target, size_t targetSize) {
    const bool rgb32 = outputSubtype_ == MEDIASUBTYPE_RGB32;
    const int bytesPerPixel = rgb32 ? 4 : 3;
    const int stride = (width_ * bytesPerPixel + 3) & ~3;
    if (targetSize < static_cast<size_t>(stride) * static_cast<size_t>(height_)) return false;
    scaler_.reset(sws_getCachedContext(scaler_.release(), frame_->width, frame_->height,
                                       static_cast<AVPixelFormat>(frame_->format), width_, height_,
                                       rgb32 ? AV_PIX_FMT_BGRA : AV_PIX_FMT_BGR24, SWS_BILINEAR,
                                       nullptr, nullptr, nullptr));
    if (!scaler_) return false;
    // Bottom-up rows: the first output row is the buffer's last.
    uint8_t* rows[4] = {target + static_cast<size_t>(stride) * (height_ - 1), nullptr, nullptr,
                        nullptr};
    const int strides[4] = {-stride, 0, 0, 0};
    if (sws_scale(scaler_.get(), frame_->data, frame_->linesize, 0, frame_->height, rows,
                  strides) != height_)
      return false;
    if (rgb219_) ToStudioRange(target, static_cast<size_t>(stride) * static_cast<size_t>(height_));
    return true;
  }

  // Studio-range RGB: 0-255 pressed into 16-235.
  static void ToStudioRange(BYTE* bytes, size_t count) {
    for (size_t i = 0; i < count; ++i)
      bytes[i] = static_cast<BYTE>(16 + bytes[i] * 219 / 255);
  }

  const GUID outputSubtype_;
  const LONG width_;
  const LONG height_;
  const bool rgb219_;
  av::CodecContextPtr context_;
  av::FramePtr frame_;
  av::PacketPtr packet_;
  av::SwsContextPtr scaler_;
  std::vector<BYTE> input_;
};

namespace {

constexpr const GUID* kOutputSubtypes[] = {&MEDIASUBTYPE_RGB24, &MEDIASUBTYPE_RGB32};

bool IsDVVideo(const AM_MEDIA_TYPE& type) {
  if (type.majortype != MEDIATYPE_Video) return false;
  if (type.subtype != MEDIASUBTYPE_dvsd && type.subtype != MEDIASUBTYPE_dv25) return false;
  const auto format = ReadVideoFormat(type);
  return format && format->width == 720 &&
         (std::abs(format->height) == 480 || std::abs(format->height) == 576);
}

bool IsRgbOutput(const AM_MEDIA_TYPE& type) {
  return type.majortype == MEDIATYPE_Video &&
         std::any_of(std::begin(kOutputSubtypes), std::end(kOutputSubtypes),
                     [&](const GUID* subtype) { return *subtype == type.subtype; }) &&
         ReadVideoFormat(type).has_value();
}

// The picture size of a display resolution for DV frames of the given height.
void DisplaySize(int display, LONG frameHeight, LONG& width, LONG& height) {
  switch (display) {
    case DVRESOLUTION_FULL:
      width = 720;
      height = frameHeight;
      return;
    case DVRESOLUTION_QUARTER:
      width = 180;
      height = frameHeight / 4;
      return;
    case DVRESOLUTION_DC:
      width = 88;
      height = frameHeight == 480 ? 60 : 72;
      return;
    default:
      width = 360;
      height = frameHeight / 2;
      return;
  }
}

}  // namespace

DVVideoCodec::DVVideoCodec() : CTransformFilter(CLSID_DVVideoCodec) {}

DVVideoCodec::~DVVideoCodec() = default;

bool DVVideoCodec::CanDecode(const AM_MEDIA_TYPE* from, const AM_MEDIA_TYPE* to) {
  if (from != nullptr && !IsDVVideo(*from)) return false;
  return to == nullptr || IsRgbOutput(*to);
}

HRESULT DVVideoCodec::QueryFilterInterface(REFIID riid, void** object) {
  if (riid == IID_IIPDVDec) {
    *object = static_cast<IIPDVDec*>(this);
  } else if (riid == IID_IDVRGB219) {
    *object = static_cast<IDVRGB219*>(this);
  } else {
    return CTransformFilter::QueryFilterInterface(riid, object);
  }
  AddRef();
  return S_OK;
}

HRESULT DVVideoCodec::get_IPDisplay(int* displayPix) {
  if (displayPix == nullptr) return E_POINTER;
  std::lock_guard lock(FilterLock());
  *displayPix = display_;
  return S_OK;
}

HRESULT DVVideoCodec::put_IPDisplay(int displayPix) {
  if (displayPix < DVRESOLUTION_FULL || displayPix > DVRESOLUTION_DC) return E_INVALIDARG;
  std::lock_guard lock(FilterLock());
  display_ = displayPix;
  return S_OK;
}

HRESULT DVVideoCodec::SetRGB219(BOOL state) {
  std::lock_guard lock(FilterLock());
  rgb219_ = state != FALSE;
  return S_OK;
}

HRESULT DVVideoCodec::CheckInputType(const AM_MEDIA_TYPE* mediaType) {
  if (mediaType == nullptr) return E_POINTER;
  return IsDVVideo(*mediaType) ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT DVVideoCodec::CheckTransform(const AM_MEDIA_TYPE* in, const AM_MEDIA_TYPE* out) {
  if (in == nullptr || out == nullptr) return E_POINTER;
  if (!IsDVVideo(*in) || !IsRgbOutput(*out)) return VFW_E_TYPE_NOT_ACCEPTED;
  LONG width = 0;
  LONG height = 0;
  {
    std::lock_guard lock(FilterLock());
    DisplaySize(display_, std::abs(ReadVideoFormat(*in)->height), width, height);
  }
  const auto format = ReadVideoFormat(*out);
  return format->width == width && std::abs(format->height) == height ? S_OK
                                                                      : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT DVVideoCodec::GetMediaType(int position, MediaType* mediaType) {
  if (mediaType == nullptr) return E_POINTER;
  CTransformInputPin* input = InputPin();
  if (!input->IsConnected()) return E_UNEXPECTED;
  if (position < 0) return E_INVALIDARG;
  if (position >= static_cast<int>(std::size(kOutputSubtypes))) return VFW_S_NO_MORE_ITEMS;
  const auto format = ReadVideoFormat(input->ConnectionType().Get());
  if (!format) return E_UNEXPECTED;
  LONG width = 0;
  LONG height = 0;
  {
    std::lock_guard lock(FilterLock());
    DisplaySize(display_, std::abs(format->height), width, height);
  }
  auto type =
      MakeVideoMediaType(*kOutputSubtypes[position], width, height, format->avgTimePerFrame);
  if (!type) return E_UNEXPECTED;
  *mediaType = std::move(*type);
  return S_OK;
}

HRESULT DVVideoCodec::DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) {
  if (allocator == nullptr || request == nullptr) return E_POINTER;
  const auto format = ReadVideoFormat(OutputPin()->ConnectionType().Get());
  if (!format) return E_UNEXPECTED;
  ALLOCATOR_PROPERTIES wanted = *request;
  wanted.cBuffers = std::max(wanted.cBuffers, LONG{2});
  wanted.cbBuffer = std::max(
      wanted.cbBuffer, static_cast<LONG>(VideoImageSize(OutputPin()->ConnectionType()->subtype,
                                                        format->width, std::abs(format->height))));
  return SetAllocatorProperties(*allocator, wanted);
}

HRESULT DVVideoCodec::StartStreaming() {
  if (!InputPin()->IsConnected() || !OutputPin()->IsConnected()) return S_OK;
  const MediaType out = OutputPin()->CurrentMediaType();
  const auto format = ReadVideoFormat(out.Get());
  if (!format) return VFW_E_TYPE_NOT_ACCEPTED;
  bool rgb219 = false;
  {
    std::lock_guard lock(FilterLock());
    rgb219 = rgb219_;
  }
  decoder_ = std::make_unique<DVFrameDecoder>(out->subtype, format->width, std::abs(format->height),
                                              rgb219);
  return S_OK;
}

HRESULT DVVideoCodec::StopStreaming() {
  decoder_.reset();
  return S_OK;
}

HRESULT DVVideoCodec::Transform(IMediaSample* in, IMediaSample* out) {
  if (!decoder_) return VFW_E_WRONG_STATE;
  BYTE* source = nullptr;
  BYTE* target = nullptr;
  if (FAILED(in->GetPointer(&source)) || FAILED(out->GetPointer(&target))) return E_UNEXPECTED;
  const auto sourceLength = static_cast<size_t>(std::max(in->GetActualDataLength(), LONG{0}));
  const auto targetSize = static_cast<size_t>(std::max(out->GetSize(), LONG{0}));
  if (!decoder_->Decode(source, sourceLength, target, targetSize)) {
    return S_FALSE;  // a damaged frame is dropped, not fatal
  }
  const auto format = ReadVideoFormat(OutputPin()->ConnectionType().Get());
  return out->SetActualDataLength(static_cast<LONG>(VideoImageSize(
      OutputPin()->ConnectionType()->subtype, format->width, std::abs(format->height))));
}

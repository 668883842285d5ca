#include "dshow/filters/AvVideoDecoder.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "com/Diagnostics.h"
#include "dshow/Uuids.h"
#include "dshow/VideoMediaType.h"
#include "dshow/base/MemAllocator.h"
#include "dshow/filters/DecoderContext.h"
#include "dshow/filters/MediaFileLimits.h"

namespace {

struct OutputLayout {
  const GUID* subtype;
  AVPixelFormat format;
  int bytesPerPixel;
  bool dib;  // rows padded to four bytes, bottom-up unless the height is negative
};

constexpr OutputLayout kOutputs[] = {
    {&MEDIASUBTYPE_RGB24, AV_PIX_FMT_BGR24, 3, true},
    {&MEDIASUBTYPE_RGB32, AV_PIX_FMT_BGRA, 4, true},
    {&MEDIASUBTYPE_YUY2, AV_PIX_FMT_YUYV422, 2, false},
};

const OutputLayout* FindOutput(const GUID& subtype) {
  for (const OutputLayout& layout : kOutputs) {
    if (*layout.subtype == subtype) return &layout;
  }
  return nullptr;
}

bool IsCompressedVideo(const AM_MEDIA_TYPE& type) {
  if (type.majortype != MEDIATYPE_Video) return false;
  const auto format = ReadVideoFormat(type);
  return format && dshow::SanePicture(format->width, format->height) &&
         dshow::DecodableCodec(type).has_value();
}

bool IsDecodedOutput(const AM_MEDIA_TYPE& type) {
  const OutputLayout* layout = FindOutput(type.subtype);
  if (type.majortype != MEDIATYPE_Video || layout == nullptr) return false;
  const auto format = ReadVideoFormat(type);
  return format && dshow::SanePicture(format->width, format->height) &&
         (layout->dib || format->width % 2 == 0);  // YUY2 pairs pixels
}

}  // namespace

// Writes decoded pictures into output buffers: libswscale converts into a padded picture of its
// own (its vector code writes past the end of rows), whose rows are then copied in the
// output's order and stride. Streaming thread only.
class VideoFrameWriter {
 public:
  VideoFrameWriter(const OutputLayout& layout, LONG width, LONG height)
      : layout_(layout), width_(width), height_(std::abs(height)) {
    stride_ = layout.dib ? (width * layout.bytesPerPixel + 3) & ~3 : width * layout.bytesPerPixel;
    bottomUp_ = layout.dib && height > 0;
    picture_.reset(av_frame_alloc());
    if (!picture_) return;
    picture_->format = layout.format;
    picture_->width = width_;
    picture_->height = height_;
    if (av_frame_get_buffer(picture_.get(), 64) < 0) picture_.reset();
  }

  bool Ready() const { return picture_ != nullptr; }
  size_t ImageBytes() const { return static_cast<size_t>(stride_) * static_cast<size_t>(height_); }

  bool Write(const AVFrame& frame, BYTE* target, size_t size) {
    if (size < ImageBytes() || !PrepareScaler(frame)) return false;
    const int rows = sws_scale(scaler_.get(), frame.data, frame.linesize, 0, frame.height,
                               picture_->data, picture_->linesize);
    if (rows != height_) return false;
    const size_t rowBytes =
        static_cast<size_t>(width_) * static_cast<size_t>(layout_.bytesPerPixel);
    for (int row = 0; row < height_; ++row) {
      const int to = bottomUp_ ? height_ - 1 - row : row;
      std::memcpy(target + static_cast<size_t>(to) * static_cast<size_t>(stride_),
                  picture_->data[0] + static_cast<ptrdiff_t>(row) * picture_->linesize[0],
                  rowBytes);
    }
    return true;
  }

 private:
  bool PrepareScaler(const AVFrame& frame) {
    if (scaler_ && frame.format == sourceFormat_ && frame.width == sourceWidth_ &&
        frame.height == sourceHeight_) {
      return true;
    }
    // Pictures of another size are scaled to the connection's.
    scaler_.reset(sws_getContext(frame.width, frame.height,
                                 static_cast<AVPixelFormat>(frame.format), width_, height_,
                                 layout_.format, SWS_BICUBIC, nullptr, nullptr, nullptr));
    sourceFormat_ = frame.format;
    sourceWidth_ = frame.width;
    sourceHeight_ = frame.height;
    return scaler_ != nullptr;
  }

  const OutputLayout layout_;
  const int width_;
  const int height_;
  int stride_ = 0;
  bool bottomUp_ = false;
  av::FramePtr picture_;
  av::SwsContextPtr scaler_;
  int sourceFormat_ = AV_PIX_FMT_NONE;
  int sourceWidth_ = 0;
  int sourceHeight_ = 0;
};

AvVideoDecoder::AvVideoDecoder() : CTransformFilter(CLSID_AvVideoDecoder) {}

AvVideoDecoder::~AvVideoDecoder() = default;

bool AvVideoDecoder::CanDecode(const AM_MEDIA_TYPE* from, const AM_MEDIA_TYPE* to) {
  if (from != nullptr && !IsCompressedVideo(*from)) return false;
  return to == nullptr || IsDecodedOutput(*to);
}

HRESULT AvVideoDecoder::CheckInputType(const AM_MEDIA_TYPE* mediaType) {
  if (mediaType == nullptr) return E_POINTER;
  return IsCompressedVideo(*mediaType) ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT AvVideoDecoder::CheckTransform(const AM_MEDIA_TYPE* in, const AM_MEDIA_TYPE* out) {
  if (in == nullptr || out == nullptr) return E_POINTER;
  if (!IsCompressedVideo(*in) || !IsDecodedOutput(*out)) return VFW_E_TYPE_NOT_ACCEPTED;
  const auto from = ReadVideoFormat(*in);
  const auto to = ReadVideoFormat(*out);
  return to->width == from->width && std::abs(to->height) == std::abs(from->height)
             ? S_OK
             : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT AvVideoDecoder::GetMediaType(int position, MediaType* mediaType) {
  if (mediaType == nullptr) return E_POINTER;
  CTransformInputPin* input = InputPin();
  if (!input->IsConnected()) return E_UNEXPECTED;
  if (position < 0) return E_INVALIDARG;
  const auto format = ReadVideoFormat(input->ConnectionType().Get());
  if (!format) return E_UNEXPECTED;
  const int offered = format->width % 2 == 0 ? 3 : 2;  // YUY2 only for even widths
  if (position >= offered) return VFW_S_NO_MORE_ITEMS;
  auto type = MakeVideoMediaType(*kOutputs[position].subtype, format->width,
                                 std::abs(format->height), format->avgTimePerFrame);
  if (!type) return E_UNEXPECTED;
  *mediaType = std::move(*type);
  return S_OK;
}

HRESULT AvVideoDecoder::DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) {
  if (allocator == nullptr || request == nullptr) return E_POINTER;
  const MediaType& type = OutputPin()->ConnectionType();
  const auto format = ReadVideoFormat(type.Get());
  if (!format) return E_UNEXPECTED;
  ALLOCATOR_PROPERTIES wanted = *request;
  wanted.cBuffers = std::max(wanted.cBuffers, LONG{2});
  wanted.cbBuffer = std::max(
      wanted.cbBuffer,
      static_cast<LONG>(VideoImageSize(type->subtype, format->width, std::abs(format->height))));
  return SetAllocatorProperties(*allocator, wanted);
}

HRESULT AvVideoDecoder::BreakConnect(PIN_DIRECTION direction) {
  codec_.reset();  // the next connection may bring another codec or picture
  writer_.reset();
  return CTransformFilter::BreakConnect(direction);
}

HRESULT AvVideoDecoder::StartStreaming() {
  discontinuity_ = true;
  if (!InputPin()->IsConnected() || !OutputPin()->IsConnected() || codec_) return S_OK;
  const MediaType in = InputPin()->ConnectionType();
  const MediaType out = OutputPin()->CurrentMediaType();
  const auto format = ReadVideoFormat(out.Get());
  const auto inFormat = ReadVideoFormat(in.Get());
  const OutputLayout* layout = FindOutput(out->subtype);
  if (!format || !inFormat || layout == nullptr) return VFW_E_TYPE_NOT_ACCEPTED;
  auto writer = std::make_unique<VideoFrameWriter>(*layout, format->width, format->height);
  av::CodecContextPtr codec = dshow::OpenDecoder(in.Get());
  packet_.reset(av_packet_alloc());
  frame_.reset(av_frame_alloc());
  if (!codec || !writer->Ready() || !packet_ || !frame_) return E_FAIL;
  codec_ = std::move(codec);
  writer_ = std::move(writer);
  interval_ = inFormat->avgTimePerFrame;
  return S_OK;
}

HRESULT AvVideoDecoder::DeliverFrame(AVFrame& frame) {
  const int64_t when = frame.best_effort_timestamp;
  const bool timed = when != AV_NOPTS_VALUE;
  REFERENCE_TIME start = timed ? when : 0;
  REFERENCE_TIME stop = start + std::max<REFERENCE_TIME>(interval_, 1);
  if (timed && stop <= 0) return S_OK;  // decoded only to reach a seek's target
  ComPtr<IMediaSample> out;
  HRESULT hr = OutputPin()->GetDeliveryBuffer(out.ReleaseAndGetAddressOf(), nullptr, nullptr, 0);
  if (FAILED(hr)) return hr;
  BYTE* target = nullptr;
  if (FAILED(out->GetPointer(&target))) return E_UNEXPECTED;
  if (!writer_->Write(frame, target, static_cast<size_t>(std::max(out->GetSize(), LONG{0})))) {
    diag::Debug("dshow", "a decoded picture cannot be converted; dropped");
    return S_OK;
  }
  (void)out->SetActualDataLength(static_cast<LONG>(writer_->ImageBytes()));  // it fits
  if (timed) (void)out->SetTime(&start, &stop);  // our allocator's samples take any time
  (void)out->SetSyncPoint(TRUE);
  (void)out->SetDiscontinuity(discontinuity_ ? TRUE : FALSE);
  discontinuity_ = false;
  return OutputPin()->Deliver(out.Get());
}

HRESULT AvVideoDecoder::Receive(IMediaSample* sample) {
  if (!codec_) return VFW_E_WRONG_STATE;
  BYTE* data = nullptr;
  if (FAILED(sample->GetPointer(&data))) return E_UNEXPECTED;
  const auto size = static_cast<size_t>(std::max(sample->GetActualDataLength(), LONG{0}));
  if (size == 0) return S_OK;  // an empty chunk repeats the picture before: nothing to decode
  REFERENCE_TIME start = 0;
  REFERENCE_TIME stop = 0;
  const bool timed = SUCCEEDED(sample->GetTime(&start, &stop));
  if (timed && stop > start) interval_ = stop - start;
  HRESULT delivered = S_OK;
  (void)dshow::DecodePacket(*codec_, *packet_, *frame_, data, size, timed ? &start : nullptr,
                            [&](AVFrame& frame) {
                              if (delivered == S_OK) delivered = DeliverFrame(frame);
                            });  // a damaged packet is skipped; the next key frame recovers
  return delivered;
}

HRESULT AvVideoDecoder::EndOfStream() {
  if (codec_) {
    (void)dshow::DecodePacket(*codec_, *packet_, *frame_, nullptr, 0, nullptr,
                              [&](AVFrame& frame) { (void)DeliverFrame(frame); });
    avcodec_flush_buffers(codec_.get());  // ready for more after a seek
  }
  return CTransformFilter::EndOfStream();
}

HRESULT AvVideoDecoder::EndFlush() {
  {
    std::lock_guard receive(ReceiveLock());
    if (codec_) avcodec_flush_buffers(codec_.get());
    discontinuity_ = true;
  }
  return CTransformFilter::EndFlush();
}

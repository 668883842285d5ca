#include "devices/virtual/CompressedFrameEncoder.h"

#include <cstring>

#include "com/Diagnostics.h"
#include "devices/virtual/TestPattern.h"
#include "dshow/Uuids.h"
#include "dshow/VideoMediaType.h"

namespace devices {

CompressedFrameEncoder::CompressedFrameEncoder(LONG width, LONG height)
    : width_(width), height_(height) {}

CompressedFrameEncoder::~CompressedFrameEncoder() = default;

std::unique_ptr<CompressedFrameEncoder> CompressedFrameEncoder::Create(const GUID& subtype,
                                                                       LONG width, LONG height,
                                                                       bool sound) {
  std::unique_ptr<CompressedFrameEncoder> encoder(new CompressedFrameEncoder(width, height));
  bool opened = false;
  if (subtype == MEDIASUBTYPE_MJPG && width > 0 && height > 0) {
    opened = encoder->Open(AV_CODEC_ID_MJPEG, AV_PIX_FMT_YUVJ420P, 1, 30);
  } else if ((subtype == MEDIASUBTYPE_dvsd || subtype == MEDIASUBTYPE_dv25) && width == 720) {
    // The DV profiles: 525 lines with 4:1:1 chroma, 625 lines with 4:2:0.
    if (height == 480) opened = encoder->Open(AV_CODEC_ID_DVVIDEO, AV_PIX_FMT_YUV411P, 1001, 30000);
    if (height == 576) opened = encoder->Open(AV_CODEC_ID_DVVIDEO, AV_PIX_FMT_YUV420P, 1, 25);
    if (opened && sound)
      encoder->sound_ = DVSoundMuxer::Create(height);  // without it: silent frames
  }
  return opened ? std::move(encoder) : nullptr;
}

bool CompressedFrameEncoder::Open(int codecId, int pixelFormat, int timeBaseNum, int timeBaseDen) {
  const AVCodec* codec = avcodec_find_encoder(static_cast<AVCodecID>(codecId));
  if (codec == nullptr) return false;
  context_.reset(avcodec_alloc_context3(codec));
  frame_.reset(av_frame_alloc());
  packet_.reset(av_packet_alloc());
  if (!context_ || !frame_ || !packet_) return false;
  context_->width = width_;
  context_->height = height_;
  context_->pix_fmt = static_cast<AVPixelFormat>(pixelFormat);
  context_->time_base = AVRational{timeBaseNum, timeBaseDen};
  if (avcodec_open2(context_.get(), codec, nullptr) < 0) {
    diag::Debug("devices", "cannot open the ", codec->name, " encoder");
    return false;
  }
  frame_->format = pixelFormat;
  frame_->width = width_;
  frame_->height = height_;
  if (av_frame_get_buffer(frame_.get(), 0) < 0) return false;
  // The scaler knows full-range YUV by its range setting, not by the JPEG pixel format.
  const bool fullRange = pixelFormat == AV_PIX_FMT_YUVJ420P;
  const AVPixelFormat scaled =
      fullRange ? AV_PIX_FMT_YUV420P : static_cast<AVPixelFormat>(pixelFormat);
  scaler_.reset(sws_getContext(width_, height_, AV_PIX_FMT_BGR24, width_, height_, scaled,
                               SWS_BILINEAR, nullptr, nullptr, nullptr));
  if (scaler_ && fullRange) {
    const int* coefficients = sws_getCoefficients(SWS_CS_ITU601);
    (void)sws_setColorspaceDetails(scaler_.get(), coefficients, 1, coefficients, 1, 0, 1 << 16,
                                   1 << 16);  // best effort
  }
  rgb_ = std::make_unique<BYTE[]>(static_cast<std::size_t>(DibImageSize(width_, height_, 24)));
  return scaler_ != nullptr;
}

DWORD CompressedFrameEncoder::Encode(const PictureDescription& picture, LONGLONG frame,
                                     BYTE* buffer, DWORD capacity) {
  // Negative height: top-down rows, the order the encoder reads.
  const auto rgbType = MakeVideoMediaType(MEDIASUBTYPE_RGB24, width_, -height_);
  const DWORD rgbSize = DibImageSize(width_, height_, 24);
  if (!rgbType || PaintTestPattern(picture, rgbType->Get(), frame, rgb_.get(), rgbSize) == 0)
    return 0;
  if (av_frame_make_writable(frame_.get()) < 0) return 0;
  const uint8_t* source[1] = {rgb_.get()};
  const int stride[1] = {static_cast<int>(DibStride(width_, 24))};
  sws_scale(scaler_.get(), source, stride, 0, height_, frame_->data, frame_->linesize);
  frame_->pts = frame;
  if (avcodec_send_frame(context_.get(), frame_.get()) < 0) return 0;
  if (avcodec_receive_packet(context_.get(), packet_.get()) < 0) return 0;
  DWORD written = 0;
  if (sound_ && packet_->size > 0) {
    written = sound_->Mux(packet_->data, packet_->size, frame, buffer, capacity);
  } else if (packet_->size > 0 && static_cast<DWORD>(packet_->size) <= capacity) {
    std::memcpy(buffer, packet_->data, static_cast<std::size_t>(packet_->size));
    written = static_cast<DWORD>(packet_->size);
  }
  av_packet_unref(packet_.get());
  return written;
}

}  // namespace devices

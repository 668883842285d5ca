#include "devices/encoders/PictureConverter.h"

#include <cstdlib>
#include <memory>
#include <utility>

extern "C" {
#include <libavutil/imgutils.h>
}

#include "dshow/Uuids.h"
#include "dshow/VideoMediaType.h"
#include "gdi/BitmapInfo.h"

namespace devices {
namespace {

struct InputSubtype {
  const GUID* subtype;
  AVPixelFormat format;
  bool swapChroma;
};

// Rows aligned as libavcodec's own frames are, for the encoders' vector code.
constexpr int kAlignment = 64;

constexpr InputSubtype kInputs[] = {
    {&MEDIASUBTYPE_RGB24, AV_PIX_FMT_BGR24, false},
    {&MEDIASUBTYPE_RGB32, AV_PIX_FMT_BGR0, false},
    {&MEDIASUBTYPE_YUY2, AV_PIX_FMT_YUYV422, false},
    {&MEDIASUBTYPE_UYVY, AV_PIX_FMT_UYVY422, false},
    {&MEDIASUBTYPE_NV12, AV_PIX_FMT_NV12, false},
    {&MEDIASUBTYPE_I420, AV_PIX_FMT_YUV420P, false},
    {&MEDIASUBTYPE_IYUV, AV_PIX_FMT_YUV420P, false},
    {&MEDIASUBTYPE_YV12, AV_PIX_FMT_YUV420P, true},
};

bool IsRgb(AVPixelFormat format) {
  return format == AV_PIX_FMT_BGR24 || format == AV_PIX_FMT_BGR0;
}

// libswscale takes full-range YUV as the plain format with the range set apart.
std::pair<AVPixelFormat, bool> ScalerFormat(AVPixelFormat format) {
  switch (format) {
    case AV_PIX_FMT_YUVJ420P:
      return {AV_PIX_FMT_YUV420P, true};
    case AV_PIX_FMT_YUVJ422P:
      return {AV_PIX_FMT_YUV422P, true};
    case AV_PIX_FMT_YUVJ444P:
      return {AV_PIX_FMT_YUV444P, true};
    default:
      return {format, false};
  }
}

}  // namespace

std::optional<PictureLayout> PictureLayoutOf(const AM_MEDIA_TYPE& type) {
  if (type.majortype != MEDIATYPE_Video) return std::nullopt;
  const auto format = ReadVideoFormat(type);
  if (!format || format->width <= 0 || format->height == 0) return std::nullopt;
  for (const InputSubtype& input : kInputs) {
    if (*input.subtype != type.subtype) continue;
    PictureLayout layout;
    layout.format = input.format;
    layout.width = format->width;
    layout.height = std::abs(format->height);
    layout.bottomUp = IsRgb(input.format) && format->height > 0;
    layout.swapChroma = input.swapChroma;
    layout.imageSize = VideoImageSize(type.subtype, layout.width, layout.height);
    return layout;
  }
  return std::nullopt;
}

PictureConverter::PictureConverter(const PictureLayout& input, AVPixelFormat output)
    : input_(input), output_(output) {}

std::unique_ptr<PictureConverter> PictureConverter::Create(const PictureLayout& input,
                                                           AVPixelFormat output) {
  std::unique_ptr<PictureConverter> converter(new PictureConverter(input, output));
  const auto [target, fullRange] = ScalerFormat(output);
  converter->scaler_.reset(sws_getContext(input.width, input.height, input.format, input.width,
                                          input.height, target, SWS_BILINEAR, nullptr, nullptr,
                                          nullptr));
  converter->frame_.reset(av_frame_alloc());
  converter->bufferSize_ = av_image_get_buffer_size(output, input.width, input.height, kAlignment);
  if (converter->bufferSize_ > 0) {
    converter->pool_.reset(av_buffer_pool_init(
        static_cast<std::size_t>(converter->bufferSize_) + AV_INPUT_BUFFER_PADDING_SIZE, nullptr));
  }
  if (!converter->scaler_ || !converter->frame_ || !converter->pool_) return nullptr;
  if (fullRange) {
    const int* coefficients = sws_getCoefficients(SWS_CS_ITU601);
    // The input's own range: full for RGB, studio levels for YUV.
    const int sourceRange = IsRgb(input.format) ? 1 : 0;
    if (sws_setColorspaceDetails(converter->scaler_.get(), coefficients, sourceRange, coefficients,
                                 1, 0, 1 << 16, 1 << 16) < 0) {
      return nullptr;
    }
  }
  return converter;
}

AVFrame* PictureConverter::Convert(const BYTE* picture, std::size_t size) {
  if (picture == nullptr || size < input_.imageSize) return nullptr;
  AVFrame* frame = frame_.get();
  // A frame the encoder still holds (frame threads) is left to it; a pooled buffer takes its
  // place without copying what is about to be overwritten.
  if (frame->buf[0] != nullptr && av_frame_is_writable(frame) == 0) av_frame_unref(frame);
  if (frame->buf[0] == nullptr) {
    frame->buf[0] = av_buffer_pool_get(pool_.get());
    if (frame->buf[0] == nullptr) return nullptr;
    frame->format = output_;
    frame->width = input_.width;
    frame->height = input_.height;
    if (av_image_fill_arrays(frame->data, frame->linesize, frame->buf[0]->data, output_,
                             input_.width, input_.height, kAlignment) < 0) {
      av_frame_unref(frame);
      return nullptr;
    }
  }
  const uint8_t* planes[4] = {};
  int strides[4] = {};
  if (IsRgb(input_.format)) {
    // DIB rows end on four-byte boundaries.
    const WORD bits = input_.format == AV_PIX_FMT_BGR24 ? 24 : 32;
    const auto stride = static_cast<int>(DibStride(input_.width, bits));
    planes[0] = picture;
    strides[0] = stride;
    if (input_.bottomUp) {
      planes[0] = picture + static_cast<std::ptrdiff_t>(stride) * (input_.height - 1);
      strides[0] = -stride;
    }
  } else {
    uint8_t* filled[4] = {};
    if (av_image_fill_arrays(filled, strides, picture, input_.format, input_.width, input_.height,
                             1) < 0) {
      return nullptr;
    }
    for (int i = 0; i < 4; ++i)
      planes[i] = filled[i];
    if (input_.swapChroma) {
      std::swap(planes[1], planes[2]);
      std::swap(strides[1], strides[2]);
    }
  }
  sws_scale(scaler_.get(), planes, strides, 0, input_.height, frame->data, frame->linesize);
  return frame;
}

}  // namespace devices

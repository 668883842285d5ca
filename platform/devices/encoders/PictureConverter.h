#pragma once
// Turns the uncompressed pictures our devices deliver (RGB24, RGB32, YUY2, UYVY, NV12, I420/IYUV,
// YV12) into frames of the pixel format an encoder takes, with libswscale: bottom-up RGB rows are
// read in reverse, YV12's planes are swapped, and full-range (JPEG) formats get full-range
// levels. Each frame is a new buffer when the encoder still holds the previous one.
// One converter per stream; used by one thread at a time.

#include <optional>

#include "av/AvOwners.h"
#include "dshow/MediaType.h"

namespace devices {

// The layout of an uncompressed picture type that a compressor takes.
struct PictureLayout {
  AVPixelFormat format = AV_PIX_FMT_NONE;
  int width = 0;
  int height = 0;
  bool bottomUp = false;      // RGB with a positive height
  bool swapChroma = false;    // YV12: V before U
  std::size_t imageSize = 0;  // bytes of one picture
};

// nullopt for a type that is not one of the uncompressed subtypes above, or has no size.
std::optional<PictureLayout> PictureLayoutOf(const AM_MEDIA_TYPE& type);

class PictureConverter {
 public:
  // Null when libswscale cannot convert between the two formats.
  static std::unique_ptr<PictureConverter> Create(const PictureLayout& input, AVPixelFormat output);

  // The picture in a frame of the output format; null when the bytes are too few or no buffer
  // can be had. The frame stays the converter's: the caller refers to it (av_frame_ref) or
  // uses it before the next call.
  AVFrame* Convert(const BYTE* picture, std::size_t size);

 private:
  PictureConverter(const PictureLayout& input, AVPixelFormat output);

  const PictureLayout input_;
  const AVPixelFormat output_;
  av::SwsContextPtr scaler_;
  av::FramePtr frame_;
};

}  // namespace devices

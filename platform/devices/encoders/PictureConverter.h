#pragma once
// Turns the uncompressed pictures our devices deliver (RGB24, RGB32, YUY2, UYVY, NV12, I420/IYUV,
// YV12) into frames of the pixel format an encoder takes, with libswscale: bottom-up RGB rows are
// read in reverse, YV12's planes are swapped, and full-range (JPEG) formats get full-range
// levels. A frame the encoder still holds (frame threads) is left to it: the next one takes a
// buffer from a pool, so that full-size pictures are not allocated and faulted in anew each time.
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
  struct PoolFree {
    void operator()(AVBufferPool* pool) const { av_buffer_pool_uninit(&pool); }
  };

  av::SwsContextPtr scaler_;
  std::unique_ptr<AVBufferPool, PoolFree> pool_;  // lives on until its last buffer comes back
  int bufferSize_ = 0;
  av::FramePtr frame_;
};

}  // namespace devices

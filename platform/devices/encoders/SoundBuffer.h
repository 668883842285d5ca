#pragma once
// Collects PCM sound (8-bit unsigned or 16-bit signed, interleaved) in the sample format an
// encoder takes (libswresample, same rate and channels) and hands it out in the encoder's frame
// size: encoders with a fixed frame size get whole frames, the last one at the end of the stream
// padded with silence unless the encoder takes a shorter last frame; the others get what has
// come. Frames are numbered by samples (pts) from the first sample.
// One buffer per stream; used by one thread at a time.

#include <memory>

extern "C" {
#include <libavutil/audio_fifo.h>
}

#include "av/AvOwners.h"
#include "com/Types.h"

namespace devices {

struct SoundFormat {
  int sampleRate = 0;
  int channels = 0;
  int bitsPerSample = 0;  // 8 or 16
};

class SoundBuffer {
 public:
  // encoder: the opened context (its sample format, channels and frame size). Null when the
  // conversion cannot be set up.
  static std::unique_ptr<SoundBuffer> Create(const SoundFormat& input,
                                             const AVCodecContext& encoder);
  ~SoundBuffer();
  SoundBuffer(const SoundBuffer&) = delete;
  SoundBuffer& operator=(const SoundBuffer&) = delete;

  // Adds the bytes (whole sample frames; a partial one at the end is dropped). False on failure.
  bool Add(const BYTE* bytes, std::size_t size);

  // The next frame to encode, or null when not enough has come. atEnd: the stream ended, so
  // what is left goes out (padded when the encoder needs whole frames). The frame stays the
  // buffer's until the next call.
  AVFrame* Next(bool atEnd);

 private:
  SoundBuffer(const SoundFormat& input, const AVCodecContext& encoder);

  const SoundFormat input_;
  const AVSampleFormat format_;
  const int channels_;
  const int frameSize_;  // 0: any size
  const bool shortLast_;
  av::SwrContextPtr resampler_;
  struct FifoFree {
    void operator()(AVAudioFifo* fifo) const { av_audio_fifo_free(fifo); }
  };
  std::unique_ptr<AVAudioFifo, FifoFree> fifo_;
  av::FramePtr converted_;  // what Add converts into
  av::FramePtr frame_;      // what Next hands out
  int64_t nextPts_ = 0;
};

}  // namespace devices

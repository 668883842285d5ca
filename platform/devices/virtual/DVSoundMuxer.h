#pragma once
// Puts sound into DV frames, as a camcorder records it: each encoded DV video frame goes through
// libavformat's DV muxer together with its share of a 1 kHz tone (16-bit stereo at 48 kHz), so
// the frame's audio blocks carry real samples. Used by the streaming thread of one pin only.

#include <memory>
#include <vector>

#include "av/AvOwners.h"
#include "com/Types.h"

namespace devices {

class DVSoundMuxer {
 public:
  // For 525-line (height 480) or 625-line (height 576) frames; null when the muxer cannot open.
  static std::unique_ptr<DVSoundMuxer> Create(LONG height);
  ~DVSoundMuxer();
  DVSoundMuxer(const DVSoundMuxer&) = delete;
  DVSoundMuxer& operator=(const DVSoundMuxer&) = delete;

  // The DV frame video (one encoded frame, number frame) with its sound, written into buffer;
  // the bytes written, 0 when muxing failed or the frame does not fit.
  DWORD Mux(const BYTE* video, int size, LONGLONG frame, BYTE* buffer, DWORD capacity);

 private:
  explicit DVSoundMuxer(bool pal) : pal_(pal) {}
  bool Open();
  bool WriteSound(int samples);
  static int Collect(void* opaque, uint8_t* data, int size);

  const bool pal_;
  av::IoContextPtr io_;  // declared before the context that writes through it
  av::OutputFormatPtr context_;
  av::PacketPtr packet_;
  std::vector<BYTE> output_;  // what the muxer wrote since the last frame
  long long samplesWritten_ = 0;
  double phase_ = 0;
};

}  // namespace devices

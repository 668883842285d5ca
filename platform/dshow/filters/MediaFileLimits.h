#pragma once
// The bounds within which the media file source and the libavcodec decoders read what a file
// says about itself. A file is data from anywhere: its headers may claim pictures of any size,
// durations of any length, and its bytes may stall (a network mount) or vanish while playing.
//
// - Probing reads at most probeBytes and analyses at most analyzeMicroseconds of the file.
// - Opening (probing included) and each later read or seek end at a deadline on the platform
//   clock (com's GetTickCount64); libavformat's interrupt callback checks it between its reads.
// - Pictures wider or higher than maxDimension, or whose 32-bit picture exceeds
//   maxPictureBytes, and sound beyond maxSampleRate or maxChannels are refused before anything
//   is allocated for them; decoders refuse bigger pictures from inside the stream too.
// - Durations outside [0, kMaxMediaTime] read as unknown (0); times are clamped to
//   +-kMaxMediaTime, so that sums and differences of two never overflow.
//
// The defaults suit playing; SetMediaFileLimits narrows them (the fuzz target does, to keep
// each input fast). Any thread: the limits are copied under a lock.

#include <cstdint>

#include "com/Types.h"
#include "dshow/DShowTypes.h"

extern "C" {
#include <libavutil/rational.h>
}

namespace dshow {

// A hundred years in REFERENCE_TIME: longer than any file, far below overflow.
inline constexpr REFERENCE_TIME kMaxMediaTime = 10'000'000LL * 3600 * 24 * 365 * 100;

struct MediaFileLimits {
  int64_t probeBytes = 8 << 20;
  int64_t analyzeMicroseconds = 5'000'000;
  ULONGLONG openMilliseconds = 15'000;
  ULONGLONG readMilliseconds = 5'000;
  int maxDimension = 16384;
  int64_t maxPictureBytes = 256LL << 20;
  int maxSampleRate = 768'000;
  int maxChannels = 64;
  // Room for one compressed sound packet (the source's buffers hold two seconds of sound).
  int64_t maxSoundBufferBytes = 16LL << 20;
};

MediaFileLimits CurrentMediaFileLimits();
void SetMediaFileLimits(const MediaFileLimits& limits);

// Whether a picture of that size may be decoded (height may be negative: top-down).
bool SanePicture(int64_t width, int64_t height);
bool SaneSound(int64_t sampleRate, int64_t channels);

// value in base as REFERENCE_TIME, clamped to +-kMaxMediaTime (libavutil answers INT64_MIN
// when the result overflows).
REFERENCE_TIME ClampedTime(int64_t value, AVRational base);
// A duration: 0 (unknown) when negative, overflowing or beyond kMaxMediaTime.
REFERENCE_TIME SaneDuration(int64_t value, AVRational base);

}  // namespace dshow

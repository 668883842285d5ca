#pragma once
// Plays PCM at another rate by resampling it with libswresample: the sound is taken as if
// recorded at rate times its sample rate and converted back to its sample rate, so that 2.0
// gives half as many frames (twice as fast, an octave higher) and 0.5 twice as many. Rates
// outside kSlowest..kFastest, and 24-bit samples, which libswresample does not take packed,
// cannot be followed: the audio renderer mutes those.
//
// Threads: one thread at a time (the audio renderer's streaming thread).

#include <vector>

#include "av/AvOwners.h"
#include "dshow/Formats.h"

class PcmRateConverter {
 public:
  static constexpr double kSlowest = 0.5;
  static constexpr double kFastest = 2.0;

  // Whether sound of the format can be played at the rate (1.0 always can).
  static bool CanFollow(const WAVEFORMATEX& format, double rate);

  // Prepares for the format and rate; false when it cannot follow them. At 1.0 nothing is made
  // and Convert is not needed.
  bool Reset(const WAVEFORMATEX& format, double rate);
  double Rate() const { return rate_; }

  // The bytes converted to the rate (whole frames; the resampler keeps a few frames back).
  const std::vector<BYTE>& Convert(const BYTE* data, size_t bytes);

 private:
  av::SwrContextPtr resampler_;
  std::vector<BYTE> out_;
  size_t frameBytes_ = 0;
  double rate_ = 1.0;
};

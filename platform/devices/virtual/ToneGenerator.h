#pragma once
// The sine tone of virtual microphones, written as PCM. One generator per stream; used by the
// streaming thread only.

#include "devices/virtual/DeviceDescription.h"
#include "dshow/Formats.h"

namespace devices {

class ToneGenerator {
 public:
  ToneGenerator(const ToneDescription& tone, const WAVEFORMATEX& format);

  // Fills bytes (whole sample frames) with the tone, going on from where the last call ended.
  // 8-bit PCM is unsigned, 16-bit signed; every channel carries the same tone.
  void Fill(BYTE* buffer, DWORD bytes);

 private:
  const ToneDescription tone_;
  const WAVEFORMATEX format_;
  double phase_ = 0;  // radians
};

}  // namespace devices

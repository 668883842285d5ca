#include "devices/virtual/ToneGenerator.h"

#include <cmath>
#include <cstring>
#include <numbers>

namespace devices {

ToneGenerator::ToneGenerator(const ToneDescription& tone, const WAVEFORMATEX& format)
    : tone_(tone), format_(format) {}

void ToneGenerator::Fill(BYTE* buffer, DWORD bytes) {
  const DWORD frameBytes = format_.nBlockAlign;
  if (buffer == nullptr || frameBytes == 0 || format_.nSamplesPerSec == 0) return;
  const double step = 2 * std::numbers::pi * tone_.frequency / format_.nSamplesPerSec;
  for (DWORD at = 0; at + frameBytes <= bytes; at += frameBytes) {
    const double value = tone_.amplitude * std::sin(phase_);
    phase_ = std::fmod(phase_ + step, 2 * std::numbers::pi);
    for (WORD channel = 0; channel < format_.nChannels; ++channel) {
      if (format_.wBitsPerSample == 8) {
        buffer[at + channel] = static_cast<BYTE>(std::lround(128 + 127 * value));
      } else {
        const auto sample = static_cast<std::int16_t>(std::lround(32767 * value));
        std::memcpy(buffer + at + channel * 2u, &sample, sizeof sample);
      }
    }
  }
}

}  // namespace devices

#pragma once
// The PCM formats an ALSA capture device takes, asked with the hw_params tests: every
// combination of the common rates, 8 and 16 bits and one or two channels that the device accepts,
// most useful first (16-bit before 8-bit, stereo before mono, higher rates first).
//
// Application thread (probing); the results are plain values.

#include <optional>
#include <vector>

#include "devices/alsa/AlsaApi.h"
#include "dshow/AudioMediaType.h"

namespace devices {

struct PcmFormat {
  DWORD samplesPerSec = 48000;
  WORD bitsPerSample = 16;
  WORD channels = 2;

  friend bool operator==(const PcmFormat&, const PcmFormat&) = default;
};

// The formats the device accepts, best first; empty when it takes none of them.
std::vector<PcmFormat> ProbePcmFormats(AlsaCapture& capture);

// The sample format of a bit depth: 8 bits are unsigned, 16 signed little-endian.
PcmSampleFormat SampleFormatOf(WORD bitsPerSample);

// The PCM format of a media type; nothing for types that are not 8- or 16-bit PCM.
std::optional<PcmFormat> PcmFormatOf(const AM_MEDIA_TYPE& mediaType);

}  // namespace devices

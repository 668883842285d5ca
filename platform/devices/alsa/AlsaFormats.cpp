#include "devices/alsa/AlsaFormats.h"

#include "dshow/Uuids.h"

namespace devices {
namespace {

constexpr DWORD kRates[] = {48000, 44100, 32000, 22050, 16000, 11025, 8000};
constexpr WORD kBits[] = {16, 8};
constexpr WORD kChannels[] = {2, 1};

}  // namespace

PcmSampleFormat SampleFormatOf(WORD bitsPerSample) {
  return bitsPerSample == 8 ? PcmSampleFormat::kU8 : PcmSampleFormat::kS16LE;
}

std::vector<PcmFormat> ProbePcmFormats(AlsaCapture& capture) {
  std::vector<PcmFormat> formats;
  for (const WORD bits : kBits) {
    for (const WORD channels : kChannels) {
      for (const DWORD rate : kRates) {
        if (capture.Accepts(SampleFormatOf(bits), channels, rate))
          formats.push_back({rate, bits, channels});
      }
    }
  }
  return formats;
}

std::optional<PcmFormat> PcmFormatOf(const AM_MEDIA_TYPE& mediaType) {
  if (mediaType.majortype != MEDIATYPE_Audio || mediaType.subtype != MEDIASUBTYPE_PCM)
    return std::nullopt;
  const WAVEFORMATEX* format = WaveFormatOf(mediaType);
  if (format == nullptr || format->wFormatTag != WAVE_FORMAT_PCM) return std::nullopt;
  if (format->wBitsPerSample != 8 && format->wBitsPerSample != 16) return std::nullopt;
  if (format->nChannels == 0 || format->nSamplesPerSec == 0 ||
      format->nBlockAlign != format->nChannels * format->wBitsPerSample / 8) {
    return std::nullopt;
  }
  return PcmFormat{format->nSamplesPerSec, format->wBitsPerSample, format->nChannels};
}

}  // namespace devices

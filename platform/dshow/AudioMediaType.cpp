#include "dshow/AudioMediaType.h"

#include <new>
#include <utility>

#include "dshow/Uuids.h"

MediaType MakePcmMediaType(DWORD samplesPerSec, WORD bitsPerSample, WORD channels) {
  MediaType mediaType(MEDIATYPE_Audio, MEDIASUBTYPE_PCM, FORMAT_WaveFormatEx);
  mediaType->bFixedSizeSamples = TRUE;
  if (BYTE* bytes = mediaType.AllocFormat(sizeof(WAVEFORMATEX))) {
    auto* format = new (bytes) WAVEFORMATEX{};
    format->wFormatTag = WAVE_FORMAT_PCM;
    SetPcmFormat(*format, samplesPerSec, bitsPerSample, channels);
    mediaType->lSampleSize = format->nBlockAlign;
  }
  return mediaType;
}

void SetPcmFormat(WAVEFORMATEX& format, DWORD samplesPerSec, WORD bitsPerSample, WORD channels) {
  format.nSamplesPerSec = samplesPerSec;
  format.wBitsPerSample = bitsPerSample;
  format.nChannels = channels;
  format.nBlockAlign = static_cast<WORD>(channels * bitsPerSample / 8);
  format.nAvgBytesPerSec = format.nBlockAlign * samplesPerSec;
}

const WAVEFORMATEX* WaveFormatOf(const AM_MEDIA_TYPE& mediaType) {
  if (mediaType.formattype != FORMAT_WaveFormatEx || mediaType.pbFormat == nullptr ||
      mediaType.cbFormat < sizeof(WAVEFORMATEX)) {
    return nullptr;
  }
  return reinterpret_cast<const WAVEFORMATEX*>(mediaType.pbFormat);
}

WAVEFORMATEX* WaveFormatOf(AM_MEDIA_TYPE& mediaType) {
  return const_cast<WAVEFORMATEX*>(WaveFormatOf(std::as_const(mediaType)));
}

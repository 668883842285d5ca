#pragma once
// A renderer of decoded media that renders every sample at once, whatever its time: it takes
// decoded pictures (RGB24, RGB32, YUY2) and 16-bit PCM, so that the graph's intelligent connect
// puts the decoders in front of it, ignores the graph's reference clock and counts what it got.
// For measuring and exercising playback without pacing (the benchmark and the fuzz target).
//
// Threads: the counters may be read from any thread.

#include <atomic>

#include "dshow/AudioMediaType.h"
#include "dshow/Uuids.h"
#include "dshow/base/BaseRenderer.h"

class UnpacedSink final : public CBaseRenderer {
 public:
  UnpacedSink() : CBaseRenderer(CLSID_NullRenderer) {}

  HRESULT CheckMediaType(const AM_MEDIA_TYPE* mediaType) override {
    if (mediaType == nullptr) return E_POINTER;
    const GUID& subtype = mediaType->subtype;
    if (mediaType->majortype == MEDIATYPE_Video &&
        (subtype == MEDIASUBTYPE_RGB24 || subtype == MEDIASUBTYPE_RGB32 ||
         subtype == MEDIASUBTYPE_YUY2)) {
      return S_OK;
    }
    const WAVEFORMATEX* wave = WaveFormatOf(*mediaType);
    return mediaType->majortype == MEDIATYPE_Audio && wave != nullptr &&
                   wave->wFormatTag == WAVE_FORMAT_PCM && wave->wBitsPerSample == 16
               ? S_OK
               : VFW_E_TYPE_NOT_ACCEPTED;
  }

  // Without a clock a renderer renders each sample as it arrives.
  HRESULT SetSyncSource(IReferenceClock* /*clock*/) override {
    return CBaseRenderer::SetSyncSource(nullptr);
  }

  HRESULT DoRenderSample(IMediaSample* sample) override {
    samples_.fetch_add(1, std::memory_order_relaxed);
    bytes_.fetch_add(sample->GetActualDataLength(), std::memory_order_relaxed);
    return S_OK;
  }

  int Samples() const { return samples_.load(std::memory_order_relaxed); }
  int64_t Bytes() const { return bytes_.load(std::memory_order_relaxed); }

 private:
  std::atomic<int> samples_{0};
  std::atomic<int64_t> bytes_{0};
};

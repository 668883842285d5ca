#pragma once
// The audio renderer: plays PCM audio on the ALSA device "default" (or the one the variable
// RUDOZAV_AUDIO_DEVICE names; "none" for none). When no device opens, or the device fails while
// playing, it goes on as a silent sink that keeps time: it takes each sample no faster than it
// would have played, so that the stream runs at its real pace either way. Created under the
// class ids of the audio renderer and of the DirectSound renderer.
//
// Threads: the device is opened and closed on the application's thread (Pause from Stopped,
// Stop) and written on the upstream's streaming thread; the renderer base class keeps the two
// apart (Stop waits for the Receive in progress), and a lock guards the device besides.

#include <memory>
#include <mutex>

#include "dshow/base/BaseRenderer.h"
#include "devices/alsa/AlsaApi.h"
#include "dshow/filters/PcmPlayback.h"

class AudioRenderer final : public CBaseRenderer {
 public:
  // The device comes from the process's ALSA (DefaultAlsaApi) unless one is given.
  explicit AudioRenderer(const CLSID& clsid, std::shared_ptr<AlsaApi> alsa = nullptr);

  // Whether it plays audio of that type; a null type is not known and fits.
  static bool CanPlay(const AM_MEDIA_TYPE* mediaType);

  HRESULT CheckMediaType(const AM_MEDIA_TYPE* mediaType) override;
  HRESULT DoRenderSample(IMediaSample* sample) override;
  HRESULT OnStartStreaming() override;
  HRESULT OnStopStreaming() override;

  // Whether samples go to a sound device now (false: the silent sink). Any thread.
  bool PlayingToDevice() const;
  // Bytes taken by the silent sink since the filter was made. Any thread.
  long long SilentBytes() const;

 private:
  ~AudioRenderer() override;
  // Waits until the silence queued so far is within the device latency. Streaming thread.
  void KeepTime(LONG bytes, DWORD bytesPerSecond);

  mutable std::mutex lock_;
  PcmPlayback playback_;       // under lock_
  WAVEFORMATEX format_;        // under lock_: the format streaming started with
  ULONGLONG silentUntil_ = 0;  // streaming thread: clock ms when queued silence ends
  long long silentBytes_ = 0;  // under lock_
};

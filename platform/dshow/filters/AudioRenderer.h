#pragma once
// The audio renderer: plays PCM audio on the ALSA device "default" (or the one the variable
// RUDOZAV_AUDIO_DEVICE names; "none" for none). When no device opens, or the device fails while
// playing, it goes on as a silent sink that keeps time: it takes each sample no faster than it
// would have played, so that the stream runs at its real pace either way. Created under the
// class ids of the audio renderer and of the DirectSound renderer.
//
// It offers IReferenceClock (AudioClock.h), so a graph that plays sound takes it as its clock:
// the clock follows the sound card's pace while samples go to a device, and the platform clock
// otherwise. While a device plays, samples are written as they come (the device's writes wait for
// room) rather than at their time, so the device's buffer stays full and the clock that follows
// it never waits for itself.
//
// At a segment rate other than 1 the sound is resampled to the rate (PcmRateConverter.h); at a
// rate it cannot follow it is muted and taken at its time like the silent sink's, so that sound at
// the wrong pace never holds the picture back.
//
// Threads: the device is opened and closed on the application's thread (Pause from Stopped,
// Stop) and written on the upstream's streaming thread; the renderer base class keeps the two
// apart (Stop waits for the Receive in progress), and a lock guards the device besides. The
// clock is read from any thread and has a lock of its own, never held with this one.

#include <memory>
#include <mutex>

#include "devices/alsa/AlsaApi.h"
#include "dshow/base/BaseRenderer.h"
#include "dshow/filters/AudioClock.h"
#include "dshow/filters/PcmPlayback.h"
#include "dshow/filters/PcmRateConverter.h"

class AudioRenderer final : public CBaseRenderer, public IReferenceClock {
 public:
  // The device comes from the process's ALSA (DefaultAlsaApi) unless one is given.
  explicit AudioRenderer(const CLSID& clsid, std::shared_ptr<AlsaApi> alsa = nullptr);

  HRESULT QueryInterface(REFIID riid, void** object) override {
    return CBaseRenderer::QueryInterface(riid, object);
  }
  ULONG AddRef() override { return CBaseRenderer::AddRef(); }
  ULONG Release() override { return CBaseRenderer::Release(); }

  // IReferenceClock. Any thread.
  HRESULT GetTime(REFERENCE_TIME* time) override;

  // Whether it plays audio of that type; a null type is not known and fits.
  static bool CanPlay(const AM_MEDIA_TYPE* mediaType);

  HRESULT CheckMediaType(const AM_MEDIA_TYPE* mediaType) override;
  HRESULT DoRenderSample(IMediaSample* sample) override;
  HRESULT OnStartStreaming() override;
  HRESULT OnStopStreaming() override;
  bool PacedByDevice() override;
  HRESULT Pause() override;

  // Whether samples go to a sound device now (false: the silent sink). Any thread.
  bool PlayingToDevice() const;
  // Bytes taken by the silent sink, muted ones included, since the filter was made. Any thread.
  long long SilentBytes() const;

 protected:
  HRESULT QueryFilterInterface(REFIID riid, void** object) override;

 private:
  ~AudioRenderer() override;
  // Whether the sound plays at the segment's rate: the converter follows it. Under lock_.
  bool FollowsRateLocked();
  // Writes the sample to the device and tells the clock where the device is; false when the
  // device failed. Streaming thread, under lock_.
  bool PlayLocked(const BYTE* data, LONG length, IMediaSample* sample);
  // Waits until the silence queued so far is within the device latency. Streaming thread.
  void KeepTime(LONG bytes, DWORD bytesPerSecond, double rate);

  AudioClock clock_;
  mutable std::mutex lock_;
  PcmPlayback playback_;        // under lock_
  PcmRateConverter rate_;       // under lock_
  WAVEFORMATEX format_;         // under lock_: the format streaming started with
  REFERENCE_TIME written_ = 0;  // under lock_: stream time where the sound written ends
  ULONGLONG silentUntil_ = 0;   // streaming thread: clock ms when queued silence ends
  long long silentBytes_ = 0;   // under lock_
};

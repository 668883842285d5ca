#pragma once
// Plays PCM audio on an ALSA device: opens it for a WAVEFORMATEX, writes whole frames, recovers
// from underruns and suspends, and gives up (closing the device) on any other error.
//
// Threads: one thread at a time (the audio renderer serialises its streaming thread and its state
// changes).

#include <memory>
#include <string>

#include "com/Types.h"
#include "devices/alsa/AlsaApi.h"
#include "dshow/Formats.h"

class PcmPlayback {
 public:
  explicit PcmPlayback(std::shared_ptr<AlsaApi> api) : api_(std::move(api)) {}

  // Whether the format is integer PCM of 8, 16, 24 or 32 bits, or 32-bit float.
  static bool IsPlayable(const WAVEFORMATEX& format);

  // Opens the device for the format. False when it cannot be opened or refuses the format; the
  // playback then stays closed.
  bool Open(const std::string& device, const WAVEFORMATEX& format);
  bool IsOpen() const { return pcm_ != nullptr; }
  void Close() { pcm_.reset(); }

  // Queues the bytes (a trailing partial frame is ignored), waiting while the device is full.
  // False after an error that cannot be recovered; the device is then closed.
  bool Write(const BYTE* data, size_t bytes);
  // Discards what is queued (stop, flush) and makes the device ready for more.
  void Discard();
  // Waits until what is queued has played (end of stream).
  void Drain();
  // The frames written and not yet heard; false when the device cannot tell (an underrun, a
  // back-end without the query, no device).
  bool Delay(long* frames);

 private:
  std::shared_ptr<AlsaApi> api_;
  std::unique_ptr<AlsaPcm> pcm_;
  size_t frameBytes_ = 0;
};

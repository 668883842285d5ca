#pragma once
// The ALSA playback calls the audio renderer makes, behind a narrow interface so that the
// renderer runs against an in-memory device in tests (FakeAlsa.h) and against libasound otherwise.
// Results are those of libasound: 0 or a count on success, a negative errno on failure.
//
// Threads: one AlsaPcm is used by one thread at a time; the process-wide default may be read and
// replaced from any thread.

#include <memory>
#include <string>

enum class PcmSampleFormat { kU8, kS16LE, kS24LE3, kS32LE, kFloatLE };

// One opened playback device; destroying it closes the device.
class AlsaPcm {
 public:
  virtual ~AlsaPcm() = default;
  // Interleaved access with resampling allowed; latencyUs is the wanted buffer time.
  virtual int SetParams(PcmSampleFormat format, unsigned channels, unsigned rate,
                        unsigned latencyUs) = 0;
  // Blocks until the frames are queued; returns frames written or a negative errno.
  virtual long WriteInterleaved(const void* data, unsigned long frames) = 0;
  // Restores the device after an underrun or a suspend (-EPIPE, -ESTRPIPE); silent.
  virtual int Recover(int error) = 0;
  // Stops at once and discards what is queued; Prepare makes the device ready again.
  virtual int Drop() = 0;
  virtual int Prepare() = 0;
  // Waits until what is queued has played.
  virtual int Drain() = 0;
};

class AlsaApi {
 public:
  virtual ~AlsaApi() = default;
  // Opens a playback device in blocking mode. Null, with the error in *error, when it cannot.
  virtual std::unique_ptr<AlsaPcm> OpenPlayback(const std::string& device, int* error) = 0;
};

// The process's ALSA: libasound unless replaced. Replacing with null restores libasound.
std::shared_ptr<AlsaApi> DefaultAlsaApi();
void SetDefaultAlsaApi(std::shared_ptr<AlsaApi> api);
// The libasound back-end itself.
std::shared_ptr<AlsaApi> SystemAlsaApi();

#include "dshow/filters/PcmPlayback.h"

#include <cerrno>
#include <optional>

#include "com/Diagnostics.h"

namespace {

constexpr unsigned kLatencyUs = 100'000;  // enough to ride out a busy streaming thread
// Consecutive failed writes that recovery may absorb before the device is given up.
constexpr int kMaxRecoveries = 8;

std::optional<PcmSampleFormat> SampleFormatOf(const WAVEFORMATEX& format) {
  if (format.wFormatTag == WAVE_FORMAT_IEEE_FLOAT) {
    if (format.wBitsPerSample == 32) return PcmSampleFormat::kFloatLE;
    return std::nullopt;
  }
  if (format.wFormatTag != WAVE_FORMAT_PCM) return std::nullopt;
  switch (format.wBitsPerSample) {
    case 8:
      return PcmSampleFormat::kU8;
    case 16:
      return PcmSampleFormat::kS16LE;
    case 24:
      return PcmSampleFormat::kS24LE3;
    case 32:
      return PcmSampleFormat::kS32LE;
    default:
      return std::nullopt;
  }
}

}  // namespace

bool PcmPlayback::IsPlayable(const WAVEFORMATEX& format) {
  return SampleFormatOf(format).has_value() && format.nChannels > 0 && format.nSamplesPerSec > 0 &&
         format.nBlockAlign == format.nChannels * format.wBitsPerSample / 8;
}

bool PcmPlayback::Open(const std::string& device, const WAVEFORMATEX& format) {
  Close();
  if (!IsPlayable(format) || api_ == nullptr) return false;
  int error = 0;
  auto pcm = api_->OpenPlayback(device, &error);
  if (pcm == nullptr) {
    diag::Debug("dshow", "audio device ", device, " cannot be opened (", error, ")");
    return false;
  }
  error =
      pcm->SetParams(*SampleFormatOf(format), format.nChannels, format.nSamplesPerSec, kLatencyUs);
  if (error < 0) {
    diag::Debug("dshow", "audio device ", device, " refuses the format (", error, ")");
    return false;
  }
  pcm_ = std::move(pcm);
  frameBytes_ = format.nBlockAlign;
  return true;
}

bool PcmPlayback::Write(const BYTE* data, size_t bytes) {
  if (pcm_ == nullptr || data == nullptr) return false;
  unsigned long frames = bytes / frameBytes_;
  int failures = 0;
  while (frames > 0) {
    const long written = pcm_->WriteInterleaved(data, frames);
    if (written >= 0) {
      failures = 0;
      data += static_cast<size_t>(written) * frameBytes_;
      frames -= static_cast<unsigned long>(written);
      continue;
    }
    if (written == -EAGAIN) continue;
    if (++failures > kMaxRecoveries || pcm_->Recover(static_cast<int>(written)) < 0) {
      diag::Warn("dshow", "audio playback failed; the renderer goes on silent");
      Close();
      return false;
    }
  }
  return true;
}

void PcmPlayback::Discard() {
  if (pcm_ == nullptr) return;
  // A device that cannot be made ready again fails at the next write, which closes it.
  (void)pcm_->Drop();
  (void)pcm_->Prepare();
}

void PcmPlayback::Drain() {
  if (pcm_ != nullptr) (void)pcm_->Drain();  // what did not play is lost either way
}

bool PcmPlayback::Delay(long* frames) {
  return pcm_ != nullptr && pcm_->Delay(frames) == 0 && *frames >= 0;
}

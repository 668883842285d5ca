#include "dshow/filters/AudioRenderer.h"

#include <cstdlib>
#include <string>

#include "clock/Clock.h"
#include "com/Diagnostics.h"
#include "dshow/AudioMediaType.h"
#include "dshow/Uuids.h"

namespace {

// As much silence as a device would buffer: the sink runs this far ahead of the clock.
constexpr ULONGLONG kSilentLeadMs = 100;

std::string DeviceName() {
  const char* name = std::getenv("RUDOZAV_AUDIO_DEVICE");
  return name != nullptr && *name != '\0' ? name : "default";
}

}  // namespace

AudioRenderer::AudioRenderer(const CLSID& clsid, std::shared_ptr<AlsaApi> alsa)
    : CBaseRenderer(clsid, "Input"), playback_(alsa ? std::move(alsa) : DefaultAlsaApi()) {}

AudioRenderer::~AudioRenderer() = default;

bool AudioRenderer::CanPlay(const AM_MEDIA_TYPE* mediaType) {
  if (mediaType == nullptr) return true;
  if (mediaType->majortype != MEDIATYPE_Audio) return false;
  const WAVEFORMATEX* format = WaveFormatOf(*mediaType);
  return format != nullptr && PcmPlayback::IsPlayable(*format);
}

HRESULT AudioRenderer::CheckMediaType(const AM_MEDIA_TYPE* mediaType) {
  if (mediaType == nullptr) return E_POINTER;
  return CanPlay(mediaType) ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT AudioRenderer::OnStartStreaming() {
  const WAVEFORMATEX* format = WaveFormatOf(InputPin()->ConnectionType().Get());
  std::lock_guard lock(lock_);
  silentUntil_ = 0;
  if (format == nullptr) return S_OK;  // unconnected: nothing will play
  format_ = *format;
  const std::string device = DeviceName();
  if (device == "none" || !playback_.Open(device, format_)) {
    diag::Debug("dshow", "audio renderer: no sound device, playing silently");
  }
  return S_OK;
}

HRESULT AudioRenderer::OnStopStreaming() {
  std::lock_guard lock(lock_);
  playback_.Discard();
  playback_.Close();
  return S_OK;
}

HRESULT AudioRenderer::DoRenderSample(IMediaSample* sample) {
  BYTE* data = nullptr;
  if (FAILED(sample->GetPointer(&data))) return S_OK;
  const LONG length = sample->GetActualDataLength();
  DWORD bytesPerSecond = 0;
  {
    std::lock_guard lock(lock_);
    if (playback_.IsOpen() && playback_.Write(data, static_cast<size_t>(length))) return S_OK;
    // No device, or it just failed: the sample plays as silence.
    silentBytes_ += length;
    bytesPerSecond = format_.nAvgBytesPerSec;
  }
  KeepTime(length, bytesPerSecond);
  return S_OK;
}

void AudioRenderer::KeepTime(LONG bytes, DWORD bytesPerSecond) {
  if (bytesPerSecond == 0 || bytes <= 0) return;
  const ULONGLONG now = GetTickCount64();
  if (silentUntil_ < now) silentUntil_ = now;
  silentUntil_ += static_cast<ULONGLONG>(bytes) * 1000 / bytesPerSecond;
  // Like a full device buffer: wait until what is queued fits the lead again, or the state
  // changes (Stop waits for this Receive).
  while (silentUntil_ > GetTickCount64() + kSilentLeadMs && State() == State_Running) {
    Sleep(1);
  }
}

bool AudioRenderer::PlayingToDevice() const {
  std::lock_guard lock(lock_);
  return playback_.IsOpen();
}

long long AudioRenderer::SilentBytes() const {
  std::lock_guard lock(lock_);
  return silentBytes_;
}

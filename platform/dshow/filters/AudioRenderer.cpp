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

HRESULT AudioRenderer::QueryFilterInterface(REFIID riid, void** object) {
  if (riid != IID_IReferenceClock) return CBaseRenderer::QueryFilterInterface(riid, object);
  *object = static_cast<IReferenceClock*>(this);
  AddRef();
  return S_OK;
}

HRESULT AudioRenderer::GetTime(REFERENCE_TIME* time) {
  if (time == nullptr) return E_POINTER;
  *time = clock_.Now();
  return S_OK;
}

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
  written_ = 0;
  if (format == nullptr) return S_OK;  // unconnected: nothing will play
  format_ = *format;
  (void)rate_.Reset(format_, 1.0);  // 1.0 needs nothing
  const std::string device = DeviceName();
  if (device == "none" || !playback_.Open(device, format_)) {
    diag::Debug("dshow", "audio renderer: no sound device, playing silently");
  }
  return S_OK;
}

HRESULT AudioRenderer::OnStopStreaming() {
  clock_.Release();
  std::lock_guard lock(lock_);
  playback_.Discard();
  playback_.Close();
  return S_OK;
}

HRESULT AudioRenderer::Pause() {
  // The device plays out what it holds and then starves: nothing to follow until samples flow.
  clock_.Release();
  return CBaseRenderer::Pause();
}

bool AudioRenderer::FollowsRateLocked() {
  const double rate = InputPin()->SegmentRate();  // set by NewSegment on this streaming thread
  if (rate != rate_.Rate() && !rate_.Reset(format_, rate)) {
    diag::Debug("dshow", "audio renderer: sound muted at rate ", rate);
  }
  return PcmRateConverter::CanFollow(format_, rate_.Rate());
}

bool AudioRenderer::PacedByDevice() {
  std::lock_guard lock(lock_);
  return playback_.IsOpen() && FollowsRateLocked();
}

bool AudioRenderer::PlayLocked(const BYTE* data, LONG length, IMediaSample* sample) {
  REFERENCE_TIME start = 0;
  REFERENCE_TIME stop = 0;
  if (SUCCEEDED(sample->GetTime(&start, &stop))) written_ = start;
  // The first sample after a seek: what the device still holds is of the old position.
  if (sample->IsDiscontinuity() == S_OK) playback_.Discard();
  const BYTE* bytes = data;
  size_t size = static_cast<size_t>(length);
  if (rate_.Rate() != 1.0) {
    const std::vector<BYTE>& converted = rate_.Convert(data, size);
    bytes = converted.data();
    size = converted.size();
  }
  if (size > 0 && !playback_.Write(bytes, size)) return false;
  written_ += static_cast<REFERENCE_TIME>(size / format_.nBlockAlign) * kUnitsPerSecond /
              format_.nSamplesPerSec;
  long delay = 0;
  if (playback_.Delay(&delay)) {
    clock_.Follow(StartTime() + written_ - delay * kUnitsPerSecond / format_.nSamplesPerSec);
  } else {
    clock_.Release();  // an underrun, or a device that cannot tell: the platform clock leads
  }
  return true;
}

HRESULT AudioRenderer::DoRenderSample(IMediaSample* sample) {
  BYTE* data = nullptr;
  if (FAILED(sample->GetPointer(&data))) return S_OK;
  const LONG length = sample->GetActualDataLength();
  DWORD bytesPerSecond = 0;
  double rate = 1.0;
  {
    std::lock_guard lock(lock_);
    const bool follows = FollowsRateLocked();
    if (playback_.IsOpen() && follows && PlayLocked(data, length, sample)) return S_OK;
    // No device, a rate it cannot follow, or the device just failed: the sample plays as silence.
    clock_.Release();
    silentBytes_ += length;
    bytesPerSecond = format_.nAvgBytesPerSec;
    rate = InputPin()->SegmentRate();
  }
  KeepTime(length, bytesPerSecond, rate);
  return S_OK;
}

void AudioRenderer::KeepTime(LONG bytes, DWORD bytesPerSecond, double rate) {
  if (bytesPerSecond == 0 || bytes <= 0 || !(rate > 0.0)) return;
  const ULONGLONG now = GetTickCount64();
  if (silentUntil_ < now) silentUntil_ = now;
  // At a rate the sound lasts 1/rate of its length, as the picture beside it does.
  silentUntil_ += static_cast<ULONGLONG>(static_cast<double>(bytes) * 1000 / bytesPerSecond / rate);
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

#include "devices/alsa/AlsaAudioPin.h"

#include <time.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "com/Diagnostics.h"
#include "devices/capture/CaptureFilter.h"
#include "devices/capture/DeviceResults.h"
#include "dshow/Uuids.h"
#include "dshow/base/MemAllocator.h"

namespace devices {
namespace {

constexpr int kWaitMs = 100;      // how long a wait for a period may keep a stop waiting
constexpr unsigned kPeriods = 8;  // USB sound delivers in batches: room for late reads
// Measured start times within this of the running sound time keep the samples contiguous.
constexpr REFERENCE_TIME kJitter = kUnitsPerSecond / 50;

std::int64_t MonotonicNowNs() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<std::int64_t>(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
}

unsigned PeriodFrames(const PcmFormat& format) {
  return static_cast<unsigned>(format.samplesPerSec * AlsaAudioPin::kPeriod / kUnitsPerSecond);
}

DWORD BlockAlign(const PcmFormat& format) {
  return format.channels * format.bitsPerSample / 8u;
}

}  // namespace

AlsaAudioPin::AlsaAudioPin(CaptureFilter* filter, std::shared_ptr<AlsaApi> api, std::string pcm,
                           std::vector<PcmFormat> formats)
    : StreamConfigPin(filter, "Capture"),
      filter_(filter),
      api_(std::move(api)),
      pcm_(std::move(pcm)),
      formats_(std::move(formats)) {
  SetCategory(PIN_CATEGORY_CAPTURE);
}

HRESULT AlsaAudioPin::QueryPinInterface(REFIID riid, void** object) {
  if (riid != IID_IAMDroppedFrames) return StreamConfigPin::QueryPinInterface(riid, object);
  *object = static_cast<IAMDroppedFrames*>(this);
  AddRef();
  return S_OK;
}

HRESULT AlsaAudioPin::GetNumDropped(LONG* dropped) {
  if (dropped == nullptr) return E_POINTER;
  *dropped = overruns_.load();
  return S_OK;
}

HRESULT AlsaAudioPin::GetNumNotDropped(LONG* notDropped) {
  if (notDropped == nullptr) return E_POINTER;
  *notDropped = delivered_.load();
  return S_OK;
}

HRESULT AlsaAudioPin::GetDroppedInfo(LONG /*size*/, LONG* frames, LONG* copied) {
  if (frames == nullptr || copied == nullptr) return E_POINTER;
  *copied = 0;
  return E_NOTIMPL;
}

HRESULT AlsaAudioPin::GetAverageFrameSize(LONG* averageSize) {
  if (averageSize == nullptr) return E_POINTER;
  *averageSize = static_cast<LONG>(PeriodFrames(format_) * BlockAlign(format_));
  return S_OK;
}

MediaType AlsaAudioPin::CapabilityType(int index) const {
  if (index < 0 || index >= CapabilityCount()) return MediaType();
  const PcmFormat& format = formats_[static_cast<std::size_t>(index)];
  return MakePcmMediaType(format.samplesPerSec, format.bitsPerSample, format.channels);
}

void AlsaAudioPin::WriteCaps(int index, BYTE* caps) const {
  const PcmFormat& format = formats_[static_cast<std::size_t>(index)];
  AUDIO_STREAM_CONFIG_CAPS capability;
  capability.guid = FORMAT_WaveFormatEx;
  capability.MinimumChannels = capability.MaximumChannels = format.channels;
  capability.ChannelsGranularity = 1;
  capability.MinimumBitsPerSample = capability.MaximumBitsPerSample = format.bitsPerSample;
  capability.BitsPerSampleGranularity = 8;
  capability.MinimumSampleFrequency = capability.MaximumSampleFrequency = format.samplesPerSec;
  capability.SampleFrequencyGranularity = 1;
  std::memcpy(caps, &capability, sizeof capability);
}

bool AlsaAudioPin::Accepts(const AM_MEDIA_TYPE& mediaType) const {
  const auto format = PcmFormatOf(mediaType);
  return format && std::find(formats_.begin(), formats_.end(), *format) != formats_.end();
}

bool AlsaAudioPin::SameFormat(const AM_MEDIA_TYPE& chosen, const AM_MEDIA_TYPE& offered) const {
  return PcmFormatOf(chosen) == PcmFormatOf(offered);
}

HRESULT AlsaAudioPin::DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) {
  const auto format = PcmFormatOf(ConnectionType().Get());
  if (!format) return E_UNEXPECTED;
  ALLOCATOR_PROPERTIES wanted = *request;
  wanted.cBuffers = std::max<LONG>(request->cBuffers, 4);
  wanted.cbBuffer = std::max<LONG>(request->cbBuffer,
                                   static_cast<LONG>(PeriodFrames(*format) * BlockAlign(*format)));
  wanted.cbAlign = std::max<LONG>(request->cbAlign, 1);
  return SetAllocatorProperties(*allocator, wanted);
}

HRESULT AlsaAudioPin::PrepareStreaming() {
  if (!IsConnected()) return S_OK;
  const auto format = PcmFormatOf(ConnectionType().Get());
  if (!format) return VFW_E_TYPE_NOT_ACCEPTED;
  format_ = *format;
  int error = 0;
  capture_ = api_->OpenCapture(pcm_, &error);
  if (!capture_) {
    if (error == -EBUSY) {
      diag::Warn("alsa", filter_->DeviceName() + " (" + pcm_ +
                             ") is used by another application; the sound server's \"default\" "
                             "input may share it");
    }
    return HResultFromErrno(error);
  }
  error = capture_->SetParams(SampleFormatOf(format_.bitsPerSample), format_.channels,
                              format_.samplesPerSec, PeriodFrames(format_), kPeriods);
  if (error < 0) {
    capture_.reset();
    return error == -EINVAL ? VFW_E_TYPE_NOT_ACCEPTED : HResultFromErrno(error);
  }
  return S_OK;
}

void AlsaAudioPin::EndStreaming() {
  if (capture_) (void)capture_->Drop();  // closing discards what was captured all the same
  capture_.reset();
}

HRESULT AlsaAudioPin::OnThreadStartPlay() {
  overruns_.store(0);
  delivered_.store(0);
  discontinuity_ = true;
  haveStart_ = false;
  if (!capture_) return S_OK;
  const int result = capture_->Start();
  if (IsDeviceGone(result)) filter_->LoseDevice();
  return result < 0 ? HResultFromErrno(result) : S_OK;
}

bool AlsaAudioPin::Restart(int error) {
  if (capture_->Recover(error) < 0) return false;
  return capture_->Start() >= 0;
}

long AlsaAudioPin::ReadFrames(BYTE* buffer, long capacityFrames) {
  while (!filter_->IsStopping()) {
    const int ready = capture_->Wait(kWaitMs);
    long frames =
        ready > 0 ? capture_->Read(buffer, static_cast<unsigned long>(capacityFrames)) : ready;
    if (frames > 0) return frames;
    if (frames == 0 || frames == -EAGAIN) continue;
    if ((frames == -EPIPE || frames == -ESTRPIPE) && Restart(static_cast<int>(frames))) {
      overruns_.fetch_add(1);
      discontinuity_ = true;
      haveStart_ = false;
      diag::Debug("alsa", filter_->DeviceName(), ": overrun, recovered");
      continue;
    }
    diag::Warn("alsa", filter_->DeviceName() + ": capture ends: errno " + std::to_string(-frames));
    filter_->LoseDevice();
    return 0;
  }
  return 0;
}

// The first frame read was captured when the device's timestamp says, less the frames that were
// waiting then. Timestamps that are missing, in the future or stale are not believed: the read
// is then taken as just captured.
void AlsaAudioPin::StampSample(IMediaSample* sample, long frames) {
  const REFERENCE_TIME duration =
      static_cast<REFERENCE_TIME>(frames) * kUnitsPerSecond / format_.samplesPerSec;
  REFERENCE_TIME now = 0;
  REFERENCE_TIME start = 0;
  if (SUCCEEDED(filter_->StreamTime(&now))) {
    std::int64_t stampNs = 0;
    long available = 0;
    REFERENCE_TIME end = now;
    if (capture_->Timestamp(&stampNs, &available) >= 0 && stampNs > 0) {
      const std::int64_t ageNs = MonotonicNowNs() - stampNs;
      if (ageNs >= 0 && ageNs < 1'000'000'000) {
        end = now - ageNs / 100 -
              static_cast<REFERENCE_TIME>(available) * kUnitsPerSecond / format_.samplesPerSec;
      }
    }
    start = end - duration;
    // Sound times never run backwards, and jitter does not break the samples apart; a start
    // well after the running time means sound was lost.
    if (haveStart_ && start < nextStart_ + kJitter) start = nextStart_;
  } else {
    start = haveStart_ ? nextStart_ : 0;  // no clock: by the sound's own time
  }
  REFERENCE_TIME stop = start + duration;
  (void)sample->SetTime(&start, &stop);  // the sample takes any times
  (void)sample->SetSyncPoint(TRUE);
  (void)sample->SetDiscontinuity(discontinuity_ ? TRUE : FALSE);
  discontinuity_ = false;
  nextStart_ = stop;
  haveStart_ = true;
}

HRESULT AlsaAudioPin::FillBuffer(IMediaSample* sample) {
  if (!capture_ || filter_->IsLost()) {
    filter_->WaitForStop();
    return S_FALSE;
  }
  BYTE* buffer = nullptr;
  if (FAILED(sample->GetPointer(&buffer))) return E_UNEXPECTED;
  const long capacity = sample->GetSize() / static_cast<long>(BlockAlign(format_));
  const long frames = ReadFrames(buffer, std::min<long>(capacity, PeriodFrames(format_)));
  if (frames <= 0) {
    if (filter_->IsLost()) filter_->WaitForStop();
    return S_FALSE;
  }
  if (FAILED(sample->SetActualDataLength(static_cast<LONG>(frames * BlockAlign(format_)))))
    return E_UNEXPECTED;
  StampSample(sample, frames);
  delivered_.fetch_add(1);
  return S_OK;
}

}  // namespace devices

#include "devices/virtual/VirtualAudioPin.h"

#include <algorithm>
#include <cstring>

#include "devices/virtual/VirtualCaptureFilter.h"
#include "dshow/AudioMediaType.h"
#include "dshow/Uuids.h"
#include "dshow/base/MemAllocator.h"

namespace devices {
namespace {

DWORD BufferBytes(const WAVEFORMATEX& format) {
  const DWORD frames = static_cast<DWORD>(format.nSamplesPerSec * VirtualAudioPin::kBufferDuration /
                                          kUnitsPerSecond);
  return std::max<DWORD>(frames, 1) * format.nBlockAlign;
}

}  // namespace

VirtualAudioPin::VirtualAudioPin(VirtualCaptureFilter* filter)
    : StreamConfigPin(filter, "Capture"), device_(filter) {
  SetCategory(PIN_CATEGORY_CAPTURE);
  const auto& formats = filter->Device().audioFormats;
  range_.guid = FORMAT_WaveFormatEx;
  range_.MinimumChannels = range_.MinimumBitsPerSample = range_.MinimumSampleFrequency = ~0u;
  for (const AudioFormatDescription& format : formats) {
    range_.MinimumChannels = std::min<ULONG>(range_.MinimumChannels, format.channels);
    range_.MaximumChannels = std::max<ULONG>(range_.MaximumChannels, format.channels);
    range_.MinimumBitsPerSample =
        std::min<ULONG>(range_.MinimumBitsPerSample, format.bitsPerSample);
    range_.MaximumBitsPerSample =
        std::max<ULONG>(range_.MaximumBitsPerSample, format.bitsPerSample);
    range_.MinimumSampleFrequency =
        std::min<ULONG>(range_.MinimumSampleFrequency, format.samplesPerSec);
    range_.MaximumSampleFrequency =
        std::max<ULONG>(range_.MaximumSampleFrequency, format.samplesPerSec);
  }
  range_.ChannelsGranularity = 1;
  range_.BitsPerSampleGranularity = 8;
  range_.SampleFrequencyGranularity = 1;
}

int VirtualAudioPin::CapabilityCount() const {
  return static_cast<int>(device_->Device().audioFormats.size());
}

MediaType VirtualAudioPin::CapabilityType(int index) const {
  const auto& formats = device_->Device().audioFormats;
  if (index < 0 || index >= static_cast<int>(formats.size())) return MediaType();
  const AudioFormatDescription& format = formats[static_cast<std::size_t>(index)];
  return MakePcmMediaType(format.samplesPerSec, format.bitsPerSample, format.channels);
}

bool VirtualAudioPin::Accepts(const AM_MEDIA_TYPE& mediaType) const {
  if (mediaType.majortype != MEDIATYPE_Audio || mediaType.subtype != MEDIASUBTYPE_PCM) return false;
  const WAVEFORMATEX* format = WaveFormatOf(mediaType);
  if (format == nullptr || format->wFormatTag != WAVE_FORMAT_PCM) return false;
  const bool inRange = format->nChannels >= range_.MinimumChannels &&
                       format->nChannels <= range_.MaximumChannels &&
                       format->wBitsPerSample >= range_.MinimumBitsPerSample &&
                       format->wBitsPerSample <= range_.MaximumBitsPerSample &&
                       format->nSamplesPerSec >= range_.MinimumSampleFrequency &&
                       format->nSamplesPerSec <= range_.MaximumSampleFrequency;
  return inRange && format->wBitsPerSample % 8 == 0 &&
         format->nBlockAlign == format->nChannels * format->wBitsPerSample / 8;
}

bool VirtualAudioPin::SameFormat(const AM_MEDIA_TYPE& chosen, const AM_MEDIA_TYPE& offered) const {
  const WAVEFORMATEX* wanted = WaveFormatOf(chosen);
  const WAVEFORMATEX* other = WaveFormatOf(offered);
  return wanted != nullptr && other != nullptr && wanted->nSamplesPerSec == other->nSamplesPerSec &&
         wanted->wBitsPerSample == other->wBitsPerSample && wanted->nChannels == other->nChannels;
}

void VirtualAudioPin::WriteCaps(int /*index*/, BYTE* caps) const {
  std::memcpy(caps, &range_, sizeof range_);
}

HRESULT VirtualAudioPin::DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) {
  const WAVEFORMATEX* format = WaveFormatOf(ConnectionType().Get());
  if (format == nullptr) return E_UNEXPECTED;
  ALLOCATOR_PROPERTIES wanted = *request;
  wanted.cBuffers = std::max<LONG>(request->cBuffers, 4);
  wanted.cbBuffer = std::max<LONG>(request->cbBuffer, static_cast<LONG>(BufferBytes(*format)));
  wanted.cbAlign = std::max<LONG>(request->cbAlign, 1);
  return SetAllocatorProperties(*allocator, wanted);
}

HRESULT VirtualAudioPin::OnThreadStartPlay() {
  const WAVEFORMATEX* format = WaveFormatOf(ConnectionType().Get());
  if (format == nullptr) return E_UNEXPECTED;
  tone_ = std::make_unique<ToneGenerator>(device_->Device().tone, *format);
  buffers_ = 0;
  position_ = 0;
  nextBuffer_ = std::chrono::steady_clock::now();
  return S_OK;
}

HRESULT VirtualAudioPin::FillBuffer(IMediaSample* sample) {
  const WAVEFORMATEX* format = WaveFormatOf(ConnectionType().Get());
  if (format == nullptr || tone_ == nullptr) return E_UNEXPECTED;
  const LONG lostAfter = device_->Device().faults.lostAfterFrames;
  if (lostAfter >= 0 && buffers_ >= lostAfter) device_->LoseDevice();
  if (device_->IsLost()) {
    device_->WaitForStop();
    return S_FALSE;
  }
  if (!device_->WaitUntil(nextBuffer_)) return S_FALSE;
  BYTE* buffer = nullptr;
  if (FAILED(sample->GetPointer(&buffer))) return E_UNEXPECTED;
  const DWORD bytes = std::min<DWORD>(BufferBytes(*format), static_cast<DWORD>(sample->GetSize()));
  tone_->Fill(buffer, bytes);
  (void)sample->SetActualDataLength(static_cast<LONG>(bytes));  // bytes fit: taken from GetSize
  const REFERENCE_TIME duration =
      static_cast<REFERENCE_TIME>(bytes) * kUnitsPerSecond / format->nAvgBytesPerSec;
  REFERENCE_TIME start = position_;
  if (FAILED(device_->StreamTime(&start))) start = position_;  // no clock: by the sound's own time
  REFERENCE_TIME stop = start + duration;
  (void)sample->SetTime(&start, &stop);  // the sample takes any times
  (void)sample->SetSyncPoint(TRUE);
  (void)sample->SetDiscontinuity(buffers_ == 0 ? TRUE : FALSE);
  position_ += duration;
  nextBuffer_ += std::chrono::nanoseconds(duration * 100);
  ++buffers_;
  return S_OK;
}

}  // namespace devices

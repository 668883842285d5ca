#include "devices/virtual/VirtualAudioPin.h"

#include <algorithm>
#include <cstring>

#include "devices/virtual/VirtualCaptureFilter.h"
#include "dshow/AudioMediaType.h"
#include "dshow/Uuids.h"

namespace devices {
namespace {

DWORD BufferBytes(const WAVEFORMATEX& format) {
  const DWORD frames = static_cast<DWORD>(format.nSamplesPerSec * VirtualAudioPin::kBufferDuration /
                                          kUnitsPerSecond);
  return std::max<DWORD>(frames, 1) * format.nBlockAlign;
}

}  // namespace

VirtualAudioPin::VirtualAudioPin(VirtualCaptureFilter* filter)
    : CSourceStream(filter, "Capture"), device_(filter) {
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

HRESULT VirtualAudioPin::QueryPinInterface(REFIID riid, void** object) {
  if (riid != IID_IAMStreamConfig) return CSourceStream::QueryPinInterface(riid, object);
  *object = static_cast<IAMStreamConfig*>(this);
  AddRef();
  return S_OK;
}

MediaType VirtualAudioPin::TypeOf(int index) const {
  const auto& formats = device_->Device().audioFormats;
  if (index < 0 || index >= static_cast<int>(formats.size())) return MediaType();
  const AudioFormatDescription& format = formats[static_cast<std::size_t>(index)];
  return MakePcmMediaType(format.samplesPerSec, format.bitsPerSample, format.channels);
}

MediaType VirtualAudioPin::PreferredType() const {
  std::lock_guard lock(formatLock_);
  return chosen_.IsEmpty() ? TypeOf(0) : chosen_;
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

HRESULT VirtualAudioPin::CheckMediaType(const AM_MEDIA_TYPE* mediaType) {
  if (mediaType == nullptr) return E_POINTER;
  return Accepts(*mediaType) ? S_OK : S_FALSE;
}

HRESULT VirtualAudioPin::GetMediaType(int position, MediaType* mediaType) {
  if (mediaType == nullptr) return E_POINTER;
  if (position < 0) return E_INVALIDARG;
  if (position == 0) {
    *mediaType = PreferredType();
    return S_OK;
  }
  if (position > static_cast<int>(device_->Device().audioFormats.size()))
    return VFW_S_NO_MORE_ITEMS;
  *mediaType = TypeOf(position - 1);
  return S_OK;
}

HRESULT VirtualAudioPin::DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) {
  const WAVEFORMATEX* format = WaveFormatOf(ConnectionType().Get());
  if (format == nullptr) return E_UNEXPECTED;
  ALLOCATOR_PROPERTIES wanted = *request;
  wanted.cBuffers = std::max<LONG>(request->cBuffers, 4);
  wanted.cbBuffer = std::max<LONG>(request->cbBuffer, static_cast<LONG>(BufferBytes(*format)));
  wanted.cbAlign = std::max<LONG>(request->cbAlign, 1);
  ALLOCATOR_PROPERTIES actual;
  const HRESULT hr = allocator->SetProperties(&wanted, &actual);
  if (FAILED(hr)) return hr;
  return actual.cbBuffer < static_cast<LONG>(BufferBytes(*format)) ? E_FAIL : S_OK;
}

HRESULT VirtualAudioPin::SetFormat(AM_MEDIA_TYPE* mediaType) {
  if (mediaType == nullptr) return E_POINTER;
  if (!Accepts(*mediaType)) return VFW_E_INVALIDMEDIATYPE;
  if (!device_->IsStopped()) return VFW_E_NOT_STOPPED;
  if (IsConnected() && GetConnected()->QueryAccept(mediaType) != S_OK)
    return VFW_E_TYPE_NOT_ACCEPTED;
  {
    std::lock_guard lock(formatLock_);
    chosen_ = MediaType(*mediaType);
  }
  if (!IsConnected() || device_->Graph() == nullptr) return S_OK;
  ComPtr<IPin> peer(GetConnected());
  (void)device_->Graph()->Disconnect(peer.Get());  // the new connection's result tells
  (void)device_->Graph()->Disconnect(this);
  return device_->Graph()->ConnectDirect(this, peer.Get(), mediaType);
}

HRESULT VirtualAudioPin::GetFormat(AM_MEDIA_TYPE** mediaType) {
  if (mediaType == nullptr) return E_POINTER;
  *mediaType = (IsConnected() ? CurrentMediaType() : PreferredType()).CreateCopy();
  return *mediaType == nullptr ? E_OUTOFMEMORY : S_OK;
}

HRESULT VirtualAudioPin::GetNumberOfCapabilities(int* count, int* size) {
  if (count == nullptr || size == nullptr) return E_POINTER;
  *count = static_cast<int>(device_->Device().audioFormats.size());
  *size = sizeof(AUDIO_STREAM_CONFIG_CAPS);
  return S_OK;
}

HRESULT VirtualAudioPin::GetStreamCaps(int index, AM_MEDIA_TYPE** mediaType, BYTE* caps) {
  if (mediaType == nullptr || caps == nullptr) return E_POINTER;
  *mediaType = nullptr;
  if (index < 0) return E_INVALIDARG;
  if (index >= static_cast<int>(device_->Device().audioFormats.size())) return S_FALSE;
  std::memcpy(caps, &range_, sizeof range_);
  *mediaType = TypeOf(index).CreateCopy();
  return *mediaType == nullptr ? E_OUTOFMEMORY : S_OK;
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

#include "dshow/filters/DVSplitter.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "av/AvIo.h"
#include "av/AvOwners.h"
#include "dshow/AudioMediaType.h"
#include "dshow/VideoMediaType.h"
#include "dshow/base/MemAllocator.h"

namespace {

constexpr DWORD kSamplesPerSec = 48000;
constexpr WORD kChannels = 2;
constexpr LONG kAudioBytesPerFrame = 1920 * 4;  // the most a 625-line frame holds at 48 kHz
constexpr LONG kOutputBuffers = 4;

bool IsInterleavedDV(const AM_MEDIA_TYPE& type) {
  return type.majortype == MEDIATYPE_Interleaved &&
         (type.subtype == MEDIASUBTYPE_dvsd || type.subtype == MEDIASUBTYPE_dv25);
}

// 625-line frames are bigger than 525-line ones.
bool Is625Lines(const AM_MEDIA_TYPE& type) {
  return type.lSampleSize >= VideoImageSize(type.subtype, 720, 576);
}

MediaType VideoTypeFor(const AM_MEDIA_TYPE& input) {
  const bool pal = Is625Lines(input);
  auto type = MakeVideoMediaType(input.subtype, 720, pal ? 576 : 480, pal ? 400'000 : 333'667);
  return type ? std::move(*type) : MediaType();
}

}  // namespace

std::vector<BYTE> DVFrameSound(const BYTE* frame, size_t size) {
  std::vector<BYTE> sound;
  av::MemoryReaderIo reader(frame, size);
  if (reader.Context() == nullptr) return sound;
  AVFormatContext* opened = avformat_alloc_context();
  if (opened == nullptr) return sound;
  opened->pb = reader.Context();
  opened->flags |= AVFMT_FLAG_CUSTOM_IO;
  // On failure avformat_open_input frees the context, not the custom reader.
  if (avformat_open_input(&opened, nullptr, av_find_input_format("dv"), nullptr) != 0) return sound;
  const av::InputFormatPtr context(opened);
  const av::PacketPtr packet(av_packet_alloc());
  while (packet && av_read_frame(context.get(), packet.get()) >= 0) {
    const AVStream* stream = context->streams[packet->stream_index];
    if (stream->codecpar->codec_type == AVMEDIA_TYPE_AUDIO)
      sound.insert(sound.end(), packet->data, packet->data + packet->size);
    av_packet_unref(packet.get());
  }
  return sound;
}

// ---- Outputs ---------------------------------------------------------------------------------

DVSplitterOutputPin::DVSplitterOutputPin(CBaseFilter* filter, CBaseInputPin* input,
                                         std::string name, bool audio)
    : CBaseOutputPin(filter, std::move(name)), input_(input), audio_(audio) {}

HRESULT DVSplitterOutputPin::CheckMediaType(const AM_MEDIA_TYPE* mediaType) {
  if (mediaType == nullptr) return E_POINTER;
  if (!input_->IsConnected()) return VFW_E_NOT_CONNECTED;
  MediaType own;
  if (GetMediaType(0, &own) != S_OK) return E_UNEXPECTED;
  return IsEqualMediaType(*mediaType, own.Get()) ? S_OK : S_FALSE;
}

HRESULT DVSplitterOutputPin::GetMediaType(int position, MediaType* mediaType) {
  if (mediaType == nullptr) return E_POINTER;
  if (!input_->IsConnected()) return VFW_E_NOT_CONNECTED;
  if (position < 0) return E_INVALIDARG;
  if (position > 0) return VFW_S_NO_MORE_ITEMS;
  *mediaType = audio_ ? MakePcmMediaType(kSamplesPerSec, 16, kChannels)
                      : VideoTypeFor(input_->ConnectionType().Get());
  return mediaType->IsEmpty() ? E_UNEXPECTED : S_OK;
}

HRESULT DVSplitterOutputPin::DecideBufferSize(IMemAllocator* allocator,
                                              ALLOCATOR_PROPERTIES* request) {
  if (allocator == nullptr || request == nullptr) return E_POINTER;
  ALLOCATOR_PROPERTIES wanted = *request;
  const LONG size =
      audio_ ? kAudioBytesPerFrame : static_cast<LONG>(input_->ConnectionType()->lSampleSize);
  wanted.cbBuffer = std::max({wanted.cbBuffer, size, LONG{1}});
  wanted.cBuffers = std::max(wanted.cBuffers, kOutputBuffers);
  return SetAllocatorProperties(*allocator, wanted);
}

HRESULT DVSplitterOutputPin::DeliverCopy(IMediaSample* from, const BYTE* data, LONG length) {
  ComPtr<IMediaSample> sample;
  HRESULT hr = GetDeliveryBuffer(sample.ReleaseAndGetAddressOf(), nullptr, nullptr, 0);
  if (FAILED(hr)) return hr;
  BYTE* target = nullptr;
  if (FAILED(sample->GetPointer(&target))) return E_UNEXPECTED;
  length = std::min(length, sample->GetSize());
  std::memcpy(target, data, static_cast<size_t>(std::max(length, LONG{0})));
  (void)sample->SetActualDataLength(length);  // within the buffer's size
  REFERENCE_TIME start = 0;
  REFERENCE_TIME stop = 0;
  if (SUCCEEDED(from->GetTime(&start, &stop))) {
    (void)sample->SetTime(&start, &stop);
  } else {
    (void)sample->SetTime(nullptr, nullptr);
  }
  (void)sample->SetSyncPoint(TRUE);  // every DV frame stands alone
  (void)sample->SetDiscontinuity(from->IsDiscontinuity() == S_OK ? TRUE : FALSE);
  return Deliver(sample.Get());
}

// ---- Filter ----------------------------------------------------------------------------------

DVSplitter::DVSplitter()
    : TeeFilter(CLSID_DVSplitter),
      input_(std::make_unique<TeeInputPin>(this, "Input")),
      video_(std::make_unique<DVSplitterOutputPin>(this, input_.get(), "DVVidOut0", false)),
      audio_(std::make_unique<DVSplitterOutputPin>(this, input_.get(), "AudOut00", true)) {}

DVSplitter::~DVSplitter() = default;

HRESULT DVSplitter::QueryFilterInterface(REFIID riid, void** object) {
  if (riid != IID_IDVSplitter) return TeeFilter::QueryFilterInterface(riid, object);
  *object = static_cast<IDVSplitter*>(this);
  AddRef();
  return S_OK;
}

HRESULT DVSplitter::DiscardAlternateVideoFrames(int discard) {
  discardAlternate_ = discard != 0;
  return S_OK;
}

bool DVSplitter::HasSound(const AM_MEDIA_TYPE& mediaType) {
  if (mediaType.formattype != FORMAT_DvInfo || mediaType.cbFormat < sizeof(DVINFO) ||
      mediaType.pbFormat == nullptr)
    return false;
  DVINFO info;
  std::memcpy(&info, mediaType.pbFormat, sizeof info);
  return info.dwDVAAuxSrc != 0;
}

bool DVSplitter::AudioPinPresent() {
  return input_->IsConnected() && HasSound(input_->ConnectionType().Get());
}

int DVSplitter::GetPinCount() {
  return AudioPinPresent() ? 3 : 2;
}

CBasePin* DVSplitter::GetPin(int index) {
  switch (index) {
    case 0:
      return input_.get();
    case 1:
      return video_.get();
    case 2:
      return AudioPinPresent() ? audio_.get() : nullptr;
    default:
      return nullptr;
  }
}

bool DVSplitter::OutputsAccept(const AM_MEDIA_TYPE& mediaType) {
  // The outputs' types follow from the input's, so only the input's kind matters.
  return IsInterleavedDV(mediaType);
}

HRESULT DVSplitter::DeliverSample(IMediaSample* sample) {
  BYTE* data = nullptr;
  if (FAILED(sample->GetPointer(&data))) return E_UNEXPECTED;
  const LONG length = sample->GetActualDataLength();
  const bool skipVideo = discardAlternate_ && (frames_++ % 2) == 1;
  if (audio_->IsConnected()) {
    const std::vector<BYTE> sound =
        DVFrameSound(data, static_cast<size_t>(std::max(length, LONG{0})));
    // A frame without sound delivers none; the video goes on.
    if (!sound.empty())
      (void)audio_->DeliverCopy(sample, sound.data(), static_cast<LONG>(sound.size()));
  }
  if (skipVideo || !video_->IsConnected()) return S_OK;
  return video_->DeliverCopy(sample, data, length);
}

HRESULT DVSplitter::DeliverEndOfStream() {
  if (audio_->IsConnected()) (void)audio_->DeliverEndOfStream();  // the video's answer counts
  return video_->IsConnected() ? video_->DeliverEndOfStream() : S_OK;
}

HRESULT DVSplitter::DeliverBeginFlush() {
  if (audio_->IsConnected()) (void)audio_->DeliverBeginFlush();
  return video_->IsConnected() ? video_->DeliverBeginFlush() : S_OK;
}

HRESULT DVSplitter::DeliverEndFlush() {
  if (audio_->IsConnected()) (void)audio_->DeliverEndFlush();
  return video_->IsConnected() ? video_->DeliverEndFlush() : S_OK;
}

HRESULT DVSplitter::DeliverNewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) {
  if (audio_->IsConnected()) (void)audio_->DeliverNewSegment(start, stop, rate);
  return video_->IsConnected() ? video_->DeliverNewSegment(start, stop, rate) : S_OK;
}

#include "devices/encoders/CompressorFilter.h"

#include <algorithm>
#include <cstring>

#include "com/Diagnostics.h"
#include "devices/encoders/CompressorSettingsParts.h"
#include "dshow/PropertyPageClasses.h"
#include "dshow/Uuids.h"

namespace devices {

CompressorFilter::CompressorFilter(const AvailableEncoder& encoder)
    : CTransformFilter(encoder.entry->kind == EncoderKind::kVideo ? CLSID_FfmpegVideoCompressor
                                                                  : CLSID_FfmpegAudioCompressor),
      encoder_(encoder),
      persist_(std::make_unique<CompressorPersistPart>(this)),
      options_(std::make_unique<EncoderOptionsPart>(this)),
      pages_(std::make_unique<PropertyPageList>(static_cast<IBaseFilter*>(this),
                                                std::vector<CLSID>{CLSID_CompressorPage})) {
  if (IsVideo()) compression_ = std::make_unique<CompressionSettingsPart>(this);
}

std::string_view CompressorFilter::CodecName() const {
  return encoder_.codec->name;
}

CompressorFilter::~CompressorFilter() = default;

HRESULT CompressorFilter::QueryFilterInterface(REFIID riid, void** object) {
  if (riid == IID_IAMVideoCompression && compression_) return compression_->Give(object);
  if (riid == IID_IPersistStream) return persist_->Give(object);
  if (riid == IID_IEncoderOptions) return options_->Give(object);
  if (riid == IID_ISpecifyPropertyPages) return pages_->Give(object);
  return CTransformFilter::QueryFilterInterface(riid, object);
}

EncoderSettings CompressorFilter::Settings() const {
  std::lock_guard lock(settingsLock_);
  return settings_;
}

HRESULT CompressorFilter::SetSettings(const EncoderSettings& settings) {
  if (!ValidEncoderSettings(settings)) return E_INVALIDARG;
  std::lock_guard outputLock(outputLock_);  // the output kept for the last input may change
  std::lock_guard lock(settingsLock_);
  if (settings_ == settings) return S_OK;
  lastInput_.reset();
  lastOutput_.reset();
  settings_ = settings;
  dirty_ = true;
  return S_OK;
}

bool CompressorFilter::IsDirty() const {
  std::lock_guard lock(settingsLock_);
  return dirty_;
}

void CompressorFilter::SetDirty(bool dirty) {
  std::lock_guard lock(settingsLock_);
  dirty_ = dirty;
}

std::string CompressorFilter::LastRefusal() const {
  std::lock_guard lock(settingsLock_);
  return refusal_;
}

std::optional<CompressorFilter::Output> CompressorFilter::OutputFor(const AM_MEDIA_TYPE& input) {
  std::lock_guard lock(outputLock_);
  if (lastInput_ && IsEqualMediaType(lastInput_->Get(), input) &&
      lastInput_->Get().bFixedSizeSamples == input.bFixedSizeSamples) {
    return lastOutput_;
  }
  std::string reason;
  const auto session = EncoderSession::Open(encoder_, input, Settings(), &reason);
  lastInput_ = MediaType(input);
  lastOutput_.reset();
  if (session) {
    lastOutput_ = Output{session->OutputType(), session->MaxPacketSize()};
    std::lock_guard settingsLock(settingsLock_);
    refusal_.clear();
  } else {
    diag::Debug("devices", encoder_.entry->friendlyName, " refuses ", MediaTypeText(input), ": ",
                reason);
    std::lock_guard settingsLock(settingsLock_);
    refusal_ = reason;
  }
  return lastOutput_;
}

HRESULT CompressorFilter::CheckInputType(const AM_MEDIA_TYPE* mediaType) {
  if (mediaType == nullptr) return E_POINTER;
  return OutputFor(*mediaType) ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT CompressorFilter::CheckTransform(const AM_MEDIA_TYPE* in, const AM_MEDIA_TYPE* out) {
  if (in == nullptr || out == nullptr) return E_POINTER;
  const auto output = OutputFor(*in);
  return output && IsEqualMediaType(output->type.Get(), *out) ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT CompressorFilter::GetMediaType(int position, MediaType* mediaType) {
  if (mediaType == nullptr) return E_POINTER;
  if (!InputPin()->IsConnected()) return E_UNEXPECTED;
  if (position < 0) return E_INVALIDARG;
  if (position > 0) return VFW_S_NO_MORE_ITEMS;
  const auto output = OutputFor(InputPin()->ConnectionType().Get());
  if (!output) return E_UNEXPECTED;
  *mediaType = output->type;
  return S_OK;
}

HRESULT CompressorFilter::DecideBufferSize(IMemAllocator* allocator,
                                           ALLOCATOR_PROPERTIES* request) {
  const auto output = OutputFor(InputPin()->ConnectionType().Get());
  if (!output) return E_UNEXPECTED;
  std::size_t size = output->maxPacket;
  ALLOCATOR_PROPERTIES input{};
  IMemAllocator* upstream = InputPin()->PeerAllocator();
  // PCM goes out in buffers up to twice the input's (8-bit samples widened).
  if (!IsVideo() && upstream != nullptr && SUCCEEDED(upstream->GetProperties(&input)))
    size = std::max(size, static_cast<std::size_t>(input.cbBuffer) * 2 + 4096);
  ALLOCATOR_PROPERTIES wanted = *request;
  // A few buffers: an encoder working ahead may hand out several packets at once.
  wanted.cBuffers = std::max<LONG>(request->cBuffers, 4);
  wanted.cbBuffer = std::max<LONG>(request->cbBuffer, static_cast<LONG>(size));
  wanted.cbAlign = std::max<LONG>(request->cbAlign, 1);
  ALLOCATOR_PROPERTIES actual{};
  const HRESULT hr = allocator->SetProperties(&wanted, &actual);
  if (FAILED(hr)) return hr;
  return actual.cbBuffer < wanted.cbBuffer ? E_FAIL : S_OK;
}

HRESULT CompressorFilter::OpenSession() {
  std::string reason;
  session_ =
      EncoderSession::Open(encoder_, InputPin()->ConnectionType().Get(), Settings(), &reason);
  if (!session_) {
    diag::Warn("devices", std::string(encoder_.entry->friendlyName) + " cannot start: " + reason);
    return VFW_E_TYPE_NOT_ACCEPTED;
  }
  if (OutputPin()->IsConnected() &&
      !IsEqualMediaType(session_->OutputType().Get(), OutputPin()->ConnectionType().Get())) {
    diag::Warn("devices", std::string(encoder_.entry->friendlyName) +
                              ": the settings changed the output format; connect it again");
    session_.reset();
    return VFW_E_TYPE_NOT_ACCEPTED;
  }
  discontinuity_ = true;
  return S_OK;
}

HRESULT CompressorFilter::StartStreaming() {
  if (!InputPin()->IsConnected()) return S_OK;
  return OpenSession();
}

HRESULT CompressorFilter::StopStreaming() {
  session_.reset();
  return S_OK;
}

HRESULT CompressorFilter::DeliverPacket(const EncodedPacket& packet) {
  ComPtr<IMediaSample> sample;
  HRESULT hr = OutputPin()->GetDeliveryBuffer(sample.ReleaseAndGetAddressOf(), nullptr, nullptr,
                                              packet.keyFrame ? 0 : AM_GBF_NOTASYNCPOINT);
  if (FAILED(hr)) return hr;
  BYTE* target = nullptr;
  if (FAILED(sample->GetPointer(&target))) return E_UNEXPECTED;
  if (packet.size > static_cast<std::size_t>(sample->GetSize())) {
    diag::Warn("devices", std::string(encoder_.entry->friendlyName) + ": a packet of " +
                              std::to_string(packet.size) + " bytes does not fit; left out");
    return S_OK;
  }
  std::memcpy(target, packet.data, packet.size);
  (void)sample->SetActualDataLength(static_cast<LONG>(packet.size));  // fits, checked above
  if (packet.hasTimes) {
    REFERENCE_TIME start = packet.start;
    REFERENCE_TIME stop = packet.stop;
    (void)sample->SetTime(&start, &stop);  // our own samples take any time
  }
  (void)sample->SetSyncPoint(packet.keyFrame ? TRUE : FALSE);
  (void)sample->SetDiscontinuity(discontinuity_ ? TRUE : FALSE);
  discontinuity_ = false;
  hr = OutputPin()->Deliver(sample.Get());
  return FAILED(hr) ? hr : S_OK;
}

HRESULT CompressorFilter::Receive(IMediaSample* sample) {
  if (!session_) return VFW_E_WRONG_STATE;
  BYTE* data = nullptr;
  if (FAILED(sample->GetPointer(&data))) return E_UNEXPECTED;
  const auto size = static_cast<std::size_t>(std::max<LONG>(sample->GetActualDataLength(), 0));
  REFERENCE_TIME start = 0;
  REFERENCE_TIME stop = 0;
  const HRESULT timed = sample->GetTime(&start, &stop);
  const bool hasStart = timed == S_OK || timed == VFW_S_NO_STOP_TIME;
  if (sample->IsDiscontinuity() == S_OK) discontinuity_ = true;
  const HRESULT hr =
      session_->Encode(data, size, hasStart ? &start : nullptr, timed == S_OK ? &stop : nullptr,
                       [this](const EncodedPacket& packet) { return DeliverPacket(packet); });
  return FAILED(hr) ? hr : S_OK;
}

HRESULT CompressorFilter::EndOfStream() {
  if (session_) {
    // What the encoder still holds goes out before the end.
    const HRESULT hr =
        session_->Finish([this](const EncodedPacket& packet) { return DeliverPacket(packet); });
    if (FAILED(hr)) diag::Warn("devices", "the last packets of the stream are lost");
  }
  return CTransformFilter::EndOfStream();
}

HRESULT CompressorFilter::EndFlush() {
  {
    // Frames the encoder held belong to the flushed stream: start afresh.
    std::lock_guard receive(ReceiveLock());
    if (session_ && FAILED(OpenSession())) session_.reset();
  }
  return CTransformFilter::EndFlush();
}

HRESULT CreateCompressorFilter(const AvailableEncoder& encoder, REFIID riid, void** object) {
  if (object == nullptr) return E_POINTER;
  *object = nullptr;
  if (encoder.entry == nullptr || encoder.codec == nullptr) return E_INVALIDARG;
  return MakeComObject<CompressorFilter>(encoder)->QueryInterface(riid, object);
}

}  // namespace devices

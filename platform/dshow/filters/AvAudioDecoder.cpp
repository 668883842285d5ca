#include "dshow/filters/AvAudioDecoder.h"

#include <algorithm>
#include <cstring>

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
}

#include "com/Diagnostics.h"
#include "dshow/AudioMediaType.h"
#include "dshow/Uuids.h"
#include "dshow/base/MemAllocator.h"
#include "dshow/filters/DecoderContext.h"
#include "dshow/filters/MediaFileLimits.h"

namespace {

constexpr int kBytesPerSample = 2;

bool IsCompressedAudio(const AM_MEDIA_TYPE& type) {
  const WAVEFORMATEX* wave = WaveFormatOf(type);
  return type.majortype == MEDIATYPE_Audio && wave != nullptr &&
         dshow::SaneSound(wave->nSamplesPerSec, wave->nChannels) &&
         dshow::DecodableCodec(type).has_value();
}

bool IsPcm16(const AM_MEDIA_TYPE& type) {
  const WAVEFORMATEX* wave = WaveFormatOf(type);
  return type.majortype == MEDIATYPE_Audio && wave != nullptr &&
         wave->wFormatTag == WAVE_FORMAT_PCM && wave->wBitsPerSample == 16;
}

}  // namespace

AvAudioDecoder::AvAudioDecoder() : CTransformFilter(CLSID_AvAudioDecoder) {}

AvAudioDecoder::~AvAudioDecoder() {
  av_channel_layout_uninit(&resamplerLayout_);
}

bool AvAudioDecoder::CanDecode(const AM_MEDIA_TYPE* from, const AM_MEDIA_TYPE* to) {
  if (from != nullptr && !IsCompressedAudio(*from)) return false;
  return to == nullptr || IsPcm16(*to);
}

HRESULT AvAudioDecoder::CheckInputType(const AM_MEDIA_TYPE* mediaType) {
  if (mediaType == nullptr) return E_POINTER;
  return IsCompressedAudio(*mediaType) ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT AvAudioDecoder::CheckTransform(const AM_MEDIA_TYPE* in, const AM_MEDIA_TYPE* out) {
  if (in == nullptr || out == nullptr) return E_POINTER;
  if (!IsCompressedAudio(*in) || !IsPcm16(*out)) return VFW_E_TYPE_NOT_ACCEPTED;
  const WAVEFORMATEX* from = WaveFormatOf(*in);
  const WAVEFORMATEX* to = WaveFormatOf(*out);
  return from->nSamplesPerSec == to->nSamplesPerSec && from->nChannels == to->nChannels
             ? S_OK
             : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT AvAudioDecoder::GetMediaType(int position, MediaType* mediaType) {
  if (mediaType == nullptr) return E_POINTER;
  CTransformInputPin* input = InputPin();
  if (!input->IsConnected()) return E_UNEXPECTED;
  if (position < 0) return E_INVALIDARG;
  if (position > 0) return VFW_S_NO_MORE_ITEMS;
  const WAVEFORMATEX* wave = WaveFormatOf(input->ConnectionType().Get());
  if (wave == nullptr) return E_UNEXPECTED;
  *mediaType = MakePcmMediaType(wave->nSamplesPerSec, 16, wave->nChannels);
  return S_OK;
}

HRESULT AvAudioDecoder::DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) {
  if (allocator == nullptr || request == nullptr) return E_POINTER;
  const WAVEFORMATEX* wave = WaveFormatOf(OutputPin()->ConnectionType().Get());
  if (wave == nullptr) return E_UNEXPECTED;
  ALLOCATOR_PROPERTIES wanted = *request;
  wanted.cBuffers = std::max(wanted.cBuffers, LONG{4});
  // A quarter of a second each.
  wanted.cbBuffer = std::max(wanted.cbBuffer,
                             static_cast<LONG>(std::max<DWORD>(wave->nAvgBytesPerSec / 4, 4096)));
  return SetAllocatorProperties(*allocator, wanted);
}

HRESULT AvAudioDecoder::BreakConnect(PIN_DIRECTION direction) {
  codec_.reset();
  resampler_.reset();
  return CTransformFilter::BreakConnect(direction);
}

HRESULT AvAudioDecoder::StartStreaming() {
  discontinuity_ = true;
  next_ = 0;
  if (!InputPin()->IsConnected() || !OutputPin()->IsConnected() || codec_) return S_OK;
  const MediaType in = InputPin()->ConnectionType();
  const WAVEFORMATEX* wave = WaveFormatOf(in.Get());
  av::CodecContextPtr codec = dshow::OpenDecoder(in.Get());
  packet_.reset(av_packet_alloc());
  frame_.reset(av_frame_alloc());
  if (!codec || wave == nullptr || !packet_ || !frame_) return E_FAIL;
  codec_ = std::move(codec);
  rate_ = static_cast<int>(wave->nSamplesPerSec);
  channels_ = wave->nChannels;
  return S_OK;
}

HRESULT AvAudioDecoder::DeliverPcm(const BYTE* pcm, size_t bytes, REFERENCE_TIME start) {
  const size_t frameBytes = static_cast<size_t>(channels_) * kBytesPerSample;
  while (bytes > 0) {
    ComPtr<IMediaSample> out;
    HRESULT hr = OutputPin()->GetDeliveryBuffer(out.ReleaseAndGetAddressOf(), nullptr, nullptr, 0);
    if (FAILED(hr)) return hr;
    BYTE* target = nullptr;
    if (FAILED(out->GetPointer(&target))) return E_UNEXPECTED;
    const size_t room =
        static_cast<size_t>(std::max(out->GetSize(), LONG{0})) / frameBytes * frameBytes;
    const size_t part = std::min(bytes, room);
    if (part == 0) return E_UNEXPECTED;
    std::memcpy(target, pcm, part);
    (void)out->SetActualDataLength(static_cast<LONG>(part));  // it fits
    REFERENCE_TIME stop =
        start + static_cast<REFERENCE_TIME>(part / frameBytes) * 10'000'000 / rate_;
    (void)out->SetTime(&start, &stop);
    (void)out->SetSyncPoint(TRUE);
    (void)out->SetDiscontinuity(discontinuity_ ? TRUE : FALSE);
    discontinuity_ = false;
    hr = OutputPin()->Deliver(out.Get());
    if (hr != S_OK) return hr;
    pcm += part;
    bytes -= part;
    start = stop;
  }
  return S_OK;
}

bool AvAudioDecoder::PrepareResampler(AVFrame& frame) {
  if (frame.ch_layout.nb_channels <= 0 || frame.sample_rate <= 0 || frame.extended_data == nullptr)
    return false;
  const auto format = static_cast<AVSampleFormat>(frame.format);
  if (resampler_ && format == resamplerFormat_ && frame.sample_rate == resamplerRate_ &&
      av_channel_layout_compare(&frame.ch_layout, &resamplerLayout_) == 0) {
    return true;
  }
  resampler_.reset();
  av_channel_layout_uninit(&resamplerLayout_);
  AVChannelLayout layout{};
  av_channel_layout_default(&layout, channels_);
  SwrContext* made = nullptr;
  const int result = swr_alloc_set_opts2(&made, &layout, AV_SAMPLE_FMT_S16, rate_, &frame.ch_layout,
                                         format, frame.sample_rate, 0, nullptr);
  av_channel_layout_uninit(&layout);
  resampler_.reset(made);
  if (result < 0 || swr_init(resampler_.get()) < 0 ||
      av_channel_layout_copy(&resamplerLayout_, &frame.ch_layout) < 0) {
    resampler_.reset();
    return false;
  }
  resamplerFormat_ = format;
  resamplerRate_ = frame.sample_rate;
  return true;
}

HRESULT AvAudioDecoder::DeliverFrame(AVFrame& frame) {
  if (frame.nb_samples <= 0) return S_OK;
  REFERENCE_TIME start =
      frame.best_effort_timestamp != AV_NOPTS_VALUE ? frame.best_effort_timestamp : next_;
  const REFERENCE_TIME length = int64_t{frame.nb_samples} * 10'000'000 / rate_;
  next_ = start + length;
  if (start + length <= 0) return S_OK;  // decoded only to reach a seek's target
  if (!PrepareResampler(frame)) {
    diag::Debug("dshow", "decoded sound that cannot be converted; dropped");
    return S_OK;
  }
  const int room = swr_get_out_samples(resampler_.get(), frame.nb_samples);
  if (room <= 0) return S_OK;
  pcm_.resize(static_cast<size_t>(room) * static_cast<size_t>(channels_) * kBytesPerSample);
  uint8_t* planes[1] = {pcm_.data()};
  const int converted =
      swr_convert(resampler_.get(), planes, room, const_cast<const uint8_t**>(frame.extended_data),
                  frame.nb_samples);
  if (converted <= 0) return S_OK;
  return DeliverPcm(
      pcm_.data(),
      static_cast<size_t>(converted) * static_cast<size_t>(channels_) * kBytesPerSample, start);
}

HRESULT AvAudioDecoder::Receive(IMediaSample* sample) {
  if (!codec_) return VFW_E_WRONG_STATE;
  BYTE* data = nullptr;
  if (FAILED(sample->GetPointer(&data))) return E_UNEXPECTED;
  const auto size = static_cast<size_t>(std::max(sample->GetActualDataLength(), LONG{0}));
  if (size == 0) return S_OK;
  REFERENCE_TIME start = 0;
  REFERENCE_TIME stop = 0;
  const bool timed = SUCCEEDED(sample->GetTime(&start, &stop));
  HRESULT delivered = S_OK;
  (void)dshow::DecodePacket(*codec_, *packet_, *frame_, data, size, timed ? &start : nullptr,
                            [&](AVFrame& frame) {
                              if (delivered == S_OK) delivered = DeliverFrame(frame);
                            });  // a damaged packet is skipped
  return delivered;
}

HRESULT AvAudioDecoder::EndOfStream() {
  if (codec_) {
    (void)dshow::DecodePacket(*codec_, *packet_, *frame_, nullptr, 0, nullptr,
                              [&](AVFrame& frame) { (void)DeliverFrame(frame); });
    avcodec_flush_buffers(codec_.get());  // ready for more after a seek
  }
  return CTransformFilter::EndOfStream();
}

HRESULT AvAudioDecoder::EndFlush() {
  {
    std::lock_guard receive(ReceiveLock());
    if (codec_) avcodec_flush_buffers(codec_.get());
    if (resampler_) resampler_.reset();  // drops what it held
    discontinuity_ = true;
    next_ = 0;
  }
  return CTransformFilter::EndFlush();
}

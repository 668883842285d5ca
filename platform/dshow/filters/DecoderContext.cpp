#include "dshow/filters/DecoderContext.h"

#include <cstring>

#include "av/CodecParameters.h"
#include "com/Diagnostics.h"
#include "dshow/filters/MediaFileLimits.h"

namespace dshow {

namespace {

constexpr AVRational kReferenceTime{1, 10'000'000};

struct ParametersFree {
  void operator()(AVCodecParameters* parameters) const { avcodec_parameters_free(&parameters); }
};
using ParametersPtr = std::unique_ptr<AVCodecParameters, ParametersFree>;

ParametersPtr ParametersOf(const AM_MEDIA_TYPE& type) {
  ParametersPtr parameters(avcodec_parameters_alloc());
  if (!parameters || !av::ToCodecParameters(type, *parameters)) return nullptr;
  return parameters;
}

}  // namespace

std::optional<AVCodecID> DecodableCodec(const AM_MEDIA_TYPE& type) {
  const ParametersPtr parameters = ParametersOf(type);
  if (!parameters) return std::nullopt;
  const AVCodecID codec = parameters->codec_id;
  if (codec == AV_CODEC_ID_RAWVIDEO || codec == AV_CODEC_ID_PCM_S16LE) return std::nullopt;
  if (avcodec_find_decoder(codec) == nullptr) return std::nullopt;
  return codec;
}

av::CodecContextPtr OpenDecoder(const AM_MEDIA_TYPE& type) {
  const ParametersPtr parameters = ParametersOf(type);
  if (!parameters) return nullptr;
  const AVCodec* codec = avcodec_find_decoder(parameters->codec_id);
  if (codec == nullptr) return nullptr;
  av::CodecContextPtr context(avcodec_alloc_context3(codec));
  if (!context || avcodec_parameters_to_context(context.get(), parameters.get()) < 0)
    return nullptr;
  context->pkt_timebase = kReferenceTime;
  // One thread: the machine's cores belong to the capture; frame threads would also hold
  // pictures back.
  context->thread_count = 1;
  // A stream may hold pictures bigger than its header says: libavcodec refuses to allocate one
  // beyond the limit.
  const MediaFileLimits limits = CurrentMediaFileLimits();
  context->max_pixels = limits.maxPictureBytes / 4;
  if (avcodec_open2(context.get(), codec, nullptr) < 0) return nullptr;
  return context;
}

bool DecodePacket(AVCodecContext& context, AVPacket& packet, AVFrame& frame, const BYTE* data,
                  size_t size, const REFERENCE_TIME* start,
                  const std::function<void(AVFrame&)>& take) {
  int sent = 0;
  if (data == nullptr) {
    sent = avcodec_send_packet(&context, nullptr);
  } else {
    av_packet_unref(&packet);
    if (av_new_packet(&packet, static_cast<int>(size)) < 0) return false;
    std::memcpy(packet.data, data, size);
    packet.pts = start != nullptr ? *start : AV_NOPTS_VALUE;
    packet.dts = AV_NOPTS_VALUE;
    sent = avcodec_send_packet(&context, &packet);
    av_packet_unref(&packet);
  }
  for (;;) {
    const int received = avcodec_receive_frame(&context, &frame);
    if (received < 0) break;  // EAGAIN: wants more; EOF: drained
    take(frame);
    av_frame_unref(&frame);
  }
  if (sent < 0 && sent != AVERROR_EOF) {
    diag::Debug("dshow", "a packet does not decode: ", sent);
    return false;
  }
  return true;
}

}  // namespace dshow

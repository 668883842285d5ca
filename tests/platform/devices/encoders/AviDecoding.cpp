#include "AviDecoding.h"

extern "C" {
#include <libavutil/channel_layout.h>
}

namespace encoder_test {
namespace {

test_pictures::Rgb PixelAt(const std::vector<uint8_t>& rgb, int width, int row) {
  const uint8_t* p = &rgb[(static_cast<size_t>(row) * width + width / 2) * 3];
  return {p[0], p[1], p[2]};
}

void KeepPicture(const AVFrame& frame, DecodedStream& stream) {
  ++stream.pictures;
  stream.width = frame.width;
  stream.height = frame.height;
  av::SwsContextPtr scaler(sws_getContext(
      frame.width, frame.height, static_cast<AVPixelFormat>(frame.format), frame.width,
      frame.height, AV_PIX_FMT_RGB24, SWS_POINT, nullptr, nullptr, nullptr));
  if (!scaler) return;
  std::vector<uint8_t> rgb(static_cast<size_t>(frame.width) * frame.height * 3);
  uint8_t* planes[1] = {rgb.data()};
  const int strides[1] = {frame.width * 3};
  sws_scale(scaler.get(), frame.data, frame.linesize, 0, frame.height, planes, strides);
  stream.top = PixelAt(rgb, frame.width, frame.height / 4);
  stream.bottom = PixelAt(rgb, frame.width, frame.height * 3 / 4);
}

void KeepSound(const AVFrame& frame, DecodedStream& stream) {
  const auto format = static_cast<AVSampleFormat>(frame.format);
  const bool planar = av_sample_fmt_is_planar(format) != 0;
  const int step = planar ? 1 : frame.ch_layout.nb_channels;
  for (int i = 0; i < frame.nb_samples; ++i) {
    const int at = i * step;
    float value = 0;
    switch (av_get_packed_sample_fmt(format)) {
      case AV_SAMPLE_FMT_U8:
        value = (frame.data[0][at] - 128) / 128.0f;
        break;
      case AV_SAMPLE_FMT_S16:
        value = reinterpret_cast<const int16_t*>(frame.data[0])[at] / 32768.0f;
        break;
      case AV_SAMPLE_FMT_S32:
        value =
            static_cast<float>(reinterpret_cast<const int32_t*>(frame.data[0])[at] / 2147483648.0);
        break;
      case AV_SAMPLE_FMT_FLT:
        value = reinterpret_cast<const float*>(frame.data[0])[at];
        break;
      default:
        break;
    }
    stream.samples.push_back(value);
  }
}

void Drain(AVCodecContext* decoder, AVFrame* frame, DecodedStream& stream) {
  while (avcodec_receive_frame(decoder, frame) == 0) {
    if (stream.type == AVMEDIA_TYPE_VIDEO) {
      KeepPicture(*frame, stream);
    } else {
      KeepSound(*frame, stream);
    }
    av_frame_unref(frame);
  }
}

}  // namespace

std::vector<DecodedStream> DecodeAvi(const std::string& path) {
  AVFormatContext* opened = nullptr;
  if (avformat_open_input(&opened, path.c_str(), nullptr, nullptr) < 0) return {};
  av::InputFormatPtr input(opened);
  if (avformat_find_stream_info(input.get(), nullptr) < 0) return {};
  std::vector<DecodedStream> streams(input->nb_streams);
  std::vector<av::CodecContextPtr> decoders(input->nb_streams);
  for (unsigned i = 0; i < input->nb_streams; ++i) {
    const AVCodecParameters* parameters = input->streams[i]->codecpar;
    streams[i].type = parameters->codec_type;
    streams[i].codec = parameters->codec_id;
    streams[i].tag = parameters->codec_tag;
    const AVCodec* codec = avcodec_find_decoder(parameters->codec_id);
    if (codec == nullptr) continue;
    decoders[i].reset(avcodec_alloc_context3(codec));
    if (avcodec_parameters_to_context(decoders[i].get(), parameters) < 0 ||
        avcodec_open2(decoders[i].get(), codec, nullptr) < 0) {
      decoders[i].reset();
    }
  }
  av::PacketPtr packet(av_packet_alloc());
  av::FramePtr frame(av_frame_alloc());
  while (av_read_frame(input.get(), packet.get()) >= 0) {
    const auto index = static_cast<size_t>(packet->stream_index);
    if (packet->size > 0 && index < streams.size()) {
      streams[index].keyFrames.push_back((packet->flags & AV_PKT_FLAG_KEY) != 0);
      if (decoders[index]) {
        if (avcodec_send_packet(decoders[index].get(), packet.get()) < 0) {
          ++streams[index].decodeErrors;
        }
        Drain(decoders[index].get(), frame.get(), streams[index]);
      }
    }
    av_packet_unref(packet.get());
  }
  for (size_t i = 0; i < streams.size(); ++i) {
    if (!decoders[i]) continue;
    (void)avcodec_send_packet(decoders[i].get(), nullptr);  // drains
    Drain(decoders[i].get(), frame.get(), streams[i]);
  }
  return streams;
}

}  // namespace encoder_test

#include "PictureDecoder.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libswscale/swscale.h>
}

#include <cstdlib>
#include <memory>

namespace rudozav_test {
namespace {

struct InputClose {
  void operator()(AVFormatContext* context) const { avformat_close_input(&context); }
};
struct CodecFree {
  void operator()(AVCodecContext* context) const { avcodec_free_context(&context); }
};
struct PacketFree {
  void operator()(AVPacket* packet) const { av_packet_free(&packet); }
};
struct FrameFree {
  void operator()(AVFrame* frame) const { av_frame_free(&frame); }
};

TDecodedPicture ToRgb(const AVFrame& frame, std::int64_t start) {
  TDecodedPicture picture{start, frame.width, frame.height, {}};
  picture.rgb.resize(static_cast<std::size_t>(frame.width) * frame.height * 3);
  SwsContext* scale = sws_getContext(
      frame.width, frame.height, static_cast<AVPixelFormat>(frame.format), frame.width,
      frame.height, AV_PIX_FMT_RGB24, SWS_POINT, nullptr, nullptr, nullptr);
  if (scale == nullptr) return picture;
  std::uint8_t* planes[1] = {picture.rgb.data()};
  const int strides[1] = {frame.width * 3};
  sws_scale(scale, frame.data, frame.linesize, 0, frame.height, planes, strides);
  sws_freeContext(scale);
  return picture;
}

}  // namespace

std::vector<TDecodedPicture> DecodePictures(const std::string& file) {
  std::vector<TDecodedPicture> pictures;
  AVFormatContext* raw = nullptr;
  if (avformat_open_input(&raw, file.c_str(), nullptr, nullptr) < 0) return pictures;
  const std::unique_ptr<AVFormatContext, InputClose> input(raw);
  if (avformat_find_stream_info(input.get(), nullptr) < 0) return pictures;
  const int index = av_find_best_stream(input.get(), AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
  if (index < 0) return pictures;
  const AVStream& stream = *input->streams[index];
  const AVCodec* codec = avcodec_find_decoder(stream.codecpar->codec_id);
  const std::unique_ptr<AVCodecContext, CodecFree> decoder(avcodec_alloc_context3(codec));
  if (codec == nullptr || !decoder ||
      avcodec_parameters_to_context(decoder.get(), stream.codecpar) < 0 ||
      avcodec_open2(decoder.get(), codec, nullptr) < 0)
    return pictures;
  const std::unique_ptr<AVPacket, PacketFree> packet(av_packet_alloc());
  const std::unique_ptr<AVFrame, FrameFree> frame(av_frame_alloc());
  const auto drain = [&] {
    while (avcodec_receive_frame(decoder.get(), frame.get()) >= 0) {
      const std::int64_t start =
          av_rescale_q(frame->best_effort_timestamp -
                           (stream.start_time == AV_NOPTS_VALUE ? 0 : stream.start_time),
                       stream.time_base, AVRational{1, 10'000'000});
      pictures.push_back(ToRgb(*frame, start));
    }
  };
  while (av_read_frame(input.get(), packet.get()) >= 0) {
    // A dropped frame is an empty chunk: nothing to decode.
    if (packet->stream_index == index && packet->size > 0 &&
        avcodec_send_packet(decoder.get(), packet.get()) >= 0)
      drain();
    av_packet_unref(packet.get());
  }
  avcodec_send_packet(decoder.get(), nullptr);
  drain();
  return pictures;
}

double PictureDifference(const std::vector<unsigned char>& a, const std::vector<unsigned char>& b) {
  if (a.size() != b.size() || a.empty()) return 255;
  long long sum = 0;
  for (std::size_t i = 0; i < a.size(); ++i)
    sum += std::abs(static_cast<int>(a[i]) - static_cast<int>(b[i]));
  return static_cast<double>(sum) / static_cast<double>(a.size());
}

}  // namespace rudozav_test

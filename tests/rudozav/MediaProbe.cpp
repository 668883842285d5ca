#include "MediaProbe.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

#include <algorithm>
#include <limits>
#include <memory>

namespace rudozav_test {
namespace {

struct InputClose {
  void operator()(AVFormatContext* context) const { avformat_close_input(&context); }
};
struct PacketFree {
  void operator()(AVPacket* packet) const { av_packet_free(&packet); }
};

}  // namespace

const TStreamProbe* TMediaProbe::Video() const {
  const auto found = std::find_if(streams.begin(), streams.end(), [](auto& s) { return s.video; });
  return found != streams.end() ? &*found : nullptr;
}

const TStreamProbe* TMediaProbe::Audio() const {
  const auto found = std::find_if(streams.begin(), streams.end(), [](auto& s) { return !s.video; });
  return found != streams.end() ? &*found : nullptr;
}

TMediaProbe ProbeMedia(const std::string& file) {
  TMediaProbe probe;
  AVFormatContext* raw = nullptr;
  if (avformat_open_input(&raw, file.c_str(), nullptr, nullptr) < 0) return probe;
  const std::unique_ptr<AVFormatContext, InputClose> input(raw);
  if (avformat_find_stream_info(input.get(), nullptr) < 0) return probe;
  probe.opened = true;
  probe.format = input->iformat->name;
  std::vector<std::int64_t> first(input->nb_streams, std::numeric_limits<std::int64_t>::max());
  std::vector<std::int64_t> last(input->nb_streams, std::numeric_limits<std::int64_t>::min());
  for (unsigned i = 0; i < input->nb_streams; ++i) {
    const AVCodecParameters& codec = *input->streams[i]->codecpar;
    TStreamProbe stream;
    stream.video = codec.codec_type == AVMEDIA_TYPE_VIDEO;
    stream.codec = avcodec_get_name(codec.codec_id);
    stream.width = codec.width;
    stream.height = codec.height;
    stream.sampleRate = codec.sample_rate;
    probe.streams.push_back(stream);
  }
  const std::unique_ptr<AVPacket, PacketFree> packet(av_packet_alloc());
  while (av_read_frame(input.get(), packet.get()) >= 0) {
    const auto index = static_cast<std::size_t>(packet->stream_index);
    ++probe.streams[index].packets;
    const std::int64_t start = packet->pts != AV_NOPTS_VALUE ? packet->pts : packet->dts;
    if (start != AV_NOPTS_VALUE) {
      first[index] = std::min(first[index], start);
      last[index] = std::max(last[index], start + std::max<std::int64_t>(packet->duration, 0));
    }
    av_packet_unref(packet.get());
  }
  for (std::size_t i = 0; i < probe.streams.size(); ++i) {
    if (last[i] < first[i]) continue;
    probe.streams[i].seconds =
        static_cast<double>(last[i] - first[i]) * av_q2d(input->streams[i]->time_base);
  }
  return probe;
}

}  // namespace rudozav_test

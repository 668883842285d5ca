#include "AviReadBack.h"

namespace filter_test {

AviReadBack ReadAvi(const std::string& path, bool readPackets) {
  AviReadBack result;
  AVFormatContext* opened = nullptr;
  if (avformat_open_input(&opened, path.c_str(), av_find_input_format("avi"), nullptr) < 0)
    return result;
  const av::InputFormatPtr context(opened);
  if (avformat_find_stream_info(context.get(), nullptr) < 0) return result;
  result.opened = true;
  for (unsigned i = 0; i < context->nb_streams; ++i) {
    const AVStream* stream = context->streams[i];
    AviStreamReadBack own;
    own.type = stream->codecpar->codec_type;
    own.codec = stream->codecpar->codec_id;
    own.tag = stream->codecpar->codec_tag;
    own.width = stream->codecpar->width;
    own.height = stream->codecpar->height;
    own.frames = stream->nb_frames;
    own.indexEntries = avformat_index_get_entries_count(stream);
    if (stream->duration != AV_NOPTS_VALUE)
      own.seconds = static_cast<double>(stream->duration) * av_q2d(stream->time_base);
    result.streams.push_back(own);
  }
  if (!readPackets) return result;
  const av::PacketPtr packet(av_packet_alloc());
  while (av_read_frame(context.get(), packet.get()) >= 0) {
    AviStreamReadBack& own = result.streams[static_cast<size_t>(packet->stream_index)];
    if (packet->size > 0) ++own.packets;
    own.bytes += packet->size;
    av_packet_unref(packet.get());
  }
  return result;
}

}  // namespace filter_test

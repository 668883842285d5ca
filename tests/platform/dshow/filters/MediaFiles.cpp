#include "MediaFiles.h"

#include <cmath>
#include <cstdio>
#include <functional>
#include <vector>

extern "C" {
#include <libavutil/channel_layout.h>
}

namespace filter_test {

namespace {

struct Encoder {
  av::CodecContextPtr context;
  AVStream* stream = nullptr;
};

bool Fail(const char* what) {
  std::fprintf(stderr, "media file: %s\n", what);
  return false;
}

bool Drain(AVFormatContext* file, Encoder& encoder, AVPacket* packet) {
  for (;;) {
    const int received = avcodec_receive_packet(encoder.context.get(), packet);
    if (received == AVERROR(EAGAIN) || received == AVERROR_EOF) return true;
    if (received < 0) return Fail("encoding");
    av_packet_rescale_ts(packet, encoder.context->time_base, encoder.stream->time_base);
    packet->stream_index = encoder.stream->index;
    if (av_interleaved_write_frame(file, packet) < 0) return Fail("writing a packet");
  }
}

bool OpenEncoder(AVFormatContext* file, AVCodecID id, Encoder* encoder,
                 const std::function<void(AVCodecContext&)>& setup) {
  const AVCodec* codec = avcodec_find_encoder(id);
  if (codec == nullptr) return Fail("no encoder");
  encoder->context.reset(avcodec_alloc_context3(codec));
  encoder->stream = avformat_new_stream(file, nullptr);
  if (!encoder->context || encoder->stream == nullptr) return Fail("out of memory");
  setup(*encoder->context);
  if (file->oformat->flags & AVFMT_GLOBALHEADER)
    encoder->context->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
  if (avcodec_open2(encoder->context.get(), codec, nullptr) < 0) return Fail("opening encoder");
  encoder->stream->time_base = encoder->context->time_base;
  return avcodec_parameters_from_context(encoder->stream->codecpar, encoder->context.get()) >= 0;
}

// The moving picture: clip.frames pictures through the video encoder into the file.
bool WritePictures(AVFormatContext* file, Encoder& video, AVPacket* packet,
                   const MediaFileSpec& clip) {
  av::FramePtr picture(av_frame_alloc());
  picture->format = video.context->pix_fmt;
  picture->width = clip.width;
  picture->height = clip.height;
  if (av_frame_get_buffer(picture.get(), 0) < 0) return Fail("picture");
  for (int n = 0; n < clip.frames; ++n) {
    if (av_frame_make_writable(picture.get()) < 0) return Fail("picture");
    for (int y = 0; y < clip.height; ++y) {
      for (int x = 0; x < clip.width; ++x)
        picture->data[0][y * picture->linesize[0] + x] = static_cast<uint8_t>(x * 3 + y + n * 5);
    }
    for (int plane = 1; plane < 3; ++plane) {
      for (int y = 0; y < clip.height / 2; ++y) {
        for (int x = 0; x < clip.width / 2; ++x)
          picture->data[plane][y * picture->linesize[plane] + x] = static_cast<uint8_t>(128 + n);
      }
    }
    picture->pts = n;
    if (avcodec_send_frame(video.context.get(), picture.get()) < 0) return Fail("video frame");
    if (!Drain(file, video, packet)) return false;
  }
  (void)avcodec_send_frame(video.context.get(), nullptr);
  if (!Drain(file, video, packet)) return false;
  return true;
}

}  // namespace

bool WriteMediaFile(const std::string& path, const MediaFileSpec& spec) {
  AVFormatContext* made = nullptr;
  if (avformat_alloc_output_context2(&made, nullptr, spec.container, path.c_str()) < 0)
    return Fail("no muxer");
  av::OutputFormatPtr file(made);
  Encoder video;
  const bool jpeg = spec.video == AV_CODEC_ID_MJPEG;
  if (spec.video != AV_CODEC_ID_NONE &&
      !OpenEncoder(file.get(), spec.video, &video, [&](AVCodecContext& c) {
        c.width = spec.width;
        c.height = spec.height;
        c.time_base = AVRational{1, spec.framesPerSecond};
        c.framerate = AVRational{spec.framesPerSecond, 1};
        c.pix_fmt = jpeg ? AV_PIX_FMT_YUVJ420P : AV_PIX_FMT_YUV420P;
        c.gop_size = spec.keyFrameEvery;
        c.max_b_frames = 0;
        c.thread_count = 1;
      })) {
    return false;
  }
  Encoder audio;
  if (spec.audio != AV_CODEC_ID_NONE &&
      !OpenEncoder(file.get(), spec.audio, &audio, [&](AVCodecContext& c) {
        c.sample_rate = spec.sampleRate;
        c.sample_fmt = AV_SAMPLE_FMT_S16;
        av_channel_layout_default(&c.ch_layout, 1);
        c.time_base = AVRational{1, spec.sampleRate};
        c.bit_rate = 64000;
      })) {
    return false;
  }
  if (avio_open(&file->pb, path.c_str(), AVIO_FLAG_WRITE) < 0) return Fail("opening the file");
  if (avformat_write_header(file.get(), nullptr) < 0) return Fail("writing the header");

  av::PacketPtr packet(av_packet_alloc());
  if (video.context && !WritePictures(file.get(), video, packet.get(), spec)) return false;
  if (audio.context) {
    // As long as the pictures: a 440 Hz tone.
    const int64_t total = int64_t{spec.sampleRate} * spec.frames / spec.framesPerSecond;
    const int chunk = audio.context->frame_size > 0 ? audio.context->frame_size : 400;
    av::FramePtr sound(av_frame_alloc());
    for (int64_t done = 0; done < total; done += chunk) {
      sound->format = AV_SAMPLE_FMT_S16;
      sound->sample_rate = spec.sampleRate;
      av_channel_layout_default(&sound->ch_layout, 1);
      sound->nb_samples = static_cast<int>(
          audio.context->frame_size > 0 ? chunk : std::min<int64_t>(chunk, total - done));
      if (av_frame_get_buffer(sound.get(), 0) < 0) return Fail("sound");
      auto* samples = reinterpret_cast<int16_t*>(sound->data[0]);
      for (int i = 0; i < sound->nb_samples; ++i)
        samples[i] =
            static_cast<int16_t>(8000 * std::sin((done + i) * 2 * M_PI * 440 / spec.sampleRate));
      sound->pts = done;
      if (avcodec_send_frame(audio.context.get(), sound.get()) < 0) return Fail("sound frame");
      av_frame_unref(sound.get());
      if (!Drain(file.get(), audio, packet.get())) return false;
    }
    (void)avcodec_send_frame(audio.context.get(), nullptr);
    if (!Drain(file.get(), audio, packet.get())) return false;
  }
  if (spec.finish) {
    if (av_write_trailer(file.get()) < 0) return Fail("writing the trailer");
  } else {
    (void)av_interleaved_write_frame(file.get(), nullptr);  // what is held back goes out
    avio_flush(file->pb);
  }
  avio_closep(&file->pb);
  return true;
}

}  // namespace filter_test

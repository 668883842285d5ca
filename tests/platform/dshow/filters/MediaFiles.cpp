#include "MediaFiles.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
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
    // A picture lasts one frame: without it, QuickTime's edit list leaves the last one out.
    if (packet->duration == 0 && encoder.context->codec_type == AVMEDIA_TYPE_VIDEO)
      packet->duration = 1;
    av_packet_rescale_ts(packet, encoder.context->time_base, encoder.stream->time_base);
    packet->stream_index = encoder.stream->index;
    if (av_interleaved_write_frame(file, packet) < 0) return Fail("writing a packet");
  }
}

// The library encoders where FFmpeg's own is experimental or missing.
const AVCodec* FindEncoder(AVCodecID id) {
  const char* preferred = id == AV_CODEC_ID_VORBIS ? "libvorbis"
                          : id == AV_CODEC_ID_OPUS ? "libopus"
                                                   : nullptr;
  const AVCodec* codec = preferred != nullptr ? avcodec_find_encoder_by_name(preferred) : nullptr;
  return codec != nullptr ? codec : avcodec_find_encoder(id);
}

bool OpenEncoder(AVFormatContext* file, AVCodecID id, Encoder* encoder,
                 const std::function<void(AVCodecContext&)>& setup) {
  const AVCodec* codec = FindEncoder(id);
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

// The encoder's own sample format when it does not take interleaved 16-bit samples.
AVSampleFormat SampleFormatFor(const AVCodec& codec) {
  if (codec.sample_fmts == nullptr) return AV_SAMPLE_FMT_S16;
  for (const AVSampleFormat* format = codec.sample_fmts; *format != AV_SAMPLE_FMT_NONE; ++format) {
    if (*format == AV_SAMPLE_FMT_S16) return AV_SAMPLE_FMT_S16;
  }
  return codec.sample_fmts[0];
}

// The wanted rate when the encoder takes it, else the nearest one it does.
int SampleRateFor(const AVCodec& codec, int wanted) {
  if (codec.supported_samplerates == nullptr) return wanted;
  int best = codec.supported_samplerates[0];
  for (const int* rate = codec.supported_samplerates; *rate != 0; ++rate) {
    if (std::abs(*rate - wanted) < std::abs(best - wanted)) best = *rate;
  }
  return best;
}

// Writes one mono sample of value in [-1, 1] in the format (planar or not, one channel).
void PutSample(AVSampleFormat format, uint8_t* data, int index, double value) {
  switch (av_get_packed_sample_fmt(format)) {
    case AV_SAMPLE_FMT_FLT:
      reinterpret_cast<float*>(data)[index] = static_cast<float>(value);
      break;
    case AV_SAMPLE_FMT_S32:
      reinterpret_cast<int32_t*>(data)[index] = static_cast<int32_t>(value * 2'000'000'000);
      break;
    default:
      reinterpret_cast<int16_t*>(data)[index] = static_cast<int16_t>(value * 30'000);
      break;
  }
}

// Writes the pictures: a gradient moving a little with each frame.
bool WritePictures(AVFormatContext* file, Encoder& video, const MediaClip& clip) {
  av::FramePtr picture(av_frame_alloc());
  av::PacketPtr packet(av_packet_alloc());
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
    if (!Drain(file, video, packet.get())) return false;
  }
  (void)avcodec_send_frame(video.context.get(), nullptr);
  return Drain(file, video, packet.get());
}

// Writes the sound: a 440 Hz tone as long as the pictures.
bool WriteSound(AVFormatContext* file, Encoder& audio, const MediaClip& clip) {
  AVCodecContext& context = *audio.context;
  const int rate = context.sample_rate;
  const int64_t total = int64_t{rate} * clip.frames / clip.framesPerSecond;
  const int chunk = context.frame_size > 0 ? context.frame_size : 400;
  av::FramePtr sound(av_frame_alloc());
  av::PacketPtr packet(av_packet_alloc());
  for (int64_t done = 0; done < total; done += chunk) {
    sound->format = context.sample_fmt;
    sound->sample_rate = rate;
    av_channel_layout_default(&sound->ch_layout, 1);
    sound->nb_samples =
        static_cast<int>(context.frame_size > 0 ? chunk : std::min<int64_t>(chunk, total - done));
    if (av_frame_get_buffer(sound.get(), 0) < 0) return Fail("sound");
    for (int i = 0; i < sound->nb_samples; ++i)
      PutSample(context.sample_fmt, sound->data[0], i,
                0.25 * std::sin(static_cast<double>(done + i) * 2 * M_PI * 440 / rate));
    sound->pts = done;
    if (avcodec_send_frame(&context, sound.get()) < 0) return Fail("sound frame");
    av_frame_unref(sound.get());
    if (!Drain(file, audio, packet.get())) return false;
  }
  (void)avcodec_send_frame(&context, nullptr);
  return Drain(file, audio, packet.get());
}

}  // namespace

bool CanWriteMediaFile(const MediaClip& clip) {
  const auto has = [](AVCodecID id) {
    return id == AV_CODEC_ID_NONE || FindEncoder(id) != nullptr;
  };
  return has(clip.video) && has(clip.audio);
}

bool WriteMediaFile(const std::string& path, const MediaClip& clip) {
  AVFormatContext* made = nullptr;
  if (avformat_alloc_output_context2(&made, nullptr, clip.container, path.c_str()) < 0)
    return Fail("no muxer");
  av::OutputFormatPtr file(made);
  Encoder video;
  const bool jpeg = clip.video == AV_CODEC_ID_MJPEG;
  if (clip.video != AV_CODEC_ID_NONE &&
      !OpenEncoder(file.get(), clip.video, &video, [&](AVCodecContext& c) {
        c.width = clip.width;
        c.height = clip.height;
        c.time_base = AVRational{1, clip.framesPerSecond};
        c.framerate = AVRational{clip.framesPerSecond, 1};
        c.pix_fmt = jpeg ? AV_PIX_FMT_YUVJ420P : AV_PIX_FMT_YUV420P;
        c.gop_size = clip.keyFrameEvery;
        c.max_b_frames = 0;
        c.thread_count = 1;
      })) {
    return false;
  }
  Encoder audio;
  if (clip.audio != AV_CODEC_ID_NONE &&
      !OpenEncoder(file.get(), clip.audio, &audio, [&](AVCodecContext& c) {
        c.sample_rate = SampleRateFor(*c.codec, clip.sampleRate);
        c.sample_fmt = SampleFormatFor(*c.codec);
        av_channel_layout_default(&c.ch_layout, 1);
        c.time_base = AVRational{1, c.sample_rate};
        c.bit_rate = 64000;
      })) {
    return false;
  }
  if (avio_open(&file->pb, path.c_str(), AVIO_FLAG_WRITE) < 0) return Fail("opening the file");
  if (avformat_write_header(file.get(), nullptr) < 0) return Fail("writing the header");
  if (video.context && !WritePictures(file.get(), video, clip)) return false;
  if (audio.context && !WriteSound(file.get(), audio, clip)) return false;
  if (clip.finish) {
    if (av_write_trailer(file.get()) < 0) return Fail("writing the trailer");
  } else {
    (void)av_interleaved_write_frame(file.get(), nullptr);  // what is held back goes out
    avio_flush(file->pb);
  }
  avio_closep(&file->pb);
  return true;
}

}  // namespace filter_test

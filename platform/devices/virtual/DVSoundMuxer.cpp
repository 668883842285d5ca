#include "devices/virtual/DVSoundMuxer.h"

extern "C" {
#include <libavformat/avformat.h>
}

#include <cmath>
#include <cstring>
#include <numbers>

namespace devices {

namespace {

constexpr int kSampleRate = 48000;
constexpr int kChannels = 2;
constexpr double kToneHz = 1000;
constexpr double kToneAmplitude = 8000;
constexpr int kIoBufferSize = 32768;

}  // namespace

std::unique_ptr<DVSoundMuxer> DVSoundMuxer::Create(LONG height) {
  if (height != 480 && height != 576) return nullptr;
  std::unique_ptr<DVSoundMuxer> muxer(new DVSoundMuxer(height == 576));
  return muxer->Open() ? std::move(muxer) : nullptr;
}

DVSoundMuxer::~DVSoundMuxer() {
  av_packet_free(&packet_);
  if (context_ == nullptr) return;
  if (context_->pb != nullptr) {
    av_freep(&context_->pb->buffer);
    avio_context_free(&context_->pb);
  }
  avformat_free_context(context_);
}

int DVSoundMuxer::Collect(void* opaque, uint8_t* data, int size) {
  auto& output = static_cast<DVSoundMuxer*>(opaque)->output_;
  output.insert(output.end(), data, data + size);
  return size;
}

bool DVSoundMuxer::Open() {
  packet_ = av_packet_alloc();
  if (packet_ == nullptr || avformat_alloc_output_context2(&context_, nullptr, "dv", nullptr) < 0)
    return false;
  AVStream* video = avformat_new_stream(context_, nullptr);
  AVStream* audio = avformat_new_stream(context_, nullptr);
  if (video == nullptr || audio == nullptr) return false;
  video->codecpar->codec_type = AVMEDIA_TYPE_VIDEO;
  video->codecpar->codec_id = AV_CODEC_ID_DVVIDEO;
  video->codecpar->width = 720;
  video->codecpar->height = pal_ ? 576 : 480;
  video->codecpar->format = pal_ ? AV_PIX_FMT_YUV420P : AV_PIX_FMT_YUV411P;
  video->time_base = pal_ ? AVRational{1, 25} : AVRational{1001, 30000};
  audio->codecpar->codec_type = AVMEDIA_TYPE_AUDIO;
  audio->codecpar->codec_id = AV_CODEC_ID_PCM_S16LE;
  audio->codecpar->sample_rate = kSampleRate;
  av_channel_layout_default(&audio->codecpar->ch_layout, kChannels);
  audio->time_base = AVRational{1, kSampleRate};
  auto* buffer = static_cast<uint8_t*>(av_malloc(kIoBufferSize));
  if (buffer == nullptr) return false;
  context_->pb = avio_alloc_context(buffer, kIoBufferSize, 1, this, nullptr, &Collect, nullptr);
  if (context_->pb == nullptr) {
    av_free(buffer);
    return false;
  }
  if (avformat_write_header(context_, nullptr) < 0) return false;
  // One frame's worth ahead, so that the muxer always has the sound a frame needs.
  return WriteSound(pal_ ? 1920 : 1602);
}

bool DVSoundMuxer::WriteSound(int samples) {
  std::vector<int16_t> pcm(static_cast<size_t>(samples) * kChannels);
  const double step = 2 * std::numbers::pi * kToneHz / kSampleRate;
  for (int i = 0; i < samples; ++i) {
    const auto value = static_cast<int16_t>(std::lround(kToneAmplitude * std::sin(phase_)));
    phase_ = std::fmod(phase_ + step, 2 * std::numbers::pi);
    for (int channel = 0; channel < kChannels; ++channel)
      pcm[static_cast<size_t>(i) * kChannels + channel] = value;
  }
  if (av_new_packet(packet_, static_cast<int>(pcm.size() * sizeof(int16_t))) < 0) return false;
  std::memcpy(packet_->data, pcm.data(), pcm.size() * sizeof(int16_t));
  packet_->stream_index = 1;
  packet_->pts = samplesWritten_;
  packet_->dts = samplesWritten_;
  samplesWritten_ += samples;
  const bool written = av_write_frame(context_, packet_) >= 0;
  av_packet_unref(packet_);
  return written;
}

DWORD DVSoundMuxer::Mux(const BYTE* video, int size, LONGLONG frame, BYTE* buffer, DWORD capacity) {
  // The samples up to the end of this frame, whole ones: 1601.6 a frame at 29.97 frames/s.
  const long long perFrameNum = pal_ ? 1920 : 8008;
  const long long perFrameDen = pal_ ? 1 : 5;
  const long long due = (frame + 1) * perFrameNum / perFrameDen - frame * perFrameNum / perFrameDen;
  if (!WriteSound(static_cast<int>(due))) return 0;
  if (av_new_packet(packet_, size) < 0) return 0;
  std::memcpy(packet_->data, video, static_cast<size_t>(size));
  packet_->stream_index = 0;
  packet_->pts = frame;
  packet_->dts = frame;
  const bool written = av_write_frame(context_, packet_) >= 0;
  av_packet_unref(packet_);
  avio_flush(context_->pb);
  DWORD bytes = 0;
  if (written && !output_.empty() && output_.size() <= capacity) {
    std::memcpy(buffer, output_.data(), output_.size());
    bytes = static_cast<DWORD>(output_.size());
  }
  output_.clear();
  return bytes;
}

}  // namespace devices

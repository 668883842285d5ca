#include "devices/virtual/DVSoundMuxer.h"

#include <cmath>
#include <cstring>
#include <numbers>

#include "av/CodecParameters.h"
#include "dshow/AudioMediaType.h"
#include "dshow/Uuids.h"
#include "dshow/VideoMediaType.h"

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

DVSoundMuxer::~DVSoundMuxer() = default;

int DVSoundMuxer::Collect(void* opaque, uint8_t* data, int size) {
  auto& output = static_cast<DVSoundMuxer*>(opaque)->output_;
  output.insert(output.end(), data, data + size);
  return size;
}

bool DVSoundMuxer::Open() {
  packet_.reset(av_packet_alloc());
  AVFormatContext* context = nullptr;
  if (!packet_ || avformat_alloc_output_context2(&context, nullptr, "dv", nullptr) < 0)
    return false;
  context_.reset(context);
  AVStream* video = avformat_new_stream(context, nullptr);
  AVStream* audio = avformat_new_stream(context, nullptr);
  if (video == nullptr || audio == nullptr) return false;
  const auto videoType =
      MakeVideoMediaType(MEDIASUBTYPE_dvsd, 720, pal_ ? 576 : 480, pal_ ? 400'000 : 333'667);
  const MediaType audioType = MakePcmMediaType(kSampleRate, 16, kChannels);
  if (!videoType || !av::ToCodecParameters(videoType->Get(), *video->codecpar, &video->time_base) ||
      !av::ToCodecParameters(audioType.Get(), *audio->codecpar, &audio->time_base)) {
    return false;
  }
  // The DV profiles' own frame rates, which the muxer matches exactly.
  video->time_base = pal_ ? AVRational{1, 25} : AVRational{1001, 30000};
  auto* buffer = static_cast<uint8_t*>(av_malloc(kIoBufferSize));
  if (buffer == nullptr) return false;
  io_.reset(avio_alloc_context(buffer, kIoBufferSize, 1, this, nullptr, &Collect, nullptr));
  if (!io_) {
    av_free(buffer);
    return false;
  }
  context->pb = io_.get();
  if (avformat_write_header(context, nullptr) < 0) return false;
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
  if (av_new_packet(packet_.get(), static_cast<int>(pcm.size() * sizeof(int16_t))) < 0)
    return false;
  std::memcpy(packet_->data, pcm.data(), pcm.size() * sizeof(int16_t));
  packet_->stream_index = 1;
  packet_->pts = samplesWritten_;
  packet_->dts = samplesWritten_;
  samplesWritten_ += samples;
  const bool written = av_write_frame(context_.get(), packet_.get()) >= 0;
  av_packet_unref(packet_.get());
  return written;
}

DWORD DVSoundMuxer::Mux(const BYTE* video, int size, LONGLONG frame, BYTE* buffer, DWORD capacity) {
  // The samples up to the end of this frame, whole ones: 1601.6 a frame at 29.97 frames/s.
  const long long perFrameNum = pal_ ? 1920 : 8008;
  const long long perFrameDen = pal_ ? 1 : 5;
  const long long due = (frame + 1) * perFrameNum / perFrameDen - frame * perFrameNum / perFrameDen;
  if (!WriteSound(static_cast<int>(due))) return 0;
  if (av_new_packet(packet_.get(), size) < 0) return 0;
  std::memcpy(packet_->data, video, static_cast<size_t>(size));
  packet_->stream_index = 0;
  packet_->pts = frame;
  packet_->dts = frame;
  const bool written = av_write_frame(context_.get(), packet_.get()) >= 0;
  av_packet_unref(packet_.get());
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

#include "dshow/filters/PcmRateConverter.h"

#include <cmath>
#include <optional>

extern "C" {
#include <libavutil/channel_layout.h>
}

namespace {

std::optional<AVSampleFormat> SampleFormatOf(const WAVEFORMATEX& format) {
  if (format.wFormatTag == WAVE_FORMAT_IEEE_FLOAT && format.wBitsPerSample == 32) {
    return AV_SAMPLE_FMT_FLT;
  }
  if (format.wFormatTag != WAVE_FORMAT_PCM) return std::nullopt;
  switch (format.wBitsPerSample) {
    case 8:
      return AV_SAMPLE_FMT_U8;
    case 16:
      return AV_SAMPLE_FMT_S16;
    case 32:
      return AV_SAMPLE_FMT_S32;
    default:
      return std::nullopt;
  }
}

}  // namespace

bool PcmRateConverter::CanFollow(const WAVEFORMATEX& format, double rate) {
  if (rate == 1.0) return true;
  return rate >= kSlowest && rate <= kFastest && SampleFormatOf(format).has_value() &&
         format.nChannels > 0 && format.nSamplesPerSec > 0;
}

bool PcmRateConverter::Reset(const WAVEFORMATEX& format, double rate) {
  resampler_.reset();
  rate_ = rate;
  if (!CanFollow(format, rate)) return false;
  if (rate == 1.0) return true;
  const AVSampleFormat sampleFormat = *SampleFormatOf(format);
  AVChannelLayout layout{};
  av_channel_layout_default(&layout, format.nChannels);
  const int out = static_cast<int>(format.nSamplesPerSec);
  const int in = static_cast<int>(std::lround(format.nSamplesPerSec * rate));
  SwrContext* made = nullptr;
  const int result =
      swr_alloc_set_opts2(&made, &layout, sampleFormat, out, &layout, sampleFormat, in, 0, nullptr);
  av_channel_layout_uninit(&layout);
  resampler_.reset(made);
  if (result < 0 || swr_init(resampler_.get()) < 0) {
    resampler_.reset();
    return false;
  }
  frameBytes_ = format.nBlockAlign;
  return true;
}

const std::vector<BYTE>& PcmRateConverter::Convert(const BYTE* data, size_t bytes) {
  out_.clear();
  if (!resampler_ || frameBytes_ == 0) return out_;
  const int frames = static_cast<int>(bytes / frameBytes_);
  const int room = swr_get_out_samples(resampler_.get(), frames);
  if (room <= 0) return out_;
  out_.resize(static_cast<size_t>(room) * frameBytes_);
  uint8_t* planes[1] = {out_.data()};
  const uint8_t* in[1] = {data};
  const int converted = swr_convert(resampler_.get(), planes, room, in, frames);
  out_.resize(converted > 0 ? static_cast<size_t>(converted) * frameBytes_ : 0);
  return out_;
}

#include "devices/encoders/SoundBuffer.h"

#include <algorithm>

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/samplefmt.h>
}

namespace devices {

SoundBuffer::SoundBuffer(const SoundFormat& input, const AVCodecContext& encoder)
    : input_(input),
      format_(encoder.sample_fmt),
      channels_(encoder.ch_layout.nb_channels),
      frameSize_((encoder.codec->capabilities & AV_CODEC_CAP_VARIABLE_FRAME_SIZE) != 0
                     ? 0
                     : encoder.frame_size),
      shortLast_((encoder.codec->capabilities & AV_CODEC_CAP_SMALL_LAST_FRAME) != 0) {}

SoundBuffer::~SoundBuffer() = default;

std::unique_ptr<SoundBuffer> SoundBuffer::Create(const SoundFormat& input,
                                                 const AVCodecContext& encoder) {
  if (input.channels != encoder.ch_layout.nb_channels || input.sampleRate != encoder.sample_rate)
    return nullptr;
  if (input.bitsPerSample != 8 && input.bitsPerSample != 16) return nullptr;
  std::unique_ptr<SoundBuffer> buffer(new SoundBuffer(input, encoder));
  AVChannelLayout layout{};
  av_channel_layout_default(&layout, input.channels);
  SwrContext* resampler = nullptr;
  const AVSampleFormat inputFormat =
      input.bitsPerSample == 8 ? AV_SAMPLE_FMT_U8 : AV_SAMPLE_FMT_S16;
  const int made = swr_alloc_set_opts2(&resampler, &layout, buffer->format_, input.sampleRate,
                                       &layout, inputFormat, input.sampleRate, 0, nullptr);
  av_channel_layout_uninit(&layout);
  buffer->resampler_.reset(resampler);
  if (made < 0 || swr_init(resampler) < 0) return nullptr;
  buffer->fifo_.reset(
      av_audio_fifo_alloc(buffer->format_, buffer->channels_, std::max(buffer->frameSize_, 4096)));
  buffer->converted_.reset(av_frame_alloc());
  buffer->frame_.reset(av_frame_alloc());
  if (!buffer->fifo_ || !buffer->converted_ || !buffer->frame_) return nullptr;
  return buffer;
}

bool SoundBuffer::Add(const BYTE* bytes, std::size_t size) {
  const std::size_t frameBytes = static_cast<std::size_t>(input_.channels) *
                                 static_cast<std::size_t>(input_.bitsPerSample / 8);
  const int samples = static_cast<int>(size / frameBytes);
  if (samples == 0) return true;
  AVFrame* converted = converted_.get();
  av_frame_unref(converted);
  converted->format = format_;
  converted->nb_samples = samples;
  av_channel_layout_default(&converted->ch_layout, channels_);
  if (av_frame_get_buffer(converted, 0) < 0) return false;
  const uint8_t* in[1] = {bytes};
  const int made = swr_convert(resampler_.get(), converted->data, samples, in, samples);
  if (made < 0) return false;
  return av_audio_fifo_write(fifo_.get(), reinterpret_cast<void**>(converted->data), made) == made;
}

AVFrame* SoundBuffer::Next(bool atEnd) {
  const int held = av_audio_fifo_size(fifo_.get());
  if (held == 0) return nullptr;
  int take = frameSize_ > 0 ? std::min(held, frameSize_) : held;
  if (frameSize_ > 0 && held < frameSize_ && !atEnd) return nullptr;
  // A short last frame is padded to a whole one where the encoder needs that.
  const int size = frameSize_ > 0 && !shortLast_ ? frameSize_ : take;
  AVFrame* frame = frame_.get();
  av_frame_unref(frame);
  frame->format = format_;
  frame->nb_samples = size;
  frame->sample_rate = input_.sampleRate;
  av_channel_layout_default(&frame->ch_layout, channels_);
  if (av_frame_get_buffer(frame, 0) < 0) return nullptr;
  take = av_audio_fifo_read(fifo_.get(), reinterpret_cast<void**>(frame->data), take);
  if (take < 0) return nullptr;
  if (take < size) av_samples_set_silence(frame->data, take, size - take, channels_, format_);
  frame->pts = nextPts_;
  nextPts_ += take;
  return frame;
}

}  // namespace devices

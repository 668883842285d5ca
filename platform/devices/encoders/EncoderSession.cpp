#include "devices/encoders/EncoderSession.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <vector>

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
#include <libavutil/pixdesc.h>
}

#include "av/AvError.h"
#include "av/CodecParameters.h"
#include "com/Diagnostics.h"
#include "devices/encoders/PictureConverter.h"
#include "devices/encoders/SoundBuffer.h"
#include "dshow/AudioMediaType.h"
#include "dshow/Uuids.h"
#include "dshow/VideoMediaType.h"

namespace devices {
namespace {

constexpr REFERENCE_TIME kUnitsPerSecond = 10'000'000;
constexpr AVRational kReferenceTime{1, kUnitsPerSecond};
// A key-frame distance that never comes: only the first frame is a key frame.
constexpr int kNoMoreKeyFrames = 1 << 30;
constexpr WORD kWaveFormatMpegLayer3 = 0x0055;
constexpr WORD kWaveFormatImaAdpcm = 0x0011;

bool IsFullRange(AVPixelFormat format) {
  return format == AV_PIX_FMT_YUVJ420P || format == AV_PIX_FMT_YUVJ422P ||
         format == AV_PIX_FMT_YUVJ444P;
}

// The formats to choose from: the entry's, as far as the encoder has them, else the encoder's.
std::vector<AVPixelFormat> CandidateFormats(const AvailableEncoder& encoder) {
  std::vector<AVPixelFormat> own;
  for (const AVPixelFormat* format = encoder.codec->pix_fmts;
       format != nullptr && *format != AV_PIX_FMT_NONE; ++format) {
    own.push_back(*format);
  }
  std::vector<AVPixelFormat> chosen;
  for (AVPixelFormat format : encoder.entry->pixelFormats) {
    if (std::find(own.begin(), own.end(), format) != own.end()) chosen.push_back(format);
  }
  if (encoder.entry->pixelFormats.empty()) chosen = own;
  chosen.push_back(AV_PIX_FMT_NONE);
  return chosen;
}

// Quality 0..1 as the encoders' own scales: a quantiser of 31 (worst) to 1 (best), or x264's
// constant rate factor of 43 to 16 (23, its default, at 0.75).
int Quantiser(double quality) {
  return static_cast<int>(std::lround(31.0 - 30.0 * quality));
}
double RateFactor(double quality) {
  return 43.0 - 27.0 * quality;
}

void PutLe16(std::vector<BYTE>& bytes, unsigned value) {
  bytes.push_back(static_cast<BYTE>(value));
  bytes.push_back(static_cast<BYTE>(value >> 8));
}

void PutLe32(std::vector<BYTE>& bytes, unsigned value) {
  PutLe16(bytes, value & 0xFFFF);
  PutLe16(bytes, value >> 16);
}

bool SetExtradata(AVCodecParameters& parameters, const std::vector<BYTE>& bytes) {
  av_freep(&parameters.extradata);
  parameters.extradata_size = 0;
  parameters.extradata =
      static_cast<uint8_t*>(av_mallocz(bytes.size() + AV_INPUT_BUFFER_PADDING_SIZE));
  if (parameters.extradata == nullptr) return false;
  std::memcpy(parameters.extradata, bytes.data(), bytes.size());
  parameters.extradata_size = static_cast<int>(bytes.size());
  return true;
}

}  // namespace

EncoderSession::EncoderSession(const AvailableEncoder& encoder, av::CodecContextPtr context)
    : encoder_(encoder), context_(std::move(context)), packet_(av_packet_alloc()) {}

EncoderSession::~EncoderSession() {
  // The codec's own threads may still read pictures of the converter's pool: they end with the
  // codec context, which therefore goes first.
  context_.reset();
}

std::unique_ptr<EncoderSession> EncoderSession::Open(const AvailableEncoder& encoder,
                                                     const AM_MEDIA_TYPE& input,
                                                     const EncoderSettings& settings,
                                                     std::string* reason) {
  std::string why;
  av::CodecContextPtr context(avcodec_alloc_context3(encoder.codec));
  std::unique_ptr<EncoderSession> session(new EncoderSession(encoder, std::move(context)));
  bool opened = false;
  if (!session->context_ || !session->packet_) {
    why = "out of memory";
  } else if (encoder.entry->kind == EncoderKind::kVideo) {
    opened = session->OpenVideo(input, settings, &why) && session->MakeOutputType(&why);
  } else {
    opened = session->OpenAudio(input, settings, &why) && session->MakeOutputType(&why);
  }
  if (!opened) {
    if (reason != nullptr) *reason = why;
    return nullptr;
  }
  return session;
}

bool EncoderSession::OpenVideo(const AM_MEDIA_TYPE& input, const EncoderSettings& settings,
                               std::string* reason) {
  const auto layout = PictureLayoutOf(input);
  if (!layout) {
    *reason = "takes uncompressed RGB24, RGB32, YUY2, UYVY, NV12, I420 or YV12 pictures, not " +
              (input.majortype == MEDIATYPE_Video ? SubtypeText(input.subtype)
                                                  : std::string("a type that is not video"));
    return false;
  }
  const std::vector<AVPixelFormat> candidates = CandidateFormats(encoder_);
  const AVPixelFormat format =
      avcodec_find_best_pix_fmt_of_list(candidates.data(), layout->format, 0, nullptr);
  if (format == AV_PIX_FMT_NONE) {
    *reason = "has no pixel format to encode in";
    return false;
  }
  const auto video = ReadVideoFormat(input);
  AVCodecContext* context = context_.get();
  context->width = layout->width;
  context->height = layout->height;
  context->pix_fmt = format;
  context->color_range = IsFullRange(format) ? AVCOL_RANGE_JPEG : AVCOL_RANGE_MPEG;
  AVRational interval{1, 30};
  if (video->avgTimePerFrame > 0 && video->avgTimePerFrame < INT_MAX) {
    av_reduce(&interval.num, &interval.den, video->avgTimePerFrame, kUnitsPerSecond, INT_MAX);
  }
  context->time_base = interval;
  context->framerate = av_inv_q(interval);
  // FFmpeg's own threads: as many as the machine has, frames and slices as the encoder can.
  context->thread_count = 0;
  context->thread_type = FF_THREAD_FRAME | FF_THREAD_SLICE;
  // An AVI keeps no presentation times apart from the order: no frames out of order.
  context->max_b_frames = 0;
  const EncoderEntry& entry = *encoder_.entry;
  if (entry.temporal) {
    const LONG keyFrames = settings.keyFrameRate < 0 ? kDefaultKeyFrameRate : settings.keyFrameRate;
    context->gop_size = keyFrames == 0 ? kNoMoreKeyFrames : keyFrames;
  }
  if (!entry.lossless) {
    const double quality = settings.quality < 0 ? kDefaultEncoderQuality : settings.quality;
    if (settings.bitRate > 0) {
      context->bit_rate = settings.bitRate;
    } else if (std::string_view(encoder_.codec->name) == "libx264") {
      (void)av_opt_set_double(context->priv_data, "crf", RateFactor(quality), 0);  // checked
    } else {
      context->flags |= AV_CODEC_FLAG_QSCALE;
      context->global_quality = FF_QP2LAMBDA * Quantiser(quality);
    }
  }
  if (std::string_view(encoder_.codec->name) == "ffv1") {
    // Version 3: slices coded in parallel, with checksums; its codec data goes in the header.
    context->level = 3;
  }
  if (std::string_view(encoder_.codec->name) == "libx264") {
    // By default fast enough to keep up with a camera on a small machine.
    const std::vector<std::string>& presets = EncoderPresets(encoder_.codec->name);
    const std::size_t preset = static_cast<std::size_t>(settings.preset);
    const char* name =
        settings.preset >= 0 && preset < presets.size() ? presets[preset].c_str() : "veryfast";
    (void)av_opt_set(context->priv_data, "preset", name, 0);  // a missing preset is no fault
    // Only x264's errors reach the log, not its statistics at every close.
    (void)av_opt_set(context->priv_data, "x264-params", "log=0", 0);  // as the preset
  }
  const int opened = avcodec_open2(context, encoder_.codec, nullptr);
  if (opened < 0) {
    *reason = std::string("cannot encode ") + std::to_string(layout->width) + "x" +
              std::to_string(layout->height) + " " + av_get_pix_fmt_name(format) + ": " +
              av::ErrorText(opened);
    return false;
  }
  pictures_ = PictureConverter::Create(*layout, format);
  if (!pictures_) {
    *reason = std::string("cannot convert the pictures to ") + av_get_pix_fmt_name(format);
    return false;
  }
  // Lossless coding of noise can outgrow the picture; the codec data comes on top.
  maxPacket_ =
      static_cast<std::size_t>(layout->width) * static_cast<std::size_t>(layout->height) * 5 +
      65536;
  return true;
}

bool EncoderSession::OpenAudio(const AM_MEDIA_TYPE& input, const EncoderSettings& settings,
                               std::string* reason) {
  const WAVEFORMATEX* wave = WaveFormatOf(input);
  if (input.majortype != MEDIATYPE_Audio || wave == nullptr ||
      wave->wFormatTag != WAVE_FORMAT_PCM ||
      (wave->wBitsPerSample != 8 && wave->wBitsPerSample != 16) || wave->nChannels == 0 ||
      wave->nSamplesPerSec == 0) {
    *reason = "takes 8-bit or 16-bit PCM sound only";
    return false;
  }
  const AVCodec* codec = encoder_.codec;
  const int rate = static_cast<int>(wave->nSamplesPerSec);
  const int channels = wave->nChannels;
  if (codec->supported_samplerates != nullptr) {
    bool found = false;
    for (const int* r = codec->supported_samplerates; *r != 0; ++r)
      found = found || *r == rate;
    if (!found) {
      *reason = "cannot encode " + std::to_string(rate) + " samples a second";
      return false;
    }
  }
  AVCodecContext* context = context_.get();
  // 16-bit samples where the encoder takes them, else its first format.
  context->sample_fmt = codec->sample_fmts != nullptr ? codec->sample_fmts[0] : AV_SAMPLE_FMT_S16;
  for (const AVSampleFormat* f = codec->sample_fmts; f != nullptr && *f != AV_SAMPLE_FMT_NONE;
       ++f) {
    if (*f == AV_SAMPLE_FMT_S16 || *f == AV_SAMPLE_FMT_S16P) {
      context->sample_fmt = *f;
      break;
    }
  }
  context->sample_rate = rate;
  av_channel_layout_default(&context->ch_layout, channels);
  context->time_base = AVRational{1, rate};
  if (encoder_.entry->tag == kWaveFormatMpegLayer3) {
    // Constant bit rate: 64 kbit/s a channel unless set.
    context->bit_rate = settings.bitRate > 0 ? settings.bitRate : 64000 * std::min(channels, 2);
  } else if (settings.bitRate > 0) {
    context->bit_rate = settings.bitRate;
  }
  context->thread_count = 0;
  const int opened = avcodec_open2(context, codec, nullptr);
  if (opened < 0) {
    *reason = "cannot encode " + std::to_string(channels) + " channels at " + std::to_string(rate) +
              " Hz: " + av::ErrorText(opened);
    return false;
  }
  sound_ = SoundBuffer::Create({rate, channels, wave->wBitsPerSample}, *context);
  if (!sound_) {
    *reason = "cannot convert the sound to the encoder's samples";
    return false;
  }
  const int frame = context->frame_size > 0 ? context->frame_size : rate;
  maxPacket_ = static_cast<std::size_t>(
                   av_samples_get_buffer_size(nullptr, channels, frame, AV_SAMPLE_FMT_S32, 1)) +
               65536;
  return true;
}

bool EncoderSession::MakeOutputType(std::string* reason) {
  AVCodecParameters* parameters = avcodec_parameters_alloc();
  if (parameters == nullptr) return false;
  struct Free {
    AVCodecParameters* p;
    ~Free() { avcodec_parameters_free(&p); }
  } freeParameters{parameters};
  if (avcodec_parameters_from_context(parameters, context_.get()) < 0) return false;
  const EncoderEntry& entry = *encoder_.entry;
  parameters->codec_tag = entry.tag;
  std::optional<MediaType> type;
  if (entry.kind == EncoderKind::kVideo) {
    type = av::ToMediaType(*parameters, context_->framerate);
  } else {
    const int frame = context_->frame_size;
    if (parameters->bit_rate == 0 && parameters->block_align > 0 && frame > 0) {
      parameters->bit_rate =
          static_cast<int64_t>(parameters->block_align) * 8 * parameters->sample_rate / frame;
    }
    std::vector<BYTE> extra;
    if (entry.tag == kWaveFormatMpegLayer3) {
      // MPEGLAYER3WAVEFORMAT: id, flags (no padding), block size, frames per block, delay.
      parameters->block_align = 1;
      PutLe16(extra, 1);
      PutLe32(extra, 2);
      PutLe16(extra, static_cast<unsigned>(144 * parameters->bit_rate / parameters->sample_rate));
      PutLe16(extra, 1);
      PutLe16(extra, static_cast<unsigned>(context_->initial_padding));
    } else if (entry.tag == kWaveFormatImaAdpcm) {
      PutLe16(extra, static_cast<unsigned>(frame));  // samples per block
    }
    if (!extra.empty() && !SetExtradata(*parameters, extra)) return false;
    type = av::ToMediaType(*parameters, AVRational{0, 1});
  }
  if (!type) {
    *reason = "makes a stream no media type describes";
    return false;
  }
  output_ = std::move(*type);
  if (entry.kind == EncoderKind::kVideo) {
    output_->bTemporalCompression = entry.temporal ? TRUE : FALSE;
    output_->bFixedSizeSamples = FALSE;
    output_->lSampleSize = 0;
  }
  return true;
}

EncodedPacket EncoderSession::Describe(const AVPacket& packet) {
  EncodedPacket described;
  described.data = packet.data;
  described.size = static_cast<std::size_t>(packet.size);
  described.keyFrame = (packet.flags & AV_PKT_FLAG_KEY) != 0;
  if (pictures_) {
    const auto found = pending_.find(packet.pts);
    if (found != pending_.end()) {
      described.hasTimes = found->second.has;
      described.start = found->second.start;
      described.stop = found->second.stop;
      // Frames before this one that never came out (dropped by the encoder) are forgotten too.
      pending_.erase(pending_.begin(), std::next(found));
    }
  } else if (soundStart_.has && packet.pts != AV_NOPTS_VALUE) {
    // Sound runs on from the first sample's time, by the samples before the packet; the
    // encoder's delay (negative times) counts from that time.
    const AVRational rate{1, context_->sample_rate};
    described.hasTimes = true;
    described.start =
        soundStart_.start + std::max<int64_t>(av_rescale_q(packet.pts, rate, kReferenceTime), 0);
    described.stop = described.start + av_rescale_q(packet.duration, rate, kReferenceTime);
  }
  return described;
}

HRESULT EncoderSession::Send(const AVFrame* frame, const PacketSink& sink) {
  const int sent = avcodec_send_frame(context_.get(), frame);
  if (sent < 0 && sent != AVERROR_EOF) {
    diag::Warn("devices",
               std::string(encoder_.codec->name) + " cannot take a frame: " + av::ErrorText(sent));
    return E_FAIL;
  }
  for (;;) {
    const int received = avcodec_receive_packet(context_.get(), packet_.get());
    if (received == AVERROR(EAGAIN) || received == AVERROR_EOF) return S_OK;
    if (received < 0) {
      diag::Warn("devices",
                 std::string(encoder_.codec->name) + " cannot encode: " + av::ErrorText(received));
      return E_FAIL;
    }
    const HRESULT hr = packet_->size > 0 ? sink(Describe(*packet_)) : S_OK;
    av_packet_unref(packet_.get());
    if (FAILED(hr)) return hr;
  }
}

HRESULT EncoderSession::Encode(const BYTE* data, std::size_t size, const REFERENCE_TIME* start,
                               const REFERENCE_TIME* stop, const PacketSink& sink) {
  if (finished_) return VFW_E_WRONG_STATE;
  if (pictures_) {
    AVFrame* frame = pictures_->Convert(data, size);
    if (frame == nullptr) {
      diag::Debug("devices", "a picture of ", size, " bytes is too short; left out");
      return S_FALSE;
    }
    frame->pts = nextPts_++;
    Times times;
    if (start != nullptr) {
      times.has = true;
      times.start = *start;
      times.stop = stop != nullptr ? *stop : *start;
    }
    pending_[frame->pts] = times;
    return Send(frame, sink);
  }
  if (!soundStart_.has && start != nullptr) {
    soundStart_.has = true;
    soundStart_.start = *start;
  }
  if (!sound_->Add(data, size)) return E_FAIL;
  while (AVFrame* frame = sound_->Next(false)) {
    const HRESULT hr = Send(frame, sink);
    if (FAILED(hr)) return hr;
  }
  return S_OK;
}

HRESULT EncoderSession::Finish(const PacketSink& sink) {
  if (finished_) return S_OK;
  finished_ = true;
  if (sound_) {
    while (AVFrame* frame = sound_->Next(true)) {
      const HRESULT hr = Send(frame, sink);
      if (FAILED(hr)) return hr;
    }
  }
  return Send(nullptr, sink);
}

}  // namespace devices

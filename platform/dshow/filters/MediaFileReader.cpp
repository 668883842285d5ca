#include "dshow/filters/MediaFileReader.h"

#include <algorithm>
#include <cerrno>

#include "av/AvError.h"
#include "av/CodecParameters.h"
#include "com/Diagnostics.h"
#include "dshow/filters/MediaFileLimits.h"

namespace dshow {

namespace {

constexpr AVRational kReferenceTime{1, 10'000'000};

struct CodecParametersFree {
  void operator()(AVCodecParameters* parameters) const { avcodec_parameters_free(&parameters); }
};
using CodecParametersPtr = std::unique_ptr<AVCodecParameters, CodecParametersFree>;

HRESULT OpenFailure(int error) {
  if (error == AVERROR(ENOENT) || error == AVERROR(ENOTDIR)) return VFW_E_NOT_FOUND;
  if (error == AVERROR(EACCES) || error == AVERROR(EPERM)) return E_ACCESSDENIED;
  return VFW_E_UNKNOWN_FILE_TYPE;
}

// The codec tag an AVI would give the codec: containers with tags of their own (MP4's "mp4v",
// "mp4a") would otherwise name a subtype nobody downstream knows.
unsigned RiffTag(const AVCodecParameters& parameters) {
  const AVCodecTag* const video[] = {avformat_get_riff_video_tags(), nullptr};
  const AVCodecTag* const audio[] = {avformat_get_riff_audio_tags(), nullptr};
  const AVCodecTag* const* tags = parameters.codec_type == AVMEDIA_TYPE_VIDEO ? video : audio;
  if (parameters.codec_tag != 0 &&
      av_codec_get_id(tags, parameters.codec_tag) == parameters.codec_id)
    return parameters.codec_tag;
  return 0;  // ToMediaType then takes the codec's own tag
}

// Starts beyond this (AV_TIME_BASE units) are clamped, so that differences of two never overflow.
constexpr int64_t kMaxStart = kMaxMediaTime / 10;

int64_t ClampedStart(int64_t start) {
  if (start == AV_NOPTS_VALUE) return 0;
  return std::clamp<int64_t>(start, -kMaxStart, kMaxStart);
}

// Where the stream starts, AV_TIME_BASE units.
int64_t StreamStart(const AVStream& stream) {
  if (stream.start_time == AV_NOPTS_VALUE) return 0;
  const int64_t start =
      av_rescale_q(stream.start_time, stream.time_base, AVRational{1, AV_TIME_BASE});
  if (start == INT64_MIN) return stream.start_time < 0 ? -kMaxStart : kMaxStart;
  return ClampedStart(start);
}

// The frame rate the file gives a video stream, or {0, 1} when it gives none or one whose
// frame interval is outside a millionth of a second to an hour.
AVRational FrameRate(const AVStream& stream) {
  AVRational rate = stream.avg_frame_rate;
  if (rate.num <= 0 || rate.den <= 0) rate = stream.r_frame_rate;
  if (rate.num <= 0 || rate.den <= 0) return AVRational{0, 1};
  const int64_t interval = av_rescale(10'000'000, rate.den, rate.num);
  if (interval < 10 || interval > 10'000'000LL * 3600) return AVRational{0, 1};
  return rate;
}

// Whether the stream is one the framework may carry at all: sizes within the limits.
bool Sane(const AVCodecParameters& found) {
  if (found.codec_type == AVMEDIA_TYPE_VIDEO) return SanePicture(found.width, found.height);
  return SaneSound(found.sample_rate, found.ch_layout.nb_channels);
}

bool IntraOnly(const AVCodecParameters& parameters) {
  if (parameters.codec_type != AVMEDIA_TYPE_VIDEO) return true;
  const AVCodecDescriptor* descriptor = avcodec_descriptor_get(parameters.codec_id);
  return descriptor != nullptr && (descriptor->props & AV_CODEC_PROP_INTRA_ONLY) != 0;
}

}  // namespace

std::unique_ptr<MediaFileReader> MediaFileReader::Open(const std::string& path, HRESULT* result) {
  std::unique_ptr<MediaFileReader> reader(new MediaFileReader());
  const HRESULT hr = reader->ProbeFile(path);
  if (result != nullptr) *result = hr;
  if (FAILED(hr)) return nullptr;
  return reader;
}

HRESULT MediaFileReader::ProbeFile(const std::string& path) {
  packet_.reset(av_packet_alloc());
  if (!packet_) return E_OUTOFMEMORY;
  limits_ = CurrentMediaFileLimits();
  AVFormatContext* context = avformat_alloc_context();
  if (context == nullptr) return E_OUTOFMEMORY;
  // Probing reads a bounded part of the file, and opening as a whole ends at a deadline.
  context->probesize = limits_.probeBytes;
  context->max_analyze_duration = limits_.analyzeMicroseconds;
  context->interrupt_callback = deadline_.Callback();
  deadline_.Arm(limits_.openMilliseconds);
  // Local files only: a playlist inside the file (HLS, concat) must not make the player reach
  // the network or other protocols.
  AVDictionary* options = nullptr;
  av_dict_set(&options, "protocol_whitelist", "file", 0);
  const int opened = avformat_open_input(&context, path.c_str(), nullptr, &options);
  av_dict_free(&options);
  if (opened < 0) {  // libavformat freed the context
    diag::Debug("dshow", "cannot open ", path, ": ", av::ErrorText(opened));
    return OpenFailure(opened);
  }
  context_.reset(context);
  if (avformat_find_stream_info(context, nullptr) < 0 || deadline_.Expired()) {
    return VFW_E_UNKNOWN_FILE_TYPE;
  }
  origin_ = ClampedStart(context->start_time);
  for (unsigned i = 0; i < context->nb_streams; ++i) {
    AVStream* stream = context->streams[i];
    const AVCodecParameters& found = *stream->codecpar;
    if (found.codec_type != AVMEDIA_TYPE_VIDEO && found.codec_type != AVMEDIA_TYPE_AUDIO) continue;
    if (!Sane(found)) {
      diag::Debug("dshow", path, ": stream ", i, " is beyond the limits; left out");
      continue;
    }
    CodecParametersPtr parameters(avcodec_parameters_alloc());
    if (!parameters || avcodec_parameters_copy(parameters.get(), &found) < 0) return E_OUTOFMEMORY;
    parameters->codec_tag = RiffTag(found);
    const AVRational rate = FrameRate(*stream);
    auto type = av::ToMediaType(*parameters, rate);
    if (!type) {
      diag::Debug("dshow", path, ": stream ", i, " (", avcodec_get_name(found.codec_id),
                  ") has no media type");
      continue;
    }
    MediaStreamInfo info;
    info.index = static_cast<int>(i);
    info.type = std::move(*type);
    info.video = found.codec_type == AVMEDIA_TYPE_VIDEO;
    info.intraOnly = IntraOnly(found);
    info.duration = SaneDuration(stream->duration, stream->time_base);
    if (info.duration == 0 && context->duration > 0) {
      // The file's length less where this stream starts in it.
      const int64_t late = std::max<int64_t>(StreamStart(*stream) - origin_, 0);
      info.duration = SaneDuration(context->duration - late, AVRational{1, AV_TIME_BASE});
    }
    if (info.video && rate.num > 0 && rate.den > 0)
      info.frameInterval = av_rescale(10'000'000, rate.den, rate.num);
    duration_ = std::max(duration_, info.duration);
    streams_.push_back(std::move(info));
  }
  if (streams_.empty()) {
    diag::Debug("dshow", path, ": no stream the framework can carry");
    return VFW_E_UNKNOWN_FILE_TYPE;
  }
  return S_OK;
}

void MediaFileReader::Choose(int index) {
  chosen_ = index;
  // The chosen stream's times count from its own start.
  origin_ = StreamStart(*context_->streams[index]);
  for (unsigned i = 0; i < context_->nb_streams; ++i) {
    context_->streams[i]->discard =
        static_cast<int>(i) == index ? AVDISCARD_DEFAULT : AVDISCARD_ALL;
  }
}

HRESULT MediaFileReader::Read(MediaPacket* packet) {
  AVPacket* read = packet_.get();
  // Skipping the other streams' packets counts against the same deadline.
  deadline_.Arm(limits_.readMilliseconds);
  for (;;) {
    av_packet_unref(read);
    const int result = av_read_frame(context_.get(), read);
    if (result == AVERROR_EOF) return S_FALSE;
    if (result < 0) {
      // A file cut short ends in a damaged chunk: what came before it is the whole stream. A
      // file that stalls past the deadline (AVERROR_EXIT) ends there as well.
      diag::Debug("dshow", "reading stops: ", av::ErrorText(result));
      return S_FALSE;
    }
    if (read->stream_index == chosen_) break;
  }
  const AVStream* stream = context_->streams[chosen_];
  const int64_t when = read->pts != AV_NOPTS_VALUE ? read->pts : read->dts;
  REFERENCE_TIME start = next_;
  if (when != AV_NOPTS_VALUE) {
    start =
        ClampedTime(when, stream->time_base) - ClampedTime(origin_, AVRational{1, AV_TIME_BASE});
  }
  REFERENCE_TIME length = SaneDuration(read->duration, stream->time_base);
  if (length <= 0) {
    const AVCodecParameters& parameters = *stream->codecpar;
    const int64_t bytesPerSecond = parameters.bit_rate / 8;
    const AVRational rate = FrameRate(*stream);
    if (parameters.codec_type == AVMEDIA_TYPE_AUDIO && bytesPerSecond > 0) {
      length = read->size * 10'000'000LL / bytesPerSecond;
    } else if (rate.num > 0) {
      length = av_rescale(10'000'000, rate.den, rate.num);
    }
  }
  start = std::clamp<REFERENCE_TIME>(start, -kMaxMediaTime, kMaxMediaTime);
  length = std::clamp<REFERENCE_TIME>(length, 1, kMaxMediaTime);
  packet->data = read->data;
  packet->size = static_cast<size_t>(std::max(read->size, 0));
  packet->start = start;
  packet->stop = start + length;
  packet->keyFrame = (read->flags & AV_PKT_FLAG_KEY) != 0;
  next_ = packet->stop;
  return S_OK;
}

void MediaFileReader::Seek(REFERENCE_TIME time) {
  AVFormatContext* context = context_.get();
  const AVStream* stream = context->streams[chosen_];
  // Stream times of the targets; libavutil answers INT64_MIN where one would overflow.
  const int64_t origin = av_rescale_q(origin_, AVRational{1, AV_TIME_BASE}, stream->time_base);
  const int64_t offset = av_rescale_q(std::clamp<REFERENCE_TIME>(time, 0, kMaxMediaTime),
                                      kReferenceTime, stream->time_base);
  const bool overflows =
      origin == INT64_MIN || offset == INT64_MIN || (origin > 0 && offset > INT64_MAX - origin);
  const int64_t target = overflows ? origin : offset + origin;
  next_ = 0;
  deadline_.Arm(limits_.readMilliseconds);
  if (time > 0 && !overflows && av_seek_frame(context, chosen_, target, AVSEEK_FLAG_BACKWARD) >= 0)
    return;
  // From the start: without an index a file is read through up to the target.
  if (origin != INT64_MIN && av_seek_frame(context, chosen_, origin, AVSEEK_FLAG_BACKWARD) >= 0)
    return;
  if (avformat_seek_file(context, -1, INT64_MIN, 0, 0, AVSEEK_FLAG_BYTE) < 0 &&
      avio_seek(context->pb, 0, SEEK_SET) < 0) {
    diag::Warn("dshow", "a media file cannot go back to its start");
  }
}

}  // namespace dshow

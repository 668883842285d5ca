#include "dshow/filters/MediaFileReader.h"

#include <algorithm>
#include <cerrno>

#include "av/AvError.h"
#include "av/CodecParameters.h"
#include "com/Diagnostics.h"

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

// Where the stream starts, AV_TIME_BASE units.
int64_t StreamStart(const AVStream& stream) {
  if (stream.start_time == AV_NOPTS_VALUE) return 0;
  return av_rescale_q(stream.start_time, stream.time_base, AVRational{1, AV_TIME_BASE});
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
  AVFormatContext* context = nullptr;
  const int opened = avformat_open_input(&context, path.c_str(), nullptr, nullptr);
  if (opened < 0) {
    diag::Debug("dshow", "cannot open ", path, ": ", av::ErrorText(opened));
    return OpenFailure(opened);
  }
  context_.reset(context);
  if (avformat_find_stream_info(context, nullptr) < 0) return VFW_E_UNKNOWN_FILE_TYPE;
  origin_ = context->start_time != AV_NOPTS_VALUE ? context->start_time : 0;
  for (unsigned i = 0; i < context->nb_streams; ++i) {
    AVStream* stream = context->streams[i];
    const AVCodecParameters& found = *stream->codecpar;
    if (found.codec_type != AVMEDIA_TYPE_VIDEO && found.codec_type != AVMEDIA_TYPE_AUDIO) continue;
    if (found.codec_type == AVMEDIA_TYPE_VIDEO && (found.width <= 0 || found.height <= 0)) continue;
    CodecParametersPtr parameters(avcodec_parameters_alloc());
    if (!parameters || avcodec_parameters_copy(parameters.get(), &found) < 0) return E_OUTOFMEMORY;
    parameters->codec_tag = RiffTag(found);
    AVRational rate = stream->avg_frame_rate;
    if (rate.num <= 0 || rate.den <= 0) rate = stream->r_frame_rate;
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
    if (stream->duration != AV_NOPTS_VALUE && stream->duration > 0) {
      info.duration = av_rescale_q(stream->duration, stream->time_base, kReferenceTime);
    } else if (context->duration != AV_NOPTS_VALUE && context->duration > 0) {
      // The file's length less where this stream starts in it.
      const int64_t late = std::max<int64_t>(StreamStart(*stream) - origin_, 0);
      info.duration =
          av_rescale_q(context->duration - late, AVRational{1, AV_TIME_BASE}, kReferenceTime);
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
  for (;;) {
    av_packet_unref(read);
    const int result = av_read_frame(context_.get(), read);
    if (result == AVERROR_EOF) return S_FALSE;
    if (result < 0) {
      // A file cut short ends in a damaged chunk: what came before it is the whole stream.
      diag::Debug("dshow", "reading stops: ", av::ErrorText(result));
      return S_FALSE;
    }
    if (read->stream_index == chosen_) break;
  }
  const AVStream* stream = context_->streams[chosen_];
  const int64_t when = read->pts != AV_NOPTS_VALUE ? read->pts : read->dts;
  REFERENCE_TIME start = next_;
  if (when != AV_NOPTS_VALUE) {
    start = av_rescale_q(when, stream->time_base, kReferenceTime) -
            av_rescale_q(origin_, AVRational{1, AV_TIME_BASE}, kReferenceTime);
  }
  REFERENCE_TIME length =
      read->duration > 0 ? av_rescale_q(read->duration, stream->time_base, kReferenceTime) : 0;
  if (length <= 0) {
    const AVCodecParameters& parameters = *stream->codecpar;
    const int64_t bytesPerSecond = parameters.bit_rate / 8;
    if (parameters.codec_type == AVMEDIA_TYPE_AUDIO && bytesPerSecond > 0) {
      length = read->size * 10'000'000LL / bytesPerSecond;
    } else if (stream->avg_frame_rate.num > 0 && stream->avg_frame_rate.den > 0) {
      length = av_rescale(10'000'000, stream->avg_frame_rate.den, stream->avg_frame_rate.num);
    }
  }
  packet->data = read->data;
  packet->size = static_cast<size_t>(std::max(read->size, 0));
  packet->start = start;
  packet->stop = start + std::max<REFERENCE_TIME>(length, 1);
  packet->keyFrame = (read->flags & AV_PKT_FLAG_KEY) != 0;
  next_ = packet->stop;
  return S_OK;
}

void MediaFileReader::Seek(REFERENCE_TIME time) {
  AVFormatContext* context = context_.get();
  const AVStream* stream = context->streams[chosen_];
  const int64_t origin = av_rescale_q(origin_, AVRational{1, AV_TIME_BASE}, stream->time_base);
  const int64_t target =
      av_rescale_q(std::max<REFERENCE_TIME>(time, 0), kReferenceTime, stream->time_base) + origin;
  next_ = 0;
  if (time > 0 && av_seek_frame(context, chosen_, target, AVSEEK_FLAG_BACKWARD) >= 0) return;
  // From the start: without an index a file is read through up to the target.
  if (av_seek_frame(context, chosen_, origin, AVSEEK_FLAG_BACKWARD) >= 0) return;
  if (avformat_seek_file(context, -1, INT64_MIN, 0, 0, AVSEEK_FLAG_BYTE) < 0 &&
      avio_seek(context->pb, 0, SEEK_SET) < 0) {
    diag::Warn("dshow", "a media file cannot go back to its start");
  }
}

}  // namespace dshow

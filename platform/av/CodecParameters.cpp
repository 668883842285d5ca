#include "av/CodecParameters.h"

#include <cstdlib>
#include <cstring>
#include <vector>

extern "C" {
#include <libavutil/channel_layout.h>
}

#include "dshow/AudioMediaType.h"
#include "dshow/Uuids.h"
#include "dshow/VideoMediaType.h"

namespace av {

namespace {

constexpr REFERENCE_TIME kUnitsPerSecond = 10'000'000;

// The pixel layout of each uncompressed subtype that an AVI carries.
struct RawVideo {
  const GUID* subtype;
  AVPixelFormat format;
};

constexpr RawVideo kRawVideo[] = {
    {&MEDIASUBTYPE_RGB24, AV_PIX_FMT_BGR24},    {&MEDIASUBTYPE_RGB32, AV_PIX_FMT_BGRA},
    {&MEDIASUBTYPE_ARGB32, AV_PIX_FMT_BGRA},    {&MEDIASUBTYPE_RGB555, AV_PIX_FMT_RGB555LE},
    {&MEDIASUBTYPE_YUY2, AV_PIX_FMT_YUYV422},   {&MEDIASUBTYPE_YUYV, AV_PIX_FMT_YUYV422},
    {&MEDIASUBTYPE_UYVY, AV_PIX_FMT_UYVY422},   {&MEDIASUBTYPE_YVYU, AV_PIX_FMT_YVYU422},
    {&MEDIASUBTYPE_YV12, AV_PIX_FMT_YUV420P},   {&MEDIASUBTYPE_I420, AV_PIX_FMT_YUV420P},
    {&MEDIASUBTYPE_IYUV, AV_PIX_FMT_YUV420P},   {&MEDIASUBTYPE_NV12, AV_PIX_FMT_NV12},
    {&MEDIASUBTYPE_Y411, AV_PIX_FMT_UYYVYY411}, {&MEDIASUBTYPE_Y41P, AV_PIX_FMT_NONE},
    {&MEDIASUBTYPE_YVU9, AV_PIX_FMT_YUV410P},   {&MEDIASUBTYPE_Y800, AV_PIX_FMT_GRAY8},
};

const RawVideo* FindRawVideo(const GUID& subtype) {
  for (const RawVideo& raw : kRawVideo) {
    if (*raw.subtype == subtype) return &raw;
  }
  return nullptr;
}

const AVCodecTag* const kVideoTags[] = {avformat_get_riff_video_tags(), nullptr};
const AVCodecTag* const kAudioTags[] = {avformat_get_riff_audio_tags(), nullptr};

struct ExtraTag {
  AVCodecID codec;
  DWORD tag;
};

// Codecs of common files that libavformat's RIFF tables have no tag for, under the names other
// programs give them in AVI and WAV files; the first of a codec is the one it gets.
constexpr ExtraTag kExtraVideoTags[] = {{AV_CODEC_ID_HEVC, MakeFourCC('H', 'E', 'V', 'C')},
                                        {AV_CODEC_ID_HEVC, MakeFourCC('H', '2', '6', '5')},
                                        {AV_CODEC_ID_HEVC, MakeFourCC('h', 'v', 'c', '1')},
                                        {AV_CODEC_ID_HEVC, MakeFourCC('h', 'e', 'v', '1')}};
constexpr ExtraTag kExtraAudioTags[] = {{AV_CODEC_ID_OPUS, 0x704F}, {AV_CODEC_ID_ALAC, 0x6C61}};

template <std::size_t N>
AVCodecID CodecOfTag(const AVCodecTag* const* tables, const ExtraTag (&extra)[N], DWORD tag) {
  const AVCodecID codec = av_codec_get_id(tables, tag);
  if (codec != AV_CODEC_ID_NONE) return codec;
  for (const ExtraTag& entry : extra) {
    if (entry.tag == tag) return entry.codec;
  }
  return AV_CODEC_ID_NONE;
}

// The codec's tag; a tag the parameters carry is kept when it names that codec (an MP4 or
// Matroska file's own tags do not). 0 when there is none.
template <std::size_t N>
DWORD TagOfCodec(const AVCodecTag* const* tables, const ExtraTag (&extra)[N],
                 const AVCodecParameters& parameters, DWORD limit) {
  const DWORD carried = parameters.codec_tag;
  if (carried != 0 && carried <= limit && CodecOfTag(tables, extra, carried) == parameters.codec_id)
    return carried;
  if (const unsigned tag = av_codec_get_tag(tables, parameters.codec_id); tag != 0) return tag;
  for (const ExtraTag& entry : extra) {
    if (entry.codec == parameters.codec_id) return entry.tag;
  }
  return 0;
}

bool SetExtradata(AVCodecParameters& parameters, const BYTE* data, size_t size) {
  if (size == 0) return true;
  parameters.extradata = static_cast<uint8_t*>(av_mallocz(size + AV_INPUT_BUFFER_PADDING_SIZE));
  if (parameters.extradata == nullptr) return false;
  std::memcpy(parameters.extradata, data, size);
  parameters.extradata_size = static_cast<int>(size);
  return true;
}

// The bitmap header and what follows it inside the format block.
const BITMAPINFOHEADER* BitmapHeader(const AM_MEDIA_TYPE& type, size_t* following) {
  size_t offset = 0;
  if (type.formattype == FORMAT_VideoInfo) offset = offsetof(VIDEOINFOHEADER, bmiHeader);
  if (type.formattype == FORMAT_VideoInfo2) offset = offsetof(VIDEOINFOHEADER2, bmiHeader);
  const BITMAPINFOHEADER* header = BitmapHeaderOf(type);
  if (header == nullptr) return nullptr;
  *following = type.cbFormat - offset - sizeof(BITMAPINFOHEADER);
  return header;
}

// The sampling of DV pictures, which the DV muxer needs to find the profile: 4:2:0 for 625-line
// consumer DV, 4:1:1 for 525 lines and DVCPRO, 4:2:2 for the 50 Mbit/s and HD variants.
AVPixelFormat DVPixelFormat(const GUID& subtype, int height) {
  if (subtype == MEDIASUBTYPE_dv50 || subtype == MEDIASUBTYPE_dvhd) return AV_PIX_FMT_YUV422P;
  if (subtype == MEDIASUBTYPE_dvsd && height == 576) return AV_PIX_FMT_YUV420P;
  return AV_PIX_FMT_YUV411P;
}

bool IsDVSubtype(const GUID& subtype) {
  return subtype == MEDIASUBTYPE_dvsd || subtype == MEDIASUBTYPE_dv25 ||
         subtype == MEDIASUBTYPE_dvsl || subtype == MEDIASUBTYPE_dv50 ||
         subtype == MEDIASUBTYPE_dvhd;
}

bool InterleavedDVToParameters(const AM_MEDIA_TYPE& type, AVCodecParameters& parameters,
                               AVRational* timeBase) {
  if (type.subtype != MEDIASUBTYPE_dvsd && type.subtype != MEDIASUBTYPE_dv25) return false;
  // 625-line frames are the bigger ones.
  const bool pal = type.lSampleSize >= VideoImageSize(type.subtype, 720, 576);
  parameters.codec_type = AVMEDIA_TYPE_VIDEO;
  parameters.codec_id = AV_CODEC_ID_DVVIDEO;
  parameters.codec_tag = type.subtype.Data1;
  parameters.width = 720;
  parameters.height = pal ? 576 : 480;
  parameters.format = DVPixelFormat(type.subtype, parameters.height);
  parameters.bits_per_coded_sample = 24;
  if (timeBase != nullptr) *timeBase = pal ? AVRational{1, 25} : AVRational{1001, 30000};
  return true;
}

bool VideoToParameters(const AM_MEDIA_TYPE& type, AVCodecParameters& parameters,
                       AVRational* timeBase) {
  size_t following = 0;
  const BITMAPINFOHEADER* header = BitmapHeader(type, &following);
  const auto format = ReadVideoFormat(type);
  if (header == nullptr || !format || format->width <= 0 || format->height == 0) return false;
  const RawVideo* raw = FindRawVideo(type.subtype);
  if (format->compression == BI_RGB || format->compression == BI_BITFIELDS) {
    // Palettes and colour masks are not carried.
    if (raw == nullptr || format->compression != BI_RGB) return false;
    parameters.codec_id = AV_CODEC_ID_RAWVIDEO;
    parameters.codec_tag = 0;
  } else {
    parameters.codec_id = raw != nullptr
                              ? AV_CODEC_ID_RAWVIDEO
                              : CodecOfTag(kVideoTags, kExtraVideoTags, format->compression);
    if (parameters.codec_id == AV_CODEC_ID_NONE) return false;
    parameters.codec_tag = format->compression;
  }
  if (raw != nullptr) following = 0;  // what follows a raw picture's header is no codec data
  parameters.codec_type = AVMEDIA_TYPE_VIDEO;
  parameters.width = format->width;
  parameters.height = std::abs(format->height);
  if (raw != nullptr) parameters.format = raw->format;
  if (IsDVSubtype(type.subtype)) parameters.format = DVPixelFormat(type.subtype, parameters.height);
  parameters.bits_per_coded_sample = format->bitCount;
  if (parameters.codec_id != AV_CODEC_ID_RAWVIDEO &&
      !SetExtradata(parameters, reinterpret_cast<const BYTE*>(header + 1), following)) {
    return false;
  }
  if (timeBase != nullptr) {
    *timeBase = format->avgTimePerFrame > 0 ? av_make_q(static_cast<int>(format->avgTimePerFrame),
                                                        static_cast<int>(kUnitsPerSecond))
                                            : AVRational{1, 30};
    av_reduce(&timeBase->num, &timeBase->den, timeBase->num, timeBase->den, INT32_MAX);
  }
  return true;
}

AVCodecID PcmCodec(WORD bits) {
  switch (bits) {
    case 8:
      return AV_CODEC_ID_PCM_U8;
    case 16:
      return AV_CODEC_ID_PCM_S16LE;
    case 24:
      return AV_CODEC_ID_PCM_S24LE;
    case 32:
      return AV_CODEC_ID_PCM_S32LE;
    default:
      return AV_CODEC_ID_NONE;
  }
}

bool AudioToParameters(const AM_MEDIA_TYPE& type, AVCodecParameters& parameters,
                       AVRational* timeBase) {
  const WAVEFORMATEX* wave = WaveFormatOf(type);
  if (wave == nullptr || wave->nChannels == 0 || wave->nSamplesPerSec == 0) return false;
  const WORD tag = wave->wFormatTag;
  if (tag == WAVE_FORMAT_PCM) {
    parameters.codec_id = PcmCodec(wave->wBitsPerSample);
  } else if (tag == WAVE_FORMAT_IEEE_FLOAT) {
    parameters.codec_id =
        wave->wBitsPerSample == 64 ? AV_CODEC_ID_PCM_F64LE : AV_CODEC_ID_PCM_F32LE;
  } else {
    parameters.codec_id = CodecOfTag(kAudioTags, kExtraAudioTags, tag);
  }
  if (parameters.codec_id == AV_CODEC_ID_NONE) return false;
  parameters.codec_type = AVMEDIA_TYPE_AUDIO;
  parameters.codec_tag = tag;
  parameters.sample_rate = static_cast<int>(wave->nSamplesPerSec);
  av_channel_layout_default(&parameters.ch_layout, wave->nChannels);
  parameters.bits_per_coded_sample = wave->wBitsPerSample;
  parameters.block_align = wave->nBlockAlign;
  parameters.bit_rate = static_cast<int64_t>(wave->nAvgBytesPerSec) * 8;
  const size_t extra = std::min<size_t>(wave->cbSize, type.cbFormat - sizeof(WAVEFORMATEX));
  if (!SetExtradata(parameters, reinterpret_cast<const BYTE*>(wave + 1), extra)) return false;
  if (timeBase != nullptr) *timeBase = AVRational{1, parameters.sample_rate};
  return true;
}

// ---- Back to media types ---------------------------------------------------------------------

const GUID* RgbSubtypeOf(int format) {
  switch (format) {
    case AV_PIX_FMT_BGR24:
      return &MEDIASUBTYPE_RGB24;
    case AV_PIX_FMT_BGRA:
    case AV_PIX_FMT_BGR0:
      return &MEDIASUBTYPE_RGB32;
    case AV_PIX_FMT_RGB555LE:
      return &MEDIASUBTYPE_RGB555;
    default:
      return nullptr;
  }
}

std::optional<MediaType> VideoToMediaType(const AVCodecParameters& parameters,
                                          AVRational frameRate) {
  const REFERENCE_TIME interval = frameRate.num > 0 && frameRate.den > 0
                                      ? av_rescale(kUnitsPerSecond, frameRate.den, frameRate.num)
                                      : 0;
  const GUID* rgb = parameters.codec_id == AV_CODEC_ID_RAWVIDEO && parameters.codec_tag == 0
                        ? RgbSubtypeOf(parameters.format)
                        : nullptr;
  const DWORD tag =
      rgb != nullptr ? BI_RGB : TagOfCodec(kVideoTags, kExtraVideoTags, parameters, 0xFFFFFFFF);
  if (rgb == nullptr && tag == 0) return std::nullopt;
  const GUID subtype = rgb != nullptr ? *rgb : FourCCGuid(tag);
  const auto extra = static_cast<ULONG>(std::max(parameters.extradata_size, 0));
  if (FindVideoSubtype(subtype) != nullptr && extra == 0) {
    return MakeVideoMediaType(subtype, parameters.width, parameters.height, interval);
  }
  MediaType type(MEDIATYPE_Video, subtype, FORMAT_VideoInfo);
  auto* info =
      reinterpret_cast<VIDEOINFOHEADER*>(type.AllocFormat(sizeof(VIDEOINFOHEADER) + extra));
  if (info == nullptr) return std::nullopt;
  info->AvgTimePerFrame = interval;
  info->bmiHeader.biSize = sizeof(BITMAPINFOHEADER) + extra;
  info->bmiHeader.biWidth = parameters.width;
  info->bmiHeader.biHeight = parameters.height;
  info->bmiHeader.biPlanes = 1;
  info->bmiHeader.biBitCount = static_cast<WORD>(
      parameters.bits_per_coded_sample > 0 ? parameters.bits_per_coded_sample : 24);
  info->bmiHeader.biCompression = tag;
  info->bmiHeader.biSizeImage = static_cast<DWORD>(parameters.width) *
                                static_cast<DWORD>(parameters.height) * 3;  // an upper bound
  if (extra > 0) std::memcpy(reinterpret_cast<BYTE*>(info + 1), parameters.extradata, extra);
  type->bFixedSizeSamples = FALSE;
  type->bTemporalCompression = TRUE;
  type->lSampleSize = 0;
  return type;
}

std::optional<MediaType> AudioToMediaType(const AVCodecParameters& parameters) {
  const int channels = parameters.ch_layout.nb_channels;
  if (channels <= 0 || parameters.sample_rate <= 0) return std::nullopt;
  const int bits = av_get_bits_per_sample(parameters.codec_id);
  switch (parameters.codec_id) {
    case AV_CODEC_ID_PCM_U8:
    case AV_CODEC_ID_PCM_S16LE:
    case AV_CODEC_ID_PCM_S24LE:
    case AV_CODEC_ID_PCM_S32LE:
      return MakePcmMediaType(static_cast<DWORD>(parameters.sample_rate), static_cast<WORD>(bits),
                              static_cast<WORD>(channels));
    default:
      break;
  }
  const WORD tag =
      parameters.codec_id == AV_CODEC_ID_PCM_F32LE || parameters.codec_id == AV_CODEC_ID_PCM_F64LE
          ? WAVE_FORMAT_IEEE_FLOAT
          : static_cast<WORD>(TagOfCodec(kAudioTags, kExtraAudioTags, parameters, 0xFFFF));
  if (tag == 0) return std::nullopt;
  const auto extra = static_cast<ULONG>(std::max(parameters.extradata_size, 0));
  MediaType type(MEDIATYPE_Audio, FourCCGuid(tag), FORMAT_WaveFormatEx);
  auto* wave = reinterpret_cast<WAVEFORMATEX*>(type.AllocFormat(sizeof(WAVEFORMATEX) + extra));
  if (wave == nullptr) return std::nullopt;
  wave->wFormatTag = tag;
  wave->nChannels = static_cast<WORD>(channels);
  wave->nSamplesPerSec = static_cast<DWORD>(parameters.sample_rate);
  wave->wBitsPerSample = static_cast<WORD>(bits > 0 ? bits : parameters.bits_per_coded_sample);
  wave->nBlockAlign = static_cast<WORD>(
      parameters.block_align > 0 ? parameters.block_align : channels * wave->wBitsPerSample / 8);
  wave->nAvgBytesPerSec = parameters.bit_rate > 0 ? static_cast<DWORD>(parameters.bit_rate / 8)
                                                  : wave->nBlockAlign * wave->nSamplesPerSec;
  wave->cbSize = static_cast<WORD>(extra);
  if (extra > 0) std::memcpy(reinterpret_cast<BYTE*>(wave + 1), parameters.extradata, extra);
  type->bFixedSizeSamples = TRUE;
  type->lSampleSize = wave->nBlockAlign;
  return type;
}

}  // namespace

bool ToCodecParameters(const AM_MEDIA_TYPE& type, AVCodecParameters& parameters,
                       AVRational* timeBase) {
  if (type.majortype == MEDIATYPE_Video) return VideoToParameters(type, parameters, timeBase);
  if (type.majortype == MEDIATYPE_Interleaved)
    return InterleavedDVToParameters(type, parameters, timeBase);
  if (type.majortype == MEDIATYPE_Audio) return AudioToParameters(type, parameters, timeBase);
  return false;
}

std::optional<MediaType> ToMediaType(const AVCodecParameters& parameters, AVRational frameRate) {
  if (parameters.codec_type == AVMEDIA_TYPE_VIDEO) return VideoToMediaType(parameters, frameRate);
  if (parameters.codec_type == AVMEDIA_TYPE_AUDIO) return AudioToMediaType(parameters);
  return std::nullopt;
}

}  // namespace av

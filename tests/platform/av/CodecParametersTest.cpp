// The mapping between media types and codec parameters: what each video and audio type becomes,
// what is refused, and the way back.

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>

#include "av/CodecParameters.h"
#include "dshow/AudioMediaType.h"
#include "dshow/Uuids.h"
#include "dshow/VideoMediaType.h"

namespace {

constexpr REFERENCE_TIME kPal = 400'000;

struct Parameters {
  Parameters() : value(avcodec_parameters_alloc()) {}
  ~Parameters() { avcodec_parameters_free(&value); }
  Parameters(const Parameters&) = delete;
  Parameters& operator=(const Parameters&) = delete;
  AVCodecParameters* value;
};

MediaType Video(const GUID& subtype, LONG width, LONG height) {
  return *MakeVideoMediaType(subtype, width, height, kPal);
}

// A compressed type whose bitmap header is followed by codec data.
MediaType WithCodecData(DWORD fourcc) {
  MediaType type(MEDIATYPE_Video, FourCCGuid(fourcc), FORMAT_VideoInfo);
  auto* info = reinterpret_cast<VIDEOINFOHEADER*>(type.AllocFormat(sizeof(VIDEOINFOHEADER) + 4));
  info->AvgTimePerFrame = kPal;
  info->bmiHeader.biSize = sizeof(BITMAPINFOHEADER) + 4;
  info->bmiHeader.biWidth = 64;
  info->bmiHeader.biHeight = 48;
  info->bmiHeader.biPlanes = 1;
  info->bmiHeader.biBitCount = 24;
  info->bmiHeader.biCompression = fourcc;
  std::memcpy(reinterpret_cast<BYTE*>(info + 1), "\x01\x02\x03\x04", 4);
  return type;
}

MediaType InterleavedDV(LONG height) {
  MediaType type(MEDIATYPE_Interleaved, MEDIASUBTYPE_dvsd, FORMAT_DvInfo);
  type->lSampleSize = VideoImageSize(MEDIASUBTYPE_dvsd, 720, height);
  return type;
}

MediaType Pcm(WORD tag, WORD bits) {
  MediaType type = MakePcmMediaType(44100, bits, 2);
  WaveFormatOf(type.Get())->wFormatTag = tag;
  return type;
}

struct ToCase {
  const char* name;
  std::function<MediaType()> type;
  AVCodecID codec;
  unsigned tag;
  int format;  // pixel or -1 for none set
  int width;
  int height;
  AVRational timeBase;
};

class ToParameters : public ::testing::TestWithParam<ToCase> {};

TEST_P(ToParameters, GiveTheCodecTagSizeAndTime) {
  const ToCase& expected = GetParam();
  Parameters parameters;
  AVRational timeBase{0, 1};
  ASSERT_TRUE(av::ToCodecParameters(expected.type().Get(), *parameters.value, &timeBase));
  EXPECT_EQ(parameters.value->codec_id, expected.codec);
  EXPECT_EQ(parameters.value->codec_tag, expected.tag);
  if (expected.format != -1) {
    EXPECT_EQ(parameters.value->format, expected.format);
  }
  EXPECT_EQ(parameters.value->width, expected.width);
  EXPECT_EQ(parameters.value->height, expected.height);
  EXPECT_EQ(av_cmp_q(timeBase, expected.timeBase), 0) << timeBase.num << "/" << timeBase.den;
}

constexpr AVRational kFrame{1, 25};

INSTANTIATE_TEST_SUITE_P(
    Types, ToParameters,
    ::testing::Values(
        ToCase{"RGB24", [] { return Video(MEDIASUBTYPE_RGB24, 32, 16); }, AV_CODEC_ID_RAWVIDEO, 0,
               AV_PIX_FMT_BGR24, 32, 16, kFrame},
        ToCase{"TopDownRGB32", [] { return Video(MEDIASUBTYPE_RGB32, 32, -16); },
               AV_CODEC_ID_RAWVIDEO, 0, AV_PIX_FMT_BGRA, 32, 16, kFrame},
        ToCase{"YUY2", [] { return Video(MEDIASUBTYPE_YUY2, 32, 16); }, AV_CODEC_ID_RAWVIDEO,
               MakeFourCC('Y', 'U', 'Y', '2'), AV_PIX_FMT_YUYV422, 32, 16, kFrame},
        ToCase{"I420", [] { return Video(MEDIASUBTYPE_I420, 32, 16); }, AV_CODEC_ID_RAWVIDEO,
               MakeFourCC('I', '4', '2', '0'), AV_PIX_FMT_YUV420P, 32, 16, kFrame},
        ToCase{"MJPG", [] { return Video(MEDIASUBTYPE_MJPG, 640, 480); }, AV_CODEC_ID_MJPEG,
               MakeFourCC('M', 'J', 'P', 'G'), -1, 640, 480, kFrame},
        ToCase{"H264", [] { return Video(MEDIASUBTYPE_H264, 640, 480); }, AV_CODEC_ID_H264,
               MakeFourCC('H', '2', '6', '4'), -1, 640, 480, kFrame},
        ToCase{"Dvsd625", [] { return Video(MEDIASUBTYPE_dvsd, 720, 576); }, AV_CODEC_ID_DVVIDEO,
               MakeFourCC('d', 'v', 's', 'd'), AV_PIX_FMT_YUV420P, 720, 576, kFrame},
        ToCase{"Dvsd525", [] { return Video(MEDIASUBTYPE_dvsd, 720, 480); }, AV_CODEC_ID_DVVIDEO,
               MakeFourCC('d', 'v', 's', 'd'), AV_PIX_FMT_YUV411P, 720, 480, kFrame},
        ToCase{"InterleavedDV525", [] { return InterleavedDV(480); }, AV_CODEC_ID_DVVIDEO,
               MakeFourCC('d', 'v', 's', 'd'), AV_PIX_FMT_YUV411P, 720, 480,
               AVRational{1001, 30000}},
        ToCase{"FFV1", [] { return WithCodecData(MakeFourCC('F', 'F', 'V', '1')); },
               AV_CODEC_ID_FFV1, MakeFourCC('F', 'F', 'V', '1'), -1, 64, 48, kFrame},
        ToCase{"HFYU", [] { return WithCodecData(MakeFourCC('H', 'F', 'Y', 'U')); },
               AV_CODEC_ID_HUFFYUV, MakeFourCC('H', 'F', 'Y', 'U'), -1, 64, 48, kFrame},
        ToCase{"XVID", [] { return WithCodecData(MakeFourCC('X', 'V', 'I', 'D')); },
               AV_CODEC_ID_MPEG4, MakeFourCC('X', 'V', 'I', 'D'), -1, 64, 48, kFrame},
        ToCase{"Pcm16", [] { return Pcm(WAVE_FORMAT_PCM, 16); }, AV_CODEC_ID_PCM_S16LE, 1, -1, 0, 0,
               AVRational{1, 44100}},
        ToCase{"Pcm8", [] { return Pcm(WAVE_FORMAT_PCM, 8); }, AV_CODEC_ID_PCM_U8, 1, -1, 0, 0,
               AVRational{1, 44100}},
        ToCase{"Float", [] { return Pcm(WAVE_FORMAT_IEEE_FLOAT, 32); }, AV_CODEC_ID_PCM_F32LE, 3,
               -1, 0, 0, AVRational{1, 44100}},
        ToCase{"Mp3", [] { return Pcm(0x0055, 0); }, AV_CODEC_ID_MP3, 0x55, -1, 0, 0,
               AVRational{1, 44100}}),
    [](const auto& param) { return std::string(param.param.name); });

struct RefusedCase {
  const char* name;
  std::function<MediaType()> type;
};

class Refused : public ::testing::TestWithParam<RefusedCase> {};

TEST_P(Refused, TypesNoContainerCarries) {
  Parameters parameters;
  EXPECT_FALSE(av::ToCodecParameters(GetParam().type().Get(), *parameters.value));
}

INSTANTIATE_TEST_SUITE_P(
    Types, Refused,
    ::testing::Values(
        RefusedCase{"Palette", [] { return Video(MEDIASUBTYPE_RGB8, 32, 16); }},
        RefusedCase{"ColourMasks", [] { return Video(MEDIASUBTYPE_RGB565, 32, 16); }},
        RefusedCase{"UnknownFourCC", [] { return WithCodecData(MakeFourCC('Q', 'Q', 'Q', 'Q')); }},
        RefusedCase{"NoFormatBlock", [] { return MediaType(MEDIATYPE_Video, MEDIASUBTYPE_RGB24); }},
        RefusedCase{"UnknownWaveTag", [] { return Pcm(0x7777, 16); }},
        RefusedCase{"Pcm12Bits", [] { return Pcm(WAVE_FORMAT_PCM, 12); }},
        RefusedCase{"Text", [] { return MediaType(MEDIATYPE_Text, GUID_NULL); }}),
    [](const auto& param) { return std::string(param.param.name); });

class RoundTrip : public ::testing::TestWithParam<ToCase> {};

TEST_P(RoundTrip, ComesBackAsTheSameType) {
  const MediaType original = GetParam().type();
  Parameters parameters;
  AVRational timeBase{0, 1};
  ASSERT_TRUE(av::ToCodecParameters(original.Get(), *parameters.value, &timeBase));
  const auto back = av::ToMediaType(*parameters.value, av_inv_q(timeBase));
  ASSERT_TRUE(back.has_value());
  EXPECT_EQ((*back)->majortype, original->majortype);
  EXPECT_EQ((*back)->subtype, original->subtype);
  EXPECT_EQ((*back)->cbFormat, original->cbFormat);
  EXPECT_EQ(std::memcmp((*back)->pbFormat, original->pbFormat, original->cbFormat), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Types, RoundTrip,
    ::testing::Values(ToCase{"RGB24", [] { return Video(MEDIASUBTYPE_RGB24, 32, 16); }},
                      ToCase{"YUY2", [] { return Video(MEDIASUBTYPE_YUY2, 32, 16); }},
                      ToCase{"MJPG", [] { return Video(MEDIASUBTYPE_MJPG, 640, 480); }},
                      ToCase{"Pcm16", [] { return MakePcmMediaType(44100, 16, 2); }},
                      ToCase{"FFV1WithCodecData",
                             [] {
                               MediaType type = WithCodecData(MakeFourCC('F', 'F', 'V', '1'));
                               auto* header = BitmapHeaderOf(type.Get());
                               header->biSizeImage = 64 * 48 * 3;
                               return type;
                             }}),
    [](const auto& param) { return std::string(param.param.name); });

// Parameters as a demuxer of another container gives them: its own tag or none.
struct FromFileCase {
  const char* name;
  AVMediaType kind;
  AVCodecID codec;
  unsigned containerTag;
  GUID subtype;
};

class FromFiles : public ::testing::TestWithParam<FromFileCase> {};

TEST_P(FromFiles, GetTheTagThatNamesTheirCodec) {
  Parameters parameters;
  AVCodecParameters& p = *parameters.value;
  p.codec_type = GetParam().kind;
  p.codec_id = GetParam().codec;
  p.codec_tag = GetParam().containerTag;
  p.width = 64;
  p.height = 48;
  p.sample_rate = 48000;
  av_channel_layout_default(&p.ch_layout, 2);
  const auto type = av::ToMediaType(p, AVRational{25, 1});
  ASSERT_TRUE(type.has_value());
  EXPECT_EQ((*type)->subtype, GetParam().subtype);
  Parameters back;  // and the type reads back as the same codec
  ASSERT_TRUE(av::ToCodecParameters(type->Get(), *back.value));
  EXPECT_EQ(back.value->codec_id, GetParam().codec);
}

constexpr unsigned Tag(char a, char b, char c, char d) {
  return MakeFourCC(a, b, c, d);
}

INSTANTIATE_TEST_SUITE_P(
    Containers, FromFiles,
    ::testing::Values(
        FromFileCase{"MatroskaHevc", AVMEDIA_TYPE_VIDEO, AV_CODEC_ID_HEVC, 0,
                     FourCCGuid(Tag('H', 'E', 'V', 'C'))},
        FromFileCase{"Mp4Hevc", AVMEDIA_TYPE_VIDEO, AV_CODEC_ID_HEVC, Tag('h', 'v', 'c', '1'),
                     FourCCGuid(Tag('h', 'v', 'c', '1'))},
        FromFileCase{"Mp4H264", AVMEDIA_TYPE_VIDEO, AV_CODEC_ID_H264, Tag('a', 'v', 'c', '1'),
                     FourCCGuid(Tag('a', 'v', 'c', '1'))},
        FromFileCase{"MatroskaVp9", AVMEDIA_TYPE_VIDEO, AV_CODEC_ID_VP9, 0,
                     FourCCGuid(Tag('V', 'P', '9', '0'))},
        FromFileCase{"MatroskaOpus", AVMEDIA_TYPE_AUDIO, AV_CODEC_ID_OPUS, 0, FourCCGuid(0x704F)},
        FromFileCase{"Mp4Aac", AVMEDIA_TYPE_AUDIO, AV_CODEC_ID_AAC, Tag('m', 'p', '4', 'a'),
                     FourCCGuid(0x00FF)},
        FromFileCase{"OggVorbis", AVMEDIA_TYPE_AUDIO, AV_CODEC_ID_VORBIS, 0, FourCCGuid(0x566F)}),
    [](const auto& param) { return std::string(param.param.name); });

}  // namespace

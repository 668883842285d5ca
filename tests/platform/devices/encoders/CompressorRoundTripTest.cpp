// Each FFmpeg compressor present, between a source of test pictures or sound and the AVI
// multiplexer: the file it writes is read back with libavformat and decoded with libavcodec.

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <string>

#include "AviDecoding.h"
#include "BandPictures.h"
#include "FilterTestSupport.h"
#include "devices/encoders/CompressorFilter.h"
#include "dshow/AudioMediaType.h"
#include "dshow/CodecInterfaces.h"
#include "dshow/Uuids.h"
#include "dshow/VideoMediaType.h"
#include "dshow/filters/AviMux.h"

namespace {

using encoder_test::DecodedStream;
using filter_test::ConnectFilters;
using filter_test::FilterChain;
using filter_test::FrameSource;
using filter_test::WaitUntil;
using test_pictures::kBlue;
using test_pictures::kRed;

constexpr char kFile[] = "encoded.avi";
constexpr int kWidth = 64;
constexpr int kHeight = 48;
constexpr REFERENCE_TIME kInterval = 400'000;  // the test source's 40 ms
constexpr int kRate = 22050;
constexpr int kBufferSamples = 2205;  // 100 ms
constexpr double kToneHz = 490;       // 45 samples a period: whole periods per buffer

ComPtr<devices::CompressorFilter> MakeCompressor(std::string_view key) {
  const auto encoder = devices::FindAvailableEncoder(key);
  if (!encoder) return nullptr;
  return MakeComObject<devices::CompressorFilter>(*encoder);
}

IBaseFilter* AsFilter(devices::CompressorFilter* filter) {
  return static_cast<IBaseFilter*>(filter);
}

// Runs source -> compressor -> AVI multiplexer until the file is complete and decodes it.
std::vector<DecodedStream> WriteAndDecode(devices::CompressorFilter* compressor, MediaType input,
                                          std::vector<BYTE> frame, int frames) {
  auto source = MakeComObject<FrameSource>(std::move(input), std::move(frame));
  source->Stream()->timeStamps = true;
  source->Stream()->frameLimit = frames;
  auto mux = MakeComObject<AviMux>();
  EXPECT_EQ(mux->SetFileName(kFile, nullptr), S_OK);
  EXPECT_EQ(ConnectFilters(source.Get(), AsFilter(compressor)), S_OK);
  EXPECT_EQ(ConnectFilters(AsFilter(compressor), static_cast<IBaseFilter*>(mux.Get())), S_OK);
  {
    FilterChain chain;
    chain.Add(source.Get(), "source");
    chain.Add(AsFilter(compressor), "compressor");
    chain.Add(static_cast<IBaseFilter*>(mux.Get()), "mux");
    EXPECT_EQ(chain.Run(), S_OK);
    EXPECT_TRUE(WaitUntil([&] { return chain.Graph().Count(EC_COMPLETE) == 1; }));
    EXPECT_EQ(chain.Stop(), S_OK);
  }
  return encoder_test::DecodeAvi(kFile);
}

MediaType BandsType(const GUID& subtype) {
  return *MakeVideoMediaType(subtype, kWidth, kHeight, kInterval);
}

std::vector<std::string> KeysOf(devices::EncoderKind kind) {
  std::vector<std::string> keys;
  for (const devices::EncoderEntry& entry : devices::KnownEncoders()) {
    if (entry.kind == kind) keys.emplace_back(entry.key);
  }
  return keys;
}

// ---- Video: every encoder --------------------------------------------------------------------

class VideoRoundTrip : public ::testing::TestWithParam<std::string> {};

TEST_P(VideoRoundTrip, EveryPictureDecodesWithItsColoursAndTheFirstIsAKeyFrame) {
  auto compressor = MakeCompressor(GetParam());
  if (!compressor) GTEST_SKIP() << "libavcodec has no " << GetParam() << " encoder here";
  constexpr int kFrames = 10;
  const auto streams = WriteAndDecode(
      compressor.Get(), BandsType(MEDIASUBTYPE_YUY2),
      encoder_test::BandPicture(MEDIASUBTYPE_YUY2, kWidth, kHeight, kRed, kBlue), kFrames);
  ASSERT_EQ(streams.size(), 1u);
  const DecodedStream& video = streams[0];
  EXPECT_EQ(video.tag, compressor->Entry().tag);
  EXPECT_EQ(video.decodeErrors, 0);
  EXPECT_EQ(video.pictures, kFrames);
  EXPECT_EQ(video.width, kWidth);
  EXPECT_EQ(video.height, kHeight);
  EXPECT_TRUE(test_pictures::Near(video.top, kRed, 40))
      << video.top.r << " " << video.top.g << " " << video.top.b;
  EXPECT_TRUE(test_pictures::Near(video.bottom, kBlue, 40))
      << video.bottom.r << " " << video.bottom.g << " " << video.bottom.b;
  ASSERT_FALSE(video.keyFrames.empty());
  EXPECT_TRUE(video.keyFrames.front());
}

INSTANTIATE_TEST_SUITE_P(Encoders, VideoRoundTrip,
                         ::testing::ValuesIn(KeysOf(devices::EncoderKind::kVideo)));

// ---- Video: every input layout ---------------------------------------------------------------

struct InputCase {
  const char* name;
  GUID subtype;
};

class InputLayouts : public ::testing::TestWithParam<InputCase> {};

// Bottom-up RGB rows, swapped chroma planes and interleaved chroma each come out the right way
// up and in the right colours.
TEST_P(InputLayouts, ComeOutTheRightWayUpInTheirColours) {
  auto compressor = MakeCompressor("mjpeg");
  if (!compressor) GTEST_SKIP() << "libavcodec has no MJPEG encoder here";
  const GUID subtype = GetParam().subtype;
  const auto streams =
      WriteAndDecode(compressor.Get(), BandsType(subtype),
                     encoder_test::BandPicture(subtype, kWidth, kHeight, kRed, kBlue), 2);
  ASSERT_EQ(streams.size(), 1u);
  EXPECT_EQ(streams[0].pictures, 2);
  EXPECT_TRUE(test_pictures::Near(streams[0].top, kRed, 40));
  EXPECT_TRUE(test_pictures::Near(streams[0].bottom, kBlue, 40));
}

INSTANTIATE_TEST_SUITE_P(
    Subtypes, InputLayouts,
    ::testing::Values(InputCase{"RGB24", MEDIASUBTYPE_RGB24},
                      InputCase{"RGB32", MEDIASUBTYPE_RGB32}, InputCase{"YUY2", MEDIASUBTYPE_YUY2},
                      InputCase{"UYVY", MEDIASUBTYPE_UYVY}, InputCase{"NV12", MEDIASUBTYPE_NV12},
                      InputCase{"I420", MEDIASUBTYPE_I420}, InputCase{"YV12", MEDIASUBTYPE_YV12}),
    [](const ::testing::TestParamInfo<InputCase>& entry) { return entry.param.name; });

// ---- Key frames ------------------------------------------------------------------------------

class KeyFrames : public ::testing::TestWithParam<std::string> {};

TEST_P(KeyFrames, ComeAtTheSetKeyFrameRate) {
  auto compressor = MakeCompressor(GetParam());
  if (!compressor) GTEST_SKIP() << "libavcodec has no " << GetParam() << " encoder here";
  ComPtr<IAMVideoCompression> compression;
  ASSERT_EQ(AsFilter(compressor.Get())
                ->QueryInterface(IID_IAMVideoCompression, compression.ReleaseAndGetVoidAddress()),
            S_OK);
  ASSERT_EQ(compression->put_KeyFrameRate(4), S_OK);
  const auto streams = WriteAndDecode(
      compressor.Get(), BandsType(MEDIASUBTYPE_I420),
      encoder_test::BandPicture(MEDIASUBTYPE_I420, kWidth, kHeight, kRed, kBlue), 12);
  ASSERT_EQ(streams.size(), 1u);
  const std::vector<bool> expected = {true,  false, false, false, true,  false,
                                      false, false, true,  false, false, false};
  EXPECT_EQ(streams[0].keyFrames, expected);
  EXPECT_EQ(streams[0].pictures, 12);
}

INSTANTIATE_TEST_SUITE_P(TemporalEncoders, KeyFrames, ::testing::Values("mpeg4", "h264"));

// ---- Sound -----------------------------------------------------------------------------------

struct SoundCase {
  std::string key;
  int bits;
};

// 100 ms of a tone at half scale, mono.
std::vector<BYTE> Tone(int bits) {
  std::vector<BYTE> bytes;
  for (int i = 0; i < kBufferSamples; ++i) {
    const double value = 0.5 * std::sin(2 * std::numbers::pi * kToneHz * i / kRate);
    if (bits == 8) {
      bytes.push_back(static_cast<BYTE>(std::lround(128 + 127 * value)));
    } else {
      const auto sample = static_cast<int16_t>(std::lround(32767 * value));
      bytes.push_back(static_cast<BYTE>(sample & 0xFF));
      bytes.push_back(static_cast<BYTE>((sample >> 8) & 0xFF));
    }
  }
  return bytes;
}

double Rms(const std::vector<float>& samples, size_t from, size_t to) {
  double sum = 0;
  for (size_t i = from; i < to; ++i)
    sum += static_cast<double>(samples[i]) * samples[i];
  return to > from ? std::sqrt(sum / static_cast<double>(to - from)) : 0;
}

class SoundRoundTrip : public ::testing::TestWithParam<SoundCase> {};

TEST_P(SoundRoundTrip, TheToneDecodesWholeAtItsLevel) {
  auto compressor = MakeCompressor(GetParam().key);
  if (!compressor) GTEST_SKIP() << "libavcodec has no " << GetParam().key << " encoder here";
  constexpr int kBuffers = 10;
  const int bits = GetParam().bits;
  MediaType type = MakePcmMediaType(kRate, static_cast<WORD>(bits), 1);
  type->lSampleSize = static_cast<ULONG>(kBufferSamples * bits / 8);
  const auto streams = WriteAndDecode(compressor.Get(), std::move(type), Tone(bits), kBuffers);
  ASSERT_EQ(streams.size(), 1u);
  const DecodedStream& sound = streams[0];
  EXPECT_EQ(sound.tag, compressor->Entry().tag);
  EXPECT_EQ(sound.decodeErrors, 0);
  // Every sample is there (encoders may add their delay and pad the last frame).
  const size_t sent = static_cast<size_t>(kBuffers) * kBufferSamples;
  ASSERT_GE(sound.samples.size(), sent);
  EXPECT_LE(sound.samples.size(), sent + 4096);
  // A sine at half scale: an RMS of 0.354, over the middle, away from the encoders' delay.
  EXPECT_NEAR(Rms(sound.samples, sent / 4, sent * 3 / 4), 0.5 / std::sqrt(2.0), 0.06);
}

INSTANTIATE_TEST_SUITE_P(Encoders, SoundRoundTrip,
                         ::testing::Values(SoundCase{"pcm_u8", 16}, SoundCase{"pcm_s16le", 8},
                                           SoundCase{"adpcm_ima", 16}, SoundCase{"adpcm_ms", 16},
                                           SoundCase{"mp3", 16}, SoundCase{"mp3", 8}),
                         [](const ::testing::TestParamInfo<SoundCase>& entry) {
                           return entry.param.key + "_from_" + std::to_string(entry.param.bits) +
                                  "bit";
                         });

}  // namespace

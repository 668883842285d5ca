// The bounds within which media files are read: picture and sound sizes refused before any
// allocation, durations that read as unknown, times clamped instead of overflowing, and the
// decoders refusing types beyond the limits.

#include "dshow/filters/MediaFileLimits.h"

#include <gtest/gtest.h>

#include <climits>

#include "dshow/AudioMediaType.h"
#include "dshow/Uuids.h"
#include "dshow/VideoMediaType.h"
#include "dshow/filters/AvAudioDecoder.h"
#include "dshow/filters/AvVideoDecoder.h"

namespace {

using dshow::kMaxMediaTime;

struct PictureCase {
  const char* name;
  int64_t width;
  int64_t height;
  bool sane;
};

class Pictures : public ::testing::TestWithParam<PictureCase> {};

TEST_P(Pictures, AreRefusedBeyondTheLimits) {
  EXPECT_EQ(dshow::SanePicture(GetParam().width, GetParam().height), GetParam().sane);
}

INSTANTIATE_TEST_SUITE_P(
    Sizes, Pictures,
    ::testing::Values(
        PictureCase{"FullHd", 1920, 1080, true}, PictureCase{"TopDown", 640, -480, true},
        PictureCase{"LargestSquare", 8192, 8192, true},
        PictureCase{"WidestAllowed", 16384, 2048, true}, PictureCase{"TooWide", 16385, 16, false},
        PictureCase{"TooHigh", 16, 16385, false}, PictureCase{"TooHighTopDown", 16, -16385, false},
        PictureCase{"TooManyBytes", 16384, 16384, false}, PictureCase{"NoWidth", 0, 480, false},
        PictureCase{"NegativeWidth", -640, 480, false}, PictureCase{"NoHeight", 640, 0, false},
        PictureCase{"Int32Extremes", INT32_MAX, INT32_MIN, false}),
    [](const auto& param) { return std::string(param.param.name); });

struct SoundCase {
  const char* name;
  int64_t rate;
  int64_t channels;
  bool sane;
};

class Sounds : public ::testing::TestWithParam<SoundCase> {};

TEST_P(Sounds, AreRefusedBeyondTheLimits) {
  EXPECT_EQ(dshow::SaneSound(GetParam().rate, GetParam().channels), GetParam().sane);
}

INSTANTIATE_TEST_SUITE_P(Formats, Sounds,
                         ::testing::Values(SoundCase{"Cd", 44100, 2, true},
                                           SoundCase{"Studio", 768000, 64, true},
                                           SoundCase{"RateTooHigh", 768001, 2, false},
                                           SoundCase{"TooManyChannels", 48000, 65, false},
                                           SoundCase{"NoRate", 0, 2, false},
                                           SoundCase{"NoChannels", 48000, 0, false}),
                         [](const auto& param) { return std::string(param.param.name); });

struct DurationCase {
  const char* name;
  int64_t value;
  AVRational base;
  REFERENCE_TIME expected;
};

class Durations : public ::testing::TestWithParam<DurationCase> {};

TEST_P(Durations, ReadAsUnknownWhenAbsurd) {
  EXPECT_EQ(dshow::SaneDuration(GetParam().value, GetParam().base), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Values, Durations,
    ::testing::Values(DurationCase{"Frames", 50, {1, 25}, 20'000'000},
                      DurationCase{"Microseconds", 1'500'000, {1, 1'000'000}, 15'000'000},
                      DurationCase{"Negative", -25, {1, 25}, 0},
                      DurationCase{"NoTime", AV_NOPTS_VALUE, {1, 25}, 0},
                      DurationCase{"Overflowing", INT64_MAX, {1, 1}, 0},
                      DurationCase{"BeyondACentury", 200LL * 365 * 24 * 3600, {1, 1}, 0},
                      DurationCase{"NoBase", 25, {0, 1}, 0},
                      DurationCase{"NegativeBase", 25, {1, -25}, 0}),
    [](const auto& param) { return std::string(param.param.name); });

struct TimeCase {
  const char* name;
  int64_t value;
  AVRational base;
  REFERENCE_TIME expected;
};

class Times : public ::testing::TestWithParam<TimeCase> {};

TEST_P(Times, AreClampedInsteadOfOverflowing) {
  EXPECT_EQ(dshow::ClampedTime(GetParam().value, GetParam().base), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Values, Times,
    ::testing::Values(TimeCase{"Frame", 3, {1, 25}, 1'200'000},
                      TimeCase{"BeforeTheStart", -3, {1, 25}, -1'200'000},
                      TimeCase{"Huge", INT64_MAX, {1, 1}, kMaxMediaTime},
                      TimeCase{"HugeNegative", INT64_MIN + 1, {1, 1}, -kMaxMediaTime},
                      TimeCase{"JustBeyond", kMaxMediaTime + 1, {1, 10'000'000}, kMaxMediaTime},
                      TimeCase{"NoBase", 7, {0, 0}, 0}),
    [](const auto& param) { return std::string(param.param.name); });

// The narrower limits apply to everything read afterwards; the guard puts the defaults back.
TEST(MediaFileLimits, NarrowerLimitsApplyUntilReset) {
  dshow::MediaFileLimits narrow;
  narrow.maxDimension = 640;
  dshow::SetMediaFileLimits(narrow);
  const bool vga = dshow::SanePicture(640, 480);
  const bool hd = dshow::SanePicture(1280, 720);
  dshow::SetMediaFileLimits(dshow::MediaFileLimits{});
  EXPECT_TRUE(vga);
  EXPECT_FALSE(hd);
  EXPECT_TRUE(dshow::SanePicture(1280, 720));
}

struct DecoderCase {
  const char* name;
  LONG width;
  LONG height;
  bool accepted;
};

class DecoderInputs : public ::testing::TestWithParam<DecoderCase> {};

TEST_P(DecoderInputs, TheVideoDecoderRefusesPicturesBeyondTheLimits) {
  const auto type = MakeVideoMediaType(MEDIASUBTYPE_MJPG, GetParam().width, GetParam().height, 0);
  ASSERT_TRUE(type);
  EXPECT_EQ(AvVideoDecoder::CanDecode(type->Ptr(), nullptr), GetParam().accepted);
}

INSTANTIATE_TEST_SUITE_P(Sizes, DecoderInputs,
                         ::testing::Values(DecoderCase{"Vga", 640, 480, true},
                                           DecoderCase{"TooWide", 20000, 16, false},
                                           DecoderCase{"TooHigh", 16, 20000, false}),
                         [](const auto& param) { return std::string(param.param.name); });

TEST(DecoderInputs, TheSoundDecoderRefusesAbsurdRates) {
  MediaType type(MEDIATYPE_Audio, FourCCGuid(0x0050), FORMAT_WaveFormatEx);
  auto* wave = reinterpret_cast<WAVEFORMATEX*>(type.AllocFormat(sizeof(WAVEFORMATEX)));
  ASSERT_NE(wave, nullptr);
  *wave = WAVEFORMATEX{0x0050, 2, 44100, 16000, 1, 0, 0};
  EXPECT_TRUE(AvAudioDecoder::CanDecode(type.Ptr(), nullptr));
  wave->nSamplesPerSec = 4'000'000'000u;
  EXPECT_FALSE(AvAudioDecoder::CanDecode(type.Ptr(), nullptr));
}

}  // namespace

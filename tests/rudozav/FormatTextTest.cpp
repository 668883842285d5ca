// Texts and numbers of formats: size entries and their order, subtype names, frame rates and
// intervals, PCM formats, and the sizes a capture pin is asked about.

#include <gtest/gtest.h>

#include <limits>
#include <set>
#include <utility>

#include "dshow/DShow.h"
#include "rudozav/devices/FormatDiscovery.h"
#include "rudozav/devices/FormatText.h"

namespace {

TEST(SizeEntries, AreRightAlignedAndParseBackIgnoringSpaces) {
  EXPECT_EQ(SizeText(1280, 720), "1280x720");
  EXPECT_EQ(SizeText(640, 480), " 640x480");
  EXPECT_EQ(SizeText(80, 60), "  80x60");
  EXPECT_EQ(DefaultSizeEntry(SizeText(640, 480)), "    640x480");

  EXPECT_EQ(ParseSizeText("    640x480").Width, 640);
  EXPECT_EQ(ParseSizeText("    640x480").Height, 480);
  EXPECT_EQ(ParseSizeText("x480").Width, 0);         // "x" first: no size at all
  EXPECT_EQ(ParseSizeText("640 by 480").Height, 0);  // no "x"
  const TFrameSize half = ParseSizeText(" half");
  EXPECT_EQ(half.Width, 0);  // DV entries have no pixel size
  EXPECT_EQ(half.Height, 0);
  EXPECT_EQ(ParseSizeText("abcx48").Width, 0);
  EXPECT_EQ(ParseSizeText("abcx48").Height, 48);
}

TEST(SizeEntries, SortByWidthWithTheDefaultFirstAndIgnoreRepeats) {
  std::vector<std::string> sizes;
  for (const auto& [w, h] : std::vector<std::pair<int, int>>{
           {640, 480}, {160, 120}, {1280, 1024}, {80, 60}, {320, 240}, {640, 480}})
    AddSizeEntry(sizes, SizeText(w, h));
  AddSizeEntry(sizes, DefaultSizeEntry(SizeText(1280, 1024)));
  AddSizeEntry(sizes, " 640X480");  // equal ignoring case
  EXPECT_EQ(sizes, (std::vector<std::string>{"   1280x1024", "  80x60", " 160x120", " 320x240",
                                             " 640x480", "1280x1024"}));
  EXPECT_TRUE(ContainsEntry(sizes, " 640X480"));
}

TEST(SubtypeNames, ComeFromTheFourCCOrTheRgbFamily) {
  EXPECT_EQ(SubtypeName(StringFromGUID(MEDIASUBTYPE_RGB24)), "RGB24");
  EXPECT_EQ(SubtypeName("{E436EB7E-524F-11CE-9F53-0020AF0BA770}"), "RGB32");
  EXPECT_EQ(SubtypeName("{E436EB70-524F-11CE-9F53-0020AF0BA770}"), "RGB");
  EXPECT_EQ(SubtypeName("{3231564E-0000-0010-8000-00AA00389B71}"), "NV12");
  EXPECT_EQ(SubtypeName(StringFromGUID(MEDIASUBTYPE_YUY2)), "YUY2");
  EXPECT_EQ(SubtypeName(StringFromGUID(MEDIASUBTYPE_dvsd)), "dvsd");
  EXPECT_EQ(SubtypeName("{3231564E-0000"), "");  // 14 characters
  EXPECT_EQ(SubtypeName("3231564E-0000-0010-8000-00AA00389B71"), "");
  EXPECT_TRUE(IsDVSubtypeName("DVSD"));
  EXPECT_FALSE(IsDVSubtypeName("dvc "));
}

TEST(DVResolutions, FollowTheTrimmedEntryWithHalfForAnythingElse) {
  EXPECT_EQ(DVResolutionOf(kDVSizeEntries[0]), DVRESOLUTION_HALF);
  EXPECT_EQ(DVResolutionOf(kDVSizeEntries[1]), DVRESOLUTION_DC);
  EXPECT_EQ(DVResolutionOf(kDVSizeEntries[2]), DVRESOLUTION_QUARTER);
  EXPECT_EQ(DVResolutionOf(kDVSizeEntries[4]), DVRESOLUTION_FULL);
  EXPECT_EQ(DVResolutionOf("Full"), DVRESOLUTION_HALF);
}

TEST(FrameRates, AreTruncatedToTwoDecimalsAndReadBackInWholeFrames) {
  EXPECT_DOUBLE_EQ(FrameRateToApply(29.999), 29.99);
  EXPECT_EQ(FrameIntervalOf(FrameRateToApply(29.999)), 333444);
  EXPECT_DOUBLE_EQ(FrameRateToApply(-1), 15.0);
  EXPECT_DOUBLE_EQ(FrameRateToApply(std::numeric_limits<double>::quiet_NaN()), 15.0);
  EXPECT_DOUBLE_EQ(FrameRateToApply(0.004), 15.0);  // no interval for a rate of 0
  EXPECT_EQ(FrameRateOfInterval(333667), 30.0);
  EXPECT_EQ(FrameRateOfInterval(1333333), 7.0);
  EXPECT_FALSE(FrameRateOfInterval(0));
}

TEST(PcmFormats, RunThroughRatesBitsAndChannels) {
  EXPECT_FALSE(PcmFormatOf(af_default));
  const auto format = PcmFormatOf(af_11025_8b_2ch);
  ASSERT_TRUE(format);
  EXPECT_EQ(format->SamplesPerSec, 11025u);
  EXPECT_EQ(format->BitsPerSample, 8u);
  EXPECT_EQ(format->Channels, 2u);
  EXPECT_EQ(PcmFormatOf(af_8000_16b_1ch)->BitsPerSample, 16u);
  EXPECT_EQ(PcmFormatOf(af_44100_16b_2ch)->SamplesPerSec, 44100u);
  EXPECT_EQ(PcmFormatOf(af_44100_16b_2ch)->Channels, 2u);
}

TEST(SizeSearch, HalvesAndDoublesFromEachStartWithinTheBounds) {
  std::vector<std::pair<int, int>> tried;
  SearchSizes(640, 480, 160, 120, 640, 480, [&](int w, int h) { tried.emplace_back(w, h); });
  ASSERT_GE(tried.size(), 4u);
  // The pin's own size, halved down to the minimum width.
  EXPECT_EQ(tried[0], std::make_pair(640, 480));
  EXPECT_EQ(tried[1], std::make_pair(320, 240));
  EXPECT_EQ(tried[2], std::make_pair(160, 120));
  const std::set<std::pair<int, int>> all(tried.begin(), tried.end());
  for (const auto& [w, h] : all) {
    EXPECT_GT(w, 0);
    EXPECT_GT(h, 0);
  }
  EXPECT_TRUE(all.count({2048, 1536}));  // halving series start above the maximum
  EXPECT_FALSE(all.count({1280, 960}));  // doubling series stop there
  EXPECT_TRUE(all.count({360, 144}));    // 360x288 of the common sizes, halved
  // A start taller than wide is halved first.
  tried.clear();
  SearchSizes(100, 300, 100, 100, 100, 200, [&](int w, int h) { tried.emplace_back(w, h); });
  EXPECT_EQ(tried.front(), std::make_pair(100, 150));
}

TEST(SizeSearch, EndsAtZeroSidesWhateverTheBounds) {
  int tests = 0;
  SearchSizes(0, 0, 0, 0, 0, 0, [&](int, int) { ++tests; });
  SearchSizes(640, 480, 0, 0, 0x7FFFFFFF, 0x7FFFFFFF, [&](int w, int h) {
    ++tests;
    ASSERT_NE(w, 0);
    ASSERT_NE(h, 0);
  });
  EXPECT_GT(tests, 0);
  EXPECT_LT(tests, 10'000);
}

}  // namespace

// Channel plans of analog TV tuners and V4L2's tuner units.

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <utility>
#include <vector>

#include "devices/v4l2/ChannelTables.h"

namespace {

using namespace devices;

constexpr long kUs = 1, kBrazil = 55, kJapan = 81, kGermany = 49, kItaly = 39, kFrance = 33,
               kUk = 44, kUnknown = 999;
constexpr bool kCable = true, kAir = false;

std::uint32_t Hz(double mhz) {
  return static_cast<std::uint32_t>(mhz * 1e6 + 0.5);
}

// Calls visit(country, cable, channel, hz) for every channel of every plan.
void ForEachChannel(const std::function<void(long, bool, long, std::uint32_t)>& visit) {
  for (long country : {kUs, kJapan, kGermany, kItaly, kFrance, kUk}) {
    for (bool cable : {kAir, kCable}) {
      const auto [first, last] = ChannelRange(country, cable);
      for (long channel = first; channel <= last; ++channel) {
        if (const auto hz = ChannelFrequencyHz(country, cable, channel)) {
          visit(country, cable, channel, *hz);
        }
      }
    }
  }
}

TEST(ChannelTablesTest, KnownCarriers) {
  struct Case {
    long country;
    bool cable;
    long channel;
    double mhz;
  };
  // clang-format off
  const std::vector<Case> cases = {
      {kUs, kAir, 2, 55.25}, {kUs, kAir, 7, 175.25}, {kUs, kAir, 14, 471.25}, {kUs, kAir, 69, 801.25},
      {kBrazil, kAir, 13, 211.25}, {kUs, kCable, 1, 73.25}, {kUs, kCable, 14, 121.25},
      {kUs, kCable, 22, 169.25}, {kUs, kCable, 23, 217.25}, {kUs, kCable, 95, 91.25},
      {kUs, kCable, 99, 115.25}, {kUs, kCable, 100, 649.25}, {kUs, kCable, 125, 799.25},
      {kJapan, kAir, 1, 91.25}, {kJapan, kAir, 8, 193.25}, {kJapan, kAir, 13, 471.25},
      {kJapan, kCable, 13, 109.25}, {kJapan, kCable, 28, 253.25}, {kJapan, kCable, 63, 463.25},
      {kGermany, kAir, 2, 48.25}, {kGermany, kAir, 5, 175.25}, {kGermany, kAir, 21, 471.25},
      {kGermany, kAir, 69, 855.25}, {kGermany, kCable, 101, 105.25}, {kGermany, kCable, 120, 294.25},
      {kGermany, kCable, 141, 463.25}, {kItaly, kAir, 1, 53.75}, {kItaly, kAir, 10, 224.25},
      {kFrance, kAir, 3, 60.5}, {kFrance, kAir, 10, 216.0}, {kUk, kAir, 68, 847.25},
  };
  // clang-format on
  for (const Case& c : cases) {
    EXPECT_EQ(ChannelFrequencyHz(c.country, c.cable, c.channel), Hz(c.mhz))
        << c.country << (c.cable ? " cable " : " broadcast ") << c.channel;
  }
}

TEST(ChannelTablesTest, RangesAndNumbersOutsideThem) {
  struct Case {
    long country;
    bool cable;
    std::pair<long, long> range;
    std::vector<long> noChannels;
  };
  const std::vector<Case> cases = {
      {kUs, kAir, {2, 69}, {-5, 1, 70}},
      {kUs, kCable, {1, 125}, {0, 126}},
      {kJapan, kCable, {1, 63}, {0, 64}},
      {kGermany, kAir, {2, 69}, {1, 13, 20, 70, 101}},
      {kGermany, kCable, {2, 141}, {13, 100, 142}},
      {kItaly, kAir, {1, 69}, {11, 70}},
      {kUk, kAir, {21, 68}, {2, 20, 69}},
      {kUnknown, kAir, {0, 0}, {0, 2}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ChannelRange(c.country, c.cable), c.range) << c.country;
    for (long channel : c.noChannels) {
      EXPECT_EQ(ChannelFrequencyHz(c.country, c.cable, channel), std::nullopt)
          << c.country << " " << channel;
    }
  }
}

TEST(ChannelTablesTest, EveryCarrierLeadsBackToItsChannel) {
  ForEachChannel([](long country, bool cable, long channel, std::uint32_t hz) {
    EXPECT_EQ(ChannelOfFrequency(country, cable, hz), channel);
    EXPECT_EQ(ChannelOfFrequency(country, cable, hz + Hz(0.9)), channel);
    for (bool low : {false, true}) {
      EXPECT_EQ(TunerUnitsToHz(FrequencyToTunerUnits(hz, low), low), hz) << channel;
    }
  });
  // More than 1 MHz from every carrier.
  EXPECT_EQ(ChannelOfFrequency(kUs, kAir, Hz(58.25)), std::nullopt);
  EXPECT_EQ(ChannelOfFrequency(kJapan, kAir, Hz(191.25)), std::nullopt);  // between 7 and 8
  EXPECT_EQ(ChannelOfFrequency(kUnknown, kAir, Hz(55.25)), std::nullopt);
}

TEST(ChannelTablesTest, TunerUnitsRoundToTheNearest) {
  struct Case {
    std::uint32_t hz;
    bool low;
    std::uint32_t units;
  };
  const std::vector<Case> cases = {
      {Hz(55.25), false, 884},
      {Hz(55.25), true, 884000},
      {Hz(55.25) + 31249, false, 884},
      {Hz(55.25) + 31250, false, 885},
      {31, true, 0},
      {32, true, 1},
      {4294967295u, true, 68719477},
      {4294967295u, false, 68719},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(FrequencyToTunerUnits(c.hz, c.low), c.units) << c.hz << (c.low ? " low" : "");
  }
  EXPECT_EQ(TunerUnitsToHz(1, true), 63u);                     // 62.5 Hz
  EXPECT_EQ(TunerUnitsToHz(4294967295u, false), 4294967295u);  // saturates
}

}  // namespace

#include "devices/v4l2/ChannelTables.h"

#include <algorithm>
#include <limits>
#include <span>

namespace devices {
namespace {

// Channels first..last with video carriers firstHz, firstHz + stepHz, ...
struct ChannelRun {
  long first;
  long last;
  std::uint32_t firstHz;
  std::uint32_t stepHz;
};

constexpr std::uint32_t MHz(double mhz) {
  return static_cast<std::uint32_t>(mhz * 1e6 + 0.5);
}

// One run per line, each with what it covers.
// clang-format off
constexpr ChannelRun kUsBroadcast[] = {
    {2, 4, MHz(55.25), MHz(6)},       // VHF low
    {5, 6, MHz(77.25), MHz(6)},       // VHF low, above the 72-76 MHz gap
    {7, 13, MHz(175.25), MHz(6)},     // VHF high
    {14, 69, MHz(471.25), MHz(6)},    // UHF
};

constexpr ChannelRun kUsCable[] = {
    {1, 1, MHz(73.25), 0},
    {2, 4, MHz(55.25), MHz(6)},
    {5, 6, MHz(77.25), MHz(6)},
    {7, 13, MHz(175.25), MHz(6)},
    {14, 22, MHz(121.25), MHz(6)},    // mid band A-I
    {23, 94, MHz(217.25), MHz(6)},    // super and hyper band
    {95, 99, MHz(91.25), MHz(6)},     // A-5 .. A-1, below the mid band
    {100, 125, MHz(649.25), MHz(6)},
};

constexpr ChannelRun kJapanBroadcast[] = {
    {1, 3, MHz(91.25), MHz(6)},
    {4, 7, MHz(171.25), MHz(6)},
    {8, 12, MHz(193.25), MHz(6)},     // 8 overlaps 7 by 2 MHz
    {13, 62, MHz(471.25), MHz(6)},
};

constexpr ChannelRun kJapanCable[] = {
    {1, 3, MHz(91.25), MHz(6)},
    {4, 7, MHz(171.25), MHz(6)},
    {8, 12, MHz(193.25), MHz(6)},
    {13, 21, MHz(109.25), MHz(6)},    // C13-C21
    {22, 22, MHz(165.25), 0},
    {23, 23, MHz(223.25), 0},
    {24, 27, MHz(231.25), MHz(6)},
    {28, 63, MHz(253.25), MHz(6)},    // C28 overlaps C27 by 2 MHz
};

constexpr ChannelRun kCcirBroadcast[] = {
    {2, 4, MHz(48.25), MHz(7)},       // E2-E4
    {5, 12, MHz(175.25), MHz(7)},     // E5-E12
    {21, 69, MHz(471.25), MHz(8)},
};

constexpr ChannelRun kEuropeCable[] = {
    {2, 4, MHz(48.25), MHz(7)},       // E2-E4
    {5, 12, MHz(175.25), MHz(7)},     // E5-E12
    {21, 69, MHz(471.25), MHz(8)},
    {101, 110, MHz(105.25), MHz(7)},  // S1-S10, between bands I and III
    {111, 120, MHz(231.25), MHz(7)},  // S11-S20, above band III
    {121, 141, MHz(303.25), MHz(8)},  // S21-S41, hyperband
};

constexpr ChannelRun kItalyBroadcast[] = {
    {1, 1, MHz(53.75), 0},            // A
    {2, 2, MHz(62.25), 0},            // B
    {3, 3, MHz(82.25), 0},            // C
    {4, 4, MHz(175.25), 0},           // D
    {5, 5, MHz(183.75), 0},           // E
    {6, 6, MHz(192.25), 0},           // F
    {7, 7, MHz(201.25), 0},           // G
    {8, 8, MHz(210.25), 0},           // H
    {9, 10, MHz(217.25), MHz(7)},     // H1, H2
    {21, 69, MHz(471.25), MHz(8)},
};

constexpr ChannelRun kFranceBroadcast[] = {
    {1, 1, MHz(47.75), 0},
    {2, 2, MHz(55.75), 0},
    {3, 3, MHz(60.5), 0},
    {4, 4, MHz(63.75), 0},
    {5, 10, MHz(176), MHz(8)},
    {21, 69, MHz(471.25), MHz(8)},
};

constexpr ChannelRun kUkBroadcast[] = {
    {21, 68, MHz(471.25), MHz(8)},
};
// clang-format on

using Plan = std::span<const ChannelRun>;

struct CountryPlans {
  long countryCode;
  Plan broadcast;
  Plan cable;
};

constexpr CountryPlans kCountries[] = {
    // NTSC-M, PAL-M and PAL-N countries on the US channel plan.
    {1, kUsBroadcast, kUsCable},
    {52, kUsBroadcast, kUsCable},   // Mexico
    {55, kUsBroadcast, kUsCable},   // Brazil
    {54, kUsBroadcast, kUsCable},   // Argentina
    {56, kUsBroadcast, kUsCable},   // Chile
    {57, kUsBroadcast, kUsCable},   // Colombia
    {51, kUsBroadcast, kUsCable},   // Peru
    {58, kUsBroadcast, kUsCable},   // Venezuela
    {82, kUsBroadcast, kUsCable},   // South Korea
    {886, kUsBroadcast, kUsCable},  // Taiwan
    {63, kUsBroadcast, kUsCable},   // Philippines
    {81, kJapanBroadcast, kJapanCable},
    // CCIR B/G countries.
    {49, kCcirBroadcast, kEuropeCable},   // Germany
    {31, kCcirBroadcast, kEuropeCable},   // Netherlands
    {32, kCcirBroadcast, kEuropeCable},   // Belgium
    {41, kCcirBroadcast, kEuropeCable},   // Switzerland
    {43, kCcirBroadcast, kEuropeCable},   // Austria
    {45, kCcirBroadcast, kEuropeCable},   // Denmark
    {46, kCcirBroadcast, kEuropeCable},   // Sweden
    {47, kCcirBroadcast, kEuropeCable},   // Norway
    {358, kCcirBroadcast, kEuropeCable},  // Finland
    {90, kCcirBroadcast, kEuropeCable},   // Turkey
    {34, kCcirBroadcast, kEuropeCable},   // Spain
    {351, kCcirBroadcast, kEuropeCable},  // Portugal
    {30, kCcirBroadcast, kEuropeCable},   // Greece
    {352, kCcirBroadcast, kEuropeCable},  // Luxembourg
    {354, kCcirBroadcast, kEuropeCable},  // Iceland
    {39, kItalyBroadcast, kEuropeCable},
    {33, kFranceBroadcast, kFranceBroadcast},
    {44, kUkBroadcast, kUkBroadcast},
    {353, kUkBroadcast, kUkBroadcast},  // Ireland
};

Plan PlanOf(long countryCode, bool cable) {
  for (const CountryPlans& country : kCountries) {
    if (country.countryCode == countryCode) return cable ? country.cable : country.broadcast;
  }
  return {};
}

std::uint32_t Frequency(const ChannelRun& run, long channel) {
  return run.firstHz + static_cast<std::uint32_t>(channel - run.first) * run.stepHz;
}

}  // namespace

std::optional<std::uint32_t> ChannelFrequencyHz(long countryCode, bool cable, long channel) {
  for (const ChannelRun& run : PlanOf(countryCode, cable)) {
    if (channel >= run.first && channel <= run.last) return Frequency(run, channel);
  }
  return std::nullopt;
}

std::pair<long, long> ChannelRange(long countryCode, bool cable) {
  const Plan plan = PlanOf(countryCode, cable);
  if (plan.empty()) return {0, 0};
  long lowest = std::numeric_limits<long>::max();
  long highest = std::numeric_limits<long>::min();
  for (const ChannelRun& run : plan) {
    lowest = std::min(lowest, run.first);
    highest = std::max(highest, run.last);
  }
  return {lowest, highest};
}

std::optional<long> ChannelOfFrequency(long countryCode, bool cable, std::uint32_t hz) {
  constexpr std::uint32_t kCapture = MHz(1);
  std::optional<long> nearest;
  std::uint32_t nearestDistance = kCapture + 1;
  for (const ChannelRun& run : PlanOf(countryCode, cable)) {
    for (long channel = run.first; channel <= run.last; ++channel) {
      const std::uint32_t carrier = Frequency(run, channel);
      const std::uint32_t distance = carrier > hz ? carrier - hz : hz - carrier;
      if (distance < nearestDistance) {
        nearest = channel;
        nearestDistance = distance;
      }
    }
  }
  return nearest;
}

std::uint32_t FrequencyToTunerUnits(std::uint32_t hz, bool lowUnits) {
  // hz / 62.5 = 4 hz / 250 (or 4 hz / 250000), rounded half up, in 64 bits.
  const std::uint64_t divisor = lowUnits ? 250 : 250000;
  return static_cast<std::uint32_t>((std::uint64_t{hz} * 4 + divisor / 2) / divisor);
}

std::uint32_t TunerUnitsToHz(std::uint32_t units, bool lowUnits) {
  // units · 62.5 (or · 62500), rounded half up; saturates beyond 32 bits.
  const std::uint64_t hz =
      lowUnits ? (std::uint64_t{units} * 125 + 1) / 2 : std::uint64_t{units} * 62500;
  return static_cast<std::uint32_t>(
      std::min<std::uint64_t>(hz, std::numeric_limits<std::uint32_t>::max()));
}

}  // namespace devices

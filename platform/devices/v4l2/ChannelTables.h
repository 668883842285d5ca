#pragma once
// Analog TV channels: the video carrier frequency of a channel number in a country's broadcast or
// cable plan, as a TV tuner maps channel numbers, and V4L2's tuner frequency units.
//
// Countries are given by their international telephone code. Plans and the numbers they use:
//   US (1 USA/Canada, 52 Mexico, 55 Brazil, 54 Argentina, 56, 57, 51, 58, 82, 886, 63, ...):
//     broadcast 2-69 (NTSC-M); cable 1-125 in the standard cable plan (14-22 the mid band at
//     121.25-169.25 MHz, 95-99 at 91.25-115.25 MHz).
//   Japan (81): broadcast 1-62 (VHF 1-12 with 7 and 8 overlapping, UHF 13-62); cable 1-12 as
//     broadcast and 13-63 as the cable channels C13-C63.
//   Western Europe, CCIR (49, 31, 32, 41, 43, 45, 46, 47, 358, 90, 34, 351, 30, 352, 354):
//     broadcast E2-E12 as 2-12 and UHF 21-69. Cable: the broadcast channels plus the cable
//     channels S1-S41 as 100 + n (S1 = 101 at 105.25 MHz ... S10 = 110, S11 = 111 at
//     231.25 MHz ... S20 = 120, S21 = 121 at 303.25 MHz ... S41 = 141), so that every channel
//     keeps its own number.
//   Italy (39): broadcast VHF A, B, C, D, E, F, G, H, H1, H2 as 1-10, UHF 21-69; cable as
//     Western Europe's cable plan.
//   France (33): broadcast L/SECAM VHF 1-10 (47.75 ... 216 MHz) and UHF 21-69; cable the same.
//   UK (44), Ireland (353): UHF 21-68 for broadcast and cable.
// Numbers between a plan's ranges (13-20 in Europe) are no channels.
//
// Any thread.

#include <cstdint>
#include <optional>
#include <utility>

namespace devices {

// The video carrier of the channel in Hz, or nullopt for an unknown country or a number that is no
// channel of the plan.
std::optional<std::uint32_t> ChannelFrequencyHz(long countryCode, bool cable, long channel);

// The lowest and the highest channel number of the plan; (0, 0) for an unknown country.
std::pair<long, long> ChannelRange(long countryCode, bool cable);

// The channel whose video carrier is nearest to hz, when within 1 MHz of it.
std::optional<long> ChannelOfFrequency(long countryCode, bool cable, std::uint32_t hz);

// V4L2 tuner frequencies: units of 62.5 kHz, or of 62.5 Hz for tuners with V4L2_TUNER_CAP_LOW
// (lowUnits). Rounded to the nearest unit (to the nearest Hz back).
std::uint32_t FrequencyToTunerUnits(std::uint32_t hz, bool lowUnits);
std::uint32_t TunerUnitsToHz(std::uint32_t units, bool lowUnits);

}  // namespace devices

#pragma once
// The processing amplifier as the component addresses it: ten properties by an index of its own
// (0 Brightness ... 9 BacklightCompensation), each with its settings entry, and their ranges.
// UI thread only.

#include <array>

#include "dshow/DShow.h"
#include "rudozav/devices/RegSave.h"

inline constexpr int kProcAmpCount = 10;

// The IAMVideoProcAmp property of each index; index i keeps its value in settings entry
// rs_ProcAmp_Brightness + i.
inline constexpr std::array<LONG, kProcAmpCount> kProcAmpProperties{
    VideoProcAmp_Brightness,           VideoProcAmp_Contrast,  VideoProcAmp_Hue,
    VideoProcAmp_Saturation,           VideoProcAmp_Sharpness, VideoProcAmp_Gamma,
    VideoProcAmp_WhiteBalance,         VideoProcAmp_Gain,      VideoProcAmp_ColorEnable,
    VideoProcAmp_BacklightCompensation};

// One property's range as GetRange gave it; Available is false when it could not be read.
struct TProcAmpRange {
  bool Available = false;
  LONG Min = NOT_SET;
  LONG Max = NOT_SET;
  LONG Step = NOT_SET;
  LONG Default = NOT_SET;
  LONG Flags = 0;
};
using TProcAmpRanges = std::array<TProcAmpRange, kProcAmpCount>;

// Writes every saved value that is not NOT_SET to the device.
void ApplyProcAmpSettings(IAMVideoProcAmp* procAmp, const TRegSave& table);
// Reads the device's current values into the table; a value that cannot be read stays.
void CaptureProcAmpSettings(IAMVideoProcAmp* procAmp, TRegSave& table);
// Reads the ten ranges.
void ReadProcAmpRanges(IAMVideoProcAmp* procAmp, TProcAmpRanges& ranges);

#pragma once
// The names under which the preview graph adds its filters, and the outside deinterlacer's class.

#include "com/Guid.h"

// Not part of the system: present only when something registered it.
inline constexpr CLSID CLSID_DScalerDeinterlacer = MakeGuid("463D645D-48F7-11D4-8464-0008C782A257");

inline constexpr char kDVSplitterName[] = "DV Splitter";
inline constexpr char kDVCodecName[] = "DV Codec";
inline constexpr char kRawFrameGrabberName[] = "Raw Frame Grabber";
inline constexpr char kDScalerDeinterlacerName[] = "DSCALER Deinterlacer";
inline constexpr char kHalfSizeDeinterlacerName[] = "Half-Size Deinterlacer";
inline constexpr char kFrameGrabberName[] = " Frame Grabber";  // with the leading blank
inline constexpr char kFrameNotifierName[] = "Frame Notifier";
inline constexpr char kAudioRendererName[] = "Audio Renderer";

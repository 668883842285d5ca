#pragma once
// The names under which the capture graph adds its own filters, and the compressors it binds.
// UI thread only.

#include "com/ComPtr.h"
#include "dshow/FilterInterfaces.h"
#include "rudozav/RudOzav.h"

inline constexpr char kSmartTeeName[] = "Smart Tee";
inline constexpr char kAudioTeeName[] = "Audio Tee";
inline constexpr char kDScalerPreviewDeinterlacerName[] = "DSCALER Preview Deinterlacer";
inline constexpr char kCaptureDeinterlacerName[] = "Capture Deinterlacer";

// Whether the stream (ct_Video, ct_Audio) is compressed on its way into this graph's file: on the
// fly while capturing, or when recompressing after a capture.
bool CompressesStream(const TRavorOderiri& component, TCompressionType stream);

// Puts the chosen video or audio compressor into the graph; the video compressor gets its saved
// settings back. False when it cannot be bound.
bool BindCompressor(TRavorOderiri& component, bool video, ComPtr<IBaseFilter>& compressor);

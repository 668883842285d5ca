#pragma once
// Writing the chosen subtype, size, frame rate and audio format into the device's pins, and
// reading them back after the user changed the format in the device's own dialog. UI thread only.

#include "dshow/DShow.h"

class TRavorOderiri;

// VideoSubType and VideoSize into the capture pin's format (for a DV device the subtype only).
// Returns whether the format was set or there was nothing to set.
bool SetVideoFormat(TRavorOderiri& component);
// FrameRate, truncated to two decimals, into the capture pin's format.
void ApplyFrameRate(TRavorOderiri& component);
// FrameRate from the capture pin's format, in whole frames per second.
void ReadFrameRate(TRavorOderiri& component);
// VideoSubType and VideoSize from the capture pin's format, where the lists hold it.
void ReadCurrentFormat(TRavorOderiri& component);
// DVRgb219 and the display resolution of the VideoSize entry into a DV video decoder.
void ConfigureDVDecoder(TRavorOderiri& component, IBaseFilter* decoder);
// AudioFormat into the audio capture pin's PCM format.
void ApplyAudioFormat(TRavorOderiri& component);

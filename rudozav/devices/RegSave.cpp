#include "rudozav/devices/RegSave.h"

#include <string_view>

namespace {

struct TDefault {
  std::string_view name;
  TSaveKind kind;
  std::int32_t intValue;  // integer entries; Booleans default to false
};

constexpr double kDefaultFrameRate = 30.0;

// The table in index order; strings default to empty, the one float to kDefaultFrameRate.
constexpr std::array<TDefault, kRegSaveCount> kDefaults{{
    {"DummyBEGIN", sk_Integer, NOT_SET},
    {"_DeviceDiscovered", sk_Boolean, 0},
    {"_IsVfw", sk_Boolean, 0},
    {"_IsAnalogVideoIn", sk_Boolean, 0},
    {"_IsDigitalVideoIn", sk_Boolean, 0},
    {"_IsOverlayAvailable", sk_Boolean, 0},
    {"_IsTVTunerAvail", sk_Boolean, 0},
    {"_IsTVAudioAvail", sk_Boolean, 0},
    {"_IsAnalogVideoDecoderAvail", sk_Boolean, 0},
    {"_IsVideoCrossbarAvail", sk_Boolean, 0},
    {"_IsAudioCrossbarAvail", sk_Boolean, 0},
    {"_IsProcampAvail", sk_Boolean, 0},
    {"_VfwCaptureDialogFormat", sk_Boolean, 0},
    {"_VfwCaptureDialogSource", sk_Boolean, 0},
    {"_VfwCaptureDialogDisplay", sk_Boolean, 0},
    {"DummyMAYNOTBESAVED", sk_Integer, NOT_SET},
    {"DVRgb219", sk_Boolean, 0},
    {"DVReduceFrameRate", sk_Boolean, 0},
    {"DVUseExternalAudio", sk_Boolean, 0},
    {"VideoSize", sk_Integer, 0},
    {"VideoCrossbarInput", sk_Integer, 0},
    {"VideoCrossbarInputs", sk_String, 0},
    {"VideoSubtype", sk_Integer, 0},
    {"FrameRate", sk_Float, 0},
    {"AudioFormat", sk_Integer, 0},
    {"TVINFOAVAIL", sk_Boolean, 0},
    {"ANALOGVIDEODECODERAVAIL", sk_Boolean, 0},
    {"VIDEOCROSSBARAVAIL", sk_Boolean, 0},
    {"AUDIOCROSSBARAVAIL", sk_Boolean, 0},
    {"TVChannel", sk_Integer, 0},
    {"TVVideoSubChannel", sk_Integer, NOT_SET},
    {"TVAudioSubChannel", sk_Integer, NOT_SET},
    {"TVConnectInput", sk_Integer, NOT_SET},
    {"TVInputType", sk_String, 0},
    {"ANTVFormats", sk_Integer, 0},
    {"ANTVFormat", sk_Integer, 0},
    {"ANVVCRHorzLocking", sk_Integer, NOT_SET},
    {"ANVOutputEnable", sk_Integer, NOT_SET},
    {"AMVideoCrossbar", sk_String, 0},
    {"AMAudioCrossbar", sk_String, 0},
    {"ProcAmp_Brightness", sk_Integer, NOT_SET},
    {"ProcAmp_Contrast", sk_Integer, NOT_SET},
    {"ProcAmp_Hue", sk_Integer, NOT_SET},
    {"ProcAmp_Saturation", sk_Integer, NOT_SET},
    {"ProcAmp_Sharpness", sk_Integer, NOT_SET},
    {"ProcAmp_Gamma", sk_Integer, NOT_SET},
    {"ProcAmp_WhiteBalance", sk_Integer, NOT_SET},
    {"ProcAmp_Gain", sk_Integer, NOT_SET},
    {"ProcAmp_ColorEnable", sk_Integer, NOT_SET},
    {"ProcAmp_BacklightComp", sk_Integer, NOT_SET},
    {"DummyEND", sk_Integer, NOT_SET},
}};

}  // namespace

void ResetSavedSettings(TRegSave& table) {
  for (std::size_t i = 0; i < kRegSaveCount; ++i) {
    const TDefault& entry = kDefaults[i];
    TSaveInfo& info = table[i];
    info.Name = std::string(entry.name);
    info.Kind = entry.kind;
    info.IntValue = entry.kind == sk_Integer ? entry.intValue : 0;
    info.StrValue.clear();
    info.BoolValue = false;
    info.FloatValue = entry.kind == sk_Float ? kDefaultFrameRate : 0.0;
  }
}

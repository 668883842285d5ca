#pragma once
// The per-device settings table: capability flags found by probing a device and the settings the
// user chose for it, mirrored in the device's registry key. Each component holds one table.

#include <array>
#include <cstdint>
#include <string>

// No value is known.
inline constexpr std::int32_t NOT_SET = 2147483647;

enum TSaveKind { sk_Integer = 0, sk_String = 1, sk_Boolean = 2, sk_Float = 3 };

struct TSaveInfo {
  std::string Name;
  TSaveKind Kind = sk_Integer;
  std::int32_t IntValue = 0;
  std::string StrValue;
  bool BoolValue = false;
  double FloatValue = 0.0;
};

inline constexpr std::size_t kRegSaveCount = 51;
using TRegSave = std::array<TSaveInfo, kRegSaveCount>;

// Indexes of the table. Entries from rs_DummyMAYNOTBESAVED on are settings, loaded only when the
// component stores device settings in the registry.
enum TRegSaveIndex {
  rs_DummyBEGIN,
  rs_DeviceDiscovered,
  rs_IsVfw,
  rs_IsAnalogVideoIn,
  rs_IsDigitalVideoIn,
  rs_IsOverlayAvailable,
  rs_IsTVTunerAvail,
  rs_IsTVAudioAvail,
  rs_IsAnalogVideoDecoderAvail,
  rs_IsVideoCrossbarAvail,
  rs_IsAudioCrossbarAvail,
  rs_IsProcampAvail,
  rs_VfwCaptureDialogFormat,
  rs_VfwCaptureDialogSource,
  rs_VfwCaptureDialogDisplay,
  rs_DummyMAYNOTBESAVED,
  rs_DVRgb219,
  rs_DVReduceFrameRate,
  rs_DVUseExternalAudio,
  rs_VideoSize,
  rs_VideoCrossbarInput,
  rs_VideoCrossbarInputs,
  rs_VideoSubtype,
  rs_FrameRate,
  rs_AudioFormat,
  rs_TVINFOAVAIL,
  rs_ANALOGVIDEODECODERAVAIL,
  rs_VIDEOCROSSBARAVAIL,
  rs_AUDIOCROSSBARAVAIL,
  rs_TVChannel,
  rs_TVVideoSubChannel,
  rs_TVAudioSubChannel,
  rs_TVConnectInput,
  rs_TVInputType,
  rs_ANTVFormats,
  rs_ANTVFormat,
  rs_ANVVCRHorzLocking,
  rs_ANVOutputEnable,
  rs_AMVideoCrossbar,
  rs_AMAudioCrossbar,
  rs_ProcAmp_Brightness,
  rs_ProcAmp_Contrast,
  rs_ProcAmp_Hue,
  rs_ProcAmp_Saturation,
  rs_ProcAmp_Sharpness,
  rs_ProcAmp_Gamma,
  rs_ProcAmp_WhiteBalance,
  rs_ProcAmp_Gain,
  rs_ProcAmp_ColorEnable,
  rs_ProcAmp_BacklightComp,
  rs_DummyEND,
};
static_assert(rs_DummyEND + 1 == kRegSaveCount);

// Gives every entry its name, kind and default.
void ResetSavedSettings(TRegSave& table);

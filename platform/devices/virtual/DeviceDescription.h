#pragma once
// What a virtual device is: the parsed form of one entry of a JSON device description
// (platform/devices/README.md documents the JSON). Plain values; the virtual filters read them
// and never change them, so one description may be shared by any number of threads.

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "com/Guid.h"
#include "devices/capture/CrossbarDescription.h"
#include "devices/capture/VideoCapability.h"
#include "dshow/DeviceInterfaces.h"

namespace devices {

enum class DeviceCategory { kVideoInput, kAudioInput, kVideoCompressor, kAudioCompressor };

// Which driver the device pretends to have; decides its "CLSID" property.
enum class DeviceKind { kWdm, kVfw, kOther };

struct TunerDescription {
  LONG channelMin = 1;
  LONG channelMax = 99;
  LONG channel = 4;
  LONG countryCode = 90;
  LONG tuningSpace = 0;
  LONG availableModes = AMTUNER_MODE_TV;
  LONG mode = AMTUNER_MODE_TV;
  LONG standards = AnalogVideo_PAL_B;  // mask
  std::vector<TunerInputType> inputTypes{TunerInputCable};
  LONG connectInput = 0;
  bool signalPresent = true;
};

struct TvAudioDescription {
  LONG hardwareModes = AMTVAUDIO_MODE_MONO | AMTVAUDIO_MODE_STEREO;
  LONG availableModes = AMTVAUDIO_MODE_MONO | AMTVAUDIO_MODE_STEREO;
  LONG mode = AMTVAUDIO_MODE_STEREO;
};

struct DecoderDescription {
  LONG standards = AnalogVideo_PAL_B;  // mask
  LONG standard = AnalogVideo_PAL_B;
  bool horizontalLocked = true;
  LONG vcrLocking = 0;
  LONG outputEnable = 1;
};

struct ProcAmpRange {
  bool present = false;
  LONG min = 0;
  LONG max = 0;
  LONG step = 1;
  LONG defaultValue = 0;
  LONG flags = VideoProcAmp_Flags_Manual;
};

// Indexed by VideoProcAmpProperty.
using ProcAmpDescription = std::array<ProcAmpRange, 10>;

struct DroppedFramesDescription {
  LONG dropEvery = 0;  // one frame in that many counts as dropped; 0 none
};

struct TimecodeDescription {
  DWORD start = 0;  // packed BCD hh:mm:ss:ff of the first frame
  DWORD track = 0;  // absolute track number
  LONG framesPerSecond = 25;
  bool blank = false;  // a tape without time code: reads 0xFFFFFFFF
};

struct TransportDescription {
  LONG mode = 0;  // 0: ED_MODE_STOP
};

struct FaultDescription {
  bool bindFails = false;     // BindToObject fails
  bool addFails = false;      // joining a graph fails
  bool inUse = false;         // leaving Stopped fails: another program holds the device
  LONG lostAfterFrames = -1;  // the device goes away after that many frames; -1 never
};

enum class PatternKind { kBars, kGradient, kChecker, kSolid, kAlternate };

// The picture controls a camera applies to what it paints, as the kernel's test drivers do. The
// identity leaves the pattern as described.
struct PictureAdjustment {
  int brightness = 0;    // added to the luma, -255..255
  int contrast = 256;    // luma and chroma scale, 256 = 1
  int saturation = 256;  // chroma scale, 256 = 1
  int hue = 0;           // chroma rotation in degrees
  int gain = 256;        // luma scale, 256 = 1

  bool IsIdentity() const {
    return brightness == 0 && contrast == 256 && saturation == 256 && hue == 0 && gain == 256;
  }
};

struct PictureDescription {
  PatternKind pattern = PatternKind::kBars;
  bool moving = true;
  std::array<BYTE, 3> colour{0, 128, 255};  // red, green, blue of kSolid; even frames of kAlternate
  std::array<BYTE, 3> colour2{255, 128, 0};  // odd frames of kAlternate
  PictureAdjustment adjustment;              // the camera's controls now, not described
};

struct AudioFormatDescription {
  DWORD samplesPerSec = 44100;
  WORD bitsPerSample = 16;
  WORD channels = 2;
};

struct ToneDescription {
  double frequency = 440.0;
  double amplitude = 0.25;  // of full scale
};

struct CompressorDescription {
  DWORD fourcc = 0;      // video: the output subtype's FourCC
  WORD formatTag = 0;    // audio: the output's format tag
  bool dialogs = false;  // IAMVfwCompressDialogs
  bool persist = false;  // IPersistStream
};

struct DeviceDescription {
  DeviceCategory category = DeviceCategory::kVideoInput;
  DeviceKind kind = DeviceKind::kWdm;
  std::string friendlyName;
  std::optional<CLSID> clsid;  // overrides the kind's class id
  std::string displayName;     // overrides the built one
  std::string bus = "usb";
  std::string vid;  // lower-case hexadecimal; empty: no hardware id
  std::string pid;
  std::string mi = "00";
  std::string instance;  // empty: one is chosen when the device is plugged

  // Video capture.
  PictureDescription picture;
  std::vector<VideoPinDescription> pins;
  std::vector<CrossbarDescription> crossbars;  // [0] next to the capture filter
  std::optional<TunerDescription> tuner;
  std::optional<TvAudioDescription> tvAudio;
  std::optional<DecoderDescription> decoder;
  std::optional<ProcAmpDescription> procAmp;
  std::optional<DroppedFramesDescription> droppedFrames;
  std::optional<TimecodeDescription> timecode;
  std::optional<TransportDescription> transport;
  int vfwDialogs = 0;  // VfwCaptureDialogs bits

  // Audio capture.
  std::vector<AudioFormatDescription> audioFormats;
  ToneDescription tone;

  // Compressors.
  CompressorDescription compressor;

  FaultDescription faults;

  // The entry's JSON text in compact form: a changed description file is compared entry by
  // entry with it.
  std::string source;
};

// The category's device class id (CLSID_VideoInputDeviceCategory, ...).
const CLSID& CategoryClassId(DeviceCategory category);

}  // namespace devices

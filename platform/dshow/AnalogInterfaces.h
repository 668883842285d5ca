#pragma once
// Controls of analog capture hardware: input selection (crossbar), the TV tuner and its sound,
// and the analog video decoder with its TV standards. All are called from the application's
// thread.

#include "com/ComPtr.h"
#include "dshow/DShowTypes.h"

// Physical connectors of crossbar pins. Types below 0x1000 are video, from 0x1000 up audio.
enum PhysicalConnectorType : LONG {
  PhysConn_Video_Tuner = 1,
  PhysConn_Video_Composite = 2,
  PhysConn_Video_SVideo = 3,
  PhysConn_Video_RGB = 4,
  PhysConn_Video_YRYBY = 5,
  PhysConn_Video_SerialDigital = 6,
  PhysConn_Video_ParallelDigital = 7,
  PhysConn_Video_SCSI = 8,
  PhysConn_Video_AUX = 9,
  PhysConn_Video_1394 = 10,
  PhysConn_Video_USB = 11,
  PhysConn_Video_VideoDecoder = 12,
  PhysConn_Video_VideoEncoder = 13,
  PhysConn_Video_SCART = 14,
  PhysConn_Video_Black = 15,
  PhysConn_Audio_Tuner = 0x1000,
  PhysConn_Audio_Line = 0x1001,
  PhysConn_Audio_Mic = 0x1002,
  PhysConn_Audio_AESDigital = 0x1003,
  PhysConn_Audio_SPDIFDigital = 0x1004,
  PhysConn_Audio_SCSI = 0x1005,
  PhysConn_Audio_AUX = 0x1006,
  PhysConn_Audio_1394 = 0x1007,
  PhysConn_Audio_USB = 0x1008,
  PhysConn_Audio_AudioDecoder = 0x1009,
};

// Routes inputs to outputs. Input and output pins are counted separately from 0; on the
// filter's pin enumeration the inputs come first, then the outputs.
struct IAMCrossbar : IUnknown {
  static constexpr IID iid = MakeGuid("C6E13380-30AC-11D0-A18C-00A0C9118956");
  virtual HRESULT get_PinCounts(LONG* outputCount, LONG* inputCount) = 0;
  // S_OK when the input can be routed to the output, S_FALSE when not.
  virtual HRESULT CanRoute(LONG output, LONG input) = 0;
  // input -1 disconnects the output.
  virtual HRESULT Route(LONG output, LONG input) = 0;
  // The input routed to the output, -1 when none.
  virtual HRESULT get_IsRoutedTo(LONG output, LONG* input) = 0;
  // relatedPin: the index (same direction) of the pin that belongs with this one, such as the
  // audio of a video input; -1 when none. physicalType: a PhysicalConnectorType.
  virtual HRESULT get_CrossbarPinInfo(BOOL isInput, LONG index, LONG* relatedPin,
                                      LONG* physicalType) = 0;
};

// Analog TV standards, as bits of a mask.
enum AnalogVideoStandard : LONG {
  AnalogVideo_None = 0x000000,
  AnalogVideo_NTSC_M = 0x000001,
  AnalogVideo_NTSC_M_J = 0x000002,
  AnalogVideo_NTSC_433 = 0x000004,
  AnalogVideo_PAL_B = 0x000010,
  AnalogVideo_PAL_D = 0x000020,
  AnalogVideo_PAL_G = 0x000040,
  AnalogVideo_PAL_H = 0x000080,
  AnalogVideo_PAL_I = 0x000100,
  AnalogVideo_PAL_M = 0x000200,
  AnalogVideo_PAL_N = 0x000400,
  AnalogVideo_PAL_60 = 0x000800,
  AnalogVideo_SECAM_B = 0x001000,
  AnalogVideo_SECAM_D = 0x002000,
  AnalogVideo_SECAM_G = 0x004000,
  AnalogVideo_SECAM_H = 0x008000,
  AnalogVideo_SECAM_K = 0x010000,
  AnalogVideo_SECAM_K1 = 0x020000,
  AnalogVideo_SECAM_L = 0x040000,
  AnalogVideo_SECAM_L1 = 0x080000,
  AnalogVideo_PAL_N_COMBO = 0x100000,
};
inline constexpr LONG AnalogVideo_NTSC_Mask = 0x000007;
inline constexpr LONG AnalogVideo_PAL_Mask = 0x100FF0;
inline constexpr LONG AnalogVideo_SECAM_Mask = 0x0FF000;

struct IAMAnalogVideoDecoder : IUnknown {
  static constexpr IID iid = MakeGuid("C6E13350-30AC-11D0-A18C-00A0C9118956");
  // A mask of AnalogVideoStandard bits.
  virtual HRESULT get_AvailableTVFormats(LONG* formats) = 0;
  // One AnalogVideoStandard bit.
  virtual HRESULT put_TVFormat(LONG format) = 0;
  virtual HRESULT get_TVFormat(LONG* format) = 0;
  virtual HRESULT get_HorizontalLocked(LONG* locked) = 0;
  virtual HRESULT put_VCRHorizontalLocking(LONG vcrLocking) = 0;
  virtual HRESULT get_VCRHorizontalLocking(LONG* vcrLocking) = 0;
  virtual HRESULT get_NumberOfLines(LONG* lines) = 0;
  virtual HRESULT put_OutputEnable(LONG enable) = 0;
  virtual HRESULT get_OutputEnable(LONG* enable) = 0;
};

enum TunerInputType : LONG { TunerInputCable = 0, TunerInputAntenna = 1 };

enum AMTunerModeType : LONG {
  AMTUNER_MODE_DEFAULT = 0,
  AMTUNER_MODE_TV = 0x1,
  AMTUNER_MODE_FM_RADIO = 0x2,
  AMTUNER_MODE_AM_RADIO = 0x4,
  AMTUNER_MODE_DSS = 0x8,
};

inline constexpr LONG AMTUNER_SUBCHAN_NO_TUNE = -2;
inline constexpr LONG AMTUNER_SUBCHAN_DEFAULT = -1;

inline constexpr LONG AMTUNER_HASNOSIGNALSTRENGTH = -1;
inline constexpr LONG AMTUNER_NOSIGNAL = 0;
inline constexpr LONG AMTUNER_SIGNALPRESENT = 1;

struct IAMTuner : IUnknown {
  static constexpr IID iid = MakeGuid("211A8761-03AC-11D1-8D13-00AA00BD8339");
  virtual HRESULT put_Channel(LONG channel, LONG videoSubChannel, LONG audioSubChannel) = 0;
  virtual HRESULT get_Channel(LONG* channel, LONG* videoSubChannel, LONG* audioSubChannel) = 0;
  virtual HRESULT ChannelMinMax(LONG* channelMin, LONG* channelMax) = 0;
  virtual HRESULT put_CountryCode(LONG countryCode) = 0;
  virtual HRESULT get_CountryCode(LONG* countryCode) = 0;
  virtual HRESULT put_TuningSpace(LONG tuningSpace) = 0;
  virtual HRESULT get_TuningSpace(LONG* tuningSpace) = 0;
  // AMTUNER_SIGNALPRESENT, AMTUNER_NOSIGNAL or AMTUNER_HASNOSIGNALSTRENGTH.
  virtual HRESULT SignalPresent(LONG* signalStrength) = 0;
  virtual HRESULT put_Mode(AMTunerModeType mode) = 0;
  virtual HRESULT get_Mode(AMTunerModeType* mode) = 0;
  // A mask of AMTunerModeType bits.
  virtual HRESULT GetAvailableModes(LONG* modes) = 0;
};

struct IAMTVTuner : IAMTuner {
  static constexpr IID iid = MakeGuid("211A8766-03AC-11D1-8D13-00AA00BD8339");
  virtual HRESULT get_AvailableTVFormats(LONG* standards) = 0;
  virtual HRESULT get_TVFormat(LONG* standard) = 0;
  virtual HRESULT AutoTune(LONG channel, LONG* foundSignal) = 0;
  virtual HRESULT StoreAutoTune() = 0;
  virtual HRESULT get_NumInputConnections(LONG* count) = 0;
  virtual HRESULT put_InputType(LONG index, TunerInputType inputType) = 0;
  virtual HRESULT get_InputType(LONG index, TunerInputType* inputType) = 0;
  virtual HRESULT put_ConnectInput(LONG index) = 0;
  virtual HRESULT get_ConnectInput(LONG* index) = 0;
  // Hertz.
  virtual HRESULT get_VideoFrequency(LONG* frequency) = 0;
  virtual HRESULT get_AudioFrequency(LONG* frequency) = 0;
};

// TV sound modes, as bits of a mask.
enum TVAudioMode : LONG {
  AMTVAUDIO_MODE_MONO = 0x0001,
  AMTVAUDIO_MODE_STEREO = 0x0002,
  AMTVAUDIO_MODE_LANG_A = 0x0010,
  AMTVAUDIO_MODE_LANG_B = 0x0020,
  AMTVAUDIO_MODE_LANG_C = 0x0040,
};

struct IAMTVAudio : IUnknown {
  static constexpr IID iid = MakeGuid("83EC1C30-23D1-11D1-99E6-00A0C9560266");
  virtual HRESULT GetHardwareSupportedTVAudioModes(LONG* modes) = 0;
  virtual HRESULT GetAvailableTVAudioModes(LONG* modes) = 0;
  virtual HRESULT get_TVAudioMode(LONG* mode) = 0;
  virtual HRESULT put_TVAudioMode(LONG mode) = 0;
};

inline constexpr IID IID_IAMCrossbar = IAMCrossbar::iid;
inline constexpr IID IID_IAMAnalogVideoDecoder = IAMAnalogVideoDecoder::iid;
inline constexpr IID IID_IAMTuner = IAMTuner::iid;
inline constexpr IID IID_IAMTVTuner = IAMTVTuner::iid;
inline constexpr IID IID_IAMTVAudio = IAMTVAudio::iid;

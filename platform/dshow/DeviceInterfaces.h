#pragma once
// Interfaces of capture devices and their pins: stream formats, pin properties, picture
// controls, frame counting, stream control and the driver dialogs of older devices and codecs.
// The analog and tape controls are in their own headers, included here.
//
// Threads: everything is called from the application's thread, except IAMDroppedFrames, which
// may also be read while the streaming thread counts.

#include "com/ComPtr.h"
#include "dshow/AnalogInterfaces.h"
#include "dshow/DShowTypes.h"
#include "dshow/MediaType.h"
#include "dshow/TransportInterfaces.h"

// What a video pin can deliver for one media type of GetStreamCaps: sizes, cropping and frame
// intervals.
struct VIDEO_STREAM_CONFIG_CAPS {
  GUID guid;                // the format type (FORMAT_VideoInfo, ...)
  ULONG VideoStandard = 0;  // AnalogVideoStandard bits
  SIZE InputSize;           // the sensor or digitised frame
  SIZE MinCroppingSize;
  SIZE MaxCroppingSize;
  int CropGranularityX = 0;
  int CropGranularityY = 0;
  int CropAlignX = 0;
  int CropAlignY = 0;
  SIZE MinOutputSize;
  SIZE MaxOutputSize;
  int OutputGranularityX = 0;  // size steps between the minimum and the maximum
  int OutputGranularityY = 0;
  int StretchTapsX = 0;
  int StretchTapsY = 0;
  int ShrinkTapsX = 0;
  int ShrinkTapsY = 0;
  LONGLONG MinFrameInterval = 0;  // 100-ns units
  LONGLONG MaxFrameInterval = 0;
  LONG MinBitsPerSecond = 0;
  LONG MaxBitsPerSecond = 0;
};
static_assert(sizeof(VIDEO_STREAM_CONFIG_CAPS) == 128);

struct AUDIO_STREAM_CONFIG_CAPS {
  GUID guid;
  ULONG MinimumChannels = 0;
  ULONG MaximumChannels = 0;
  ULONG ChannelsGranularity = 0;
  ULONG MinimumBitsPerSample = 0;
  ULONG MaximumBitsPerSample = 0;
  ULONG BitsPerSampleGranularity = 0;
  ULONG MinimumSampleFrequency = 0;
  ULONG MaximumSampleFrequency = 0;
  ULONG SampleFrequencyGranularity = 0;
};
static_assert(sizeof(AUDIO_STREAM_CONFIG_CAPS) == 52);

// The format an output pin delivers. Media types handed out are task memory (DeleteMediaType).
struct IAMStreamConfig : IUnknown {
  static constexpr IID iid = MakeGuid("C6E13340-30AC-11D0-A18C-00A0C9118956");
  // The format of the next connection (or a reconnection when connected).
  // VFW_E_INVALIDMEDIATYPE when the pin cannot deliver it.
  virtual HRESULT SetFormat(AM_MEDIA_TYPE* mediaType) = 0;
  // The current format, or the preferred one while unconnected.
  virtual HRESULT GetFormat(AM_MEDIA_TYPE** mediaType) = 0;
  // size: bytes of one capability structure (VIDEO_ or AUDIO_STREAM_CONFIG_CAPS).
  virtual HRESULT GetNumberOfCapabilities(int* count, int* size) = 0;
  // caps receives the structure of that size. S_FALSE when index is past the end.
  virtual HRESULT GetStreamCaps(int index, AM_MEDIA_TYPE** mediaType, BYTE* caps) = 0;
};

inline constexpr DWORD KSPROPERTY_SUPPORT_GET = 1;
inline constexpr DWORD KSPROPERTY_SUPPORT_SET = 2;

// Properties by set and id; pins answer AMPROPSETID_Pin / AMPROPERTY_PIN_CATEGORY with a GUID.
struct IKsPropertySet : IUnknown {
  static constexpr IID iid = MakeGuid("31EFAC30-515C-11D0-A9AA-00AA0061BE93");
  virtual HRESULT Set(REFGUID propertySet, DWORD id, void* instanceData, DWORD instanceLength,
                      void* propertyData, DWORD dataLength) = 0;
  // E_PROP_SET_UNSUPPORTED / E_PROP_ID_UNSUPPORTED for unknown properties, E_UNEXPECTED when
  // dataLength is too small.
  virtual HRESULT Get(REFGUID propertySet, DWORD id, void* instanceData, DWORD instanceLength,
                      void* propertyData, DWORD dataLength, DWORD* bytesReturned) = 0;
  // support: KSPROPERTY_SUPPORT_* bits.
  virtual HRESULT QuerySupported(REFGUID propertySet, DWORD id, DWORD* support) = 0;
};

enum VideoProcAmpProperty : LONG {
  VideoProcAmp_Brightness = 0,
  VideoProcAmp_Contrast = 1,
  VideoProcAmp_Hue = 2,
  VideoProcAmp_Saturation = 3,
  VideoProcAmp_Sharpness = 4,
  VideoProcAmp_Gamma = 5,
  VideoProcAmp_ColorEnable = 6,
  VideoProcAmp_WhiteBalance = 7,
  VideoProcAmp_BacklightCompensation = 8,
  VideoProcAmp_Gain = 9,
};

inline constexpr LONG VideoProcAmp_Flags_Auto = 0x1;
inline constexpr LONG VideoProcAmp_Flags_Manual = 0x2;

// The picture controls of a video device.
struct IAMVideoProcAmp : IUnknown {
  static constexpr IID iid = MakeGuid("C6E13360-30AC-11D0-A18C-00A0C9118956");
  // E_PROP_ID_UNSUPPORTED for a property the device does not have. capsFlags: which of the
  // VideoProcAmp_Flags_* the property supports.
  virtual HRESULT GetRange(LONG property, LONG* min, LONG* max, LONG* steppingDelta,
                           LONG* defaultValue, LONG* capsFlags) = 0;
  virtual HRESULT Set(LONG property, LONG value, LONG flags) = 0;
  virtual HRESULT Get(LONG property, LONG* value, LONG* flags) = 0;
};

enum CameraControlProperty : LONG {
  CameraControl_Pan = 0,
  CameraControl_Tilt = 1,
  CameraControl_Roll = 2,
  CameraControl_Zoom = 3,
  CameraControl_Exposure = 4,
  CameraControl_Iris = 5,
  CameraControl_Focus = 6,
};

inline constexpr LONG CameraControl_Flags_Auto = 0x1;
inline constexpr LONG CameraControl_Flags_Manual = 0x2;

// The lens and exposure controls of a camera.
struct IAMCameraControl : IUnknown {
  static constexpr IID iid = MakeGuid("C6E13370-30AC-11D0-A18C-00A0C9118956");
  virtual HRESULT GetRange(LONG property, LONG* min, LONG* max, LONG* steppingDelta,
                           LONG* defaultValue, LONG* capsFlags) = 0;
  virtual HRESULT Set(LONG property, LONG value, LONG flags) = 0;
  virtual HRESULT Get(LONG property, LONG* value, LONG* flags) = 0;
};

// Frame counts of a capture pin since it started streaming.
struct IAMDroppedFrames : IUnknown {
  static constexpr IID iid = MakeGuid("C6E13344-30AC-11D0-A18C-00A0C9118956");
  virtual HRESULT GetNumDropped(LONG* dropped) = 0;
  virtual HRESULT GetNumNotDropped(LONG* notDropped) = 0;
  // The frame numbers of up to size dropped frames.
  virtual HRESULT GetDroppedInfo(LONG size, LONG* frames, LONG* copied) = 0;
  virtual HRESULT GetAverageFrameSize(LONG* averageSize) = 0;
};

inline constexpr DWORD AM_STREAM_INFO_START_DEFINED = 0x01;
inline constexpr DWORD AM_STREAM_INFO_STOP_DEFINED = 0x02;
inline constexpr DWORD AM_STREAM_INFO_DISCARDING = 0x04;
inline constexpr DWORD AM_STREAM_INFO_STOP_SEND_EXTRA = 0x10;

struct AM_STREAM_INFO {
  REFERENCE_TIME tStart = 0;
  REFERENCE_TIME tStop = 0;
  DWORD dwStartCookie = 0;
  DWORD dwStopCookie = 0;
  DWORD dwFlags = 0;
};

// Starts and stops the flow of one output pin while the graph runs: samples outside the window
// are discarded. Times are stream times; a null time means now, MAX_TIME never.
struct IAMStreamControl : IUnknown {
  static constexpr IID iid = MakeGuid("36B73881-C2C8-11CF-8B46-00805F6CEF60");
  virtual HRESULT StartAt(const REFERENCE_TIME* start, DWORD cookie) = 0;
  virtual HRESULT StopAt(const REFERENCE_TIME* stop, BOOL sendExtra, DWORD cookie) = 0;
  virtual HRESULT GetInfo(AM_STREAM_INFO* info) = 0;
};

// Dialogs of the driver of an older (VfW) capture device.
enum VfwCaptureDialogs : int {
  VfwCaptureDialog_Source = 0x01,
  VfwCaptureDialog_Format = 0x02,
  VfwCaptureDialog_Display = 0x04,
};

struct IAMVfwCaptureDialogs : IUnknown {
  static constexpr IID iid = MakeGuid("D8D715A0-6E5E-11D0-B3F0-00AA003761C5");
  // S_OK when the driver has the dialog, S_FALSE when not.
  virtual HRESULT HasDialog(int dialog) = 0;
  // Modal over owner; VFW_E_NOT_STOPPED while the graph runs and the dialog needs it stopped.
  virtual HRESULT ShowDialog(int dialog, OAHWND owner) = 0;
  virtual HRESULT SendDriverMessage(int dialog, int message, LONG_PTR data1, LONG_PTR data2) = 0;
};

// Dialogs and state of a VfW codec.
enum VfwCompressDialogs : int {
  VfwCompressDialog_Config = 0x01,
  VfwCompressDialog_About = 0x02,
  VfwCompressDialog_QueryConfig = 0x04,  // ShowDialog answers S_OK when Config exists
  VfwCompressDialog_QueryAbout = 0x08,
};

// Driver messages that read and write a codec's opaque state.
inline constexpr int ICM_GETSTATE = 0x5000;
inline constexpr int ICM_SETSTATE = 0x5001;

struct IAMVfwCompressDialogs : IUnknown {
  static constexpr IID iid = MakeGuid("D8D715A3-6E5E-11D0-B3F0-00AA003761C5");
  virtual HRESULT ShowDialog(int dialog, OAHWND owner) = 0;
  // With a null state, *size receives the size of the state.
  virtual HRESULT GetState(void* state, int* size) = 0;
  virtual HRESULT SetState(void* state, int size) = 0;
  // The driver's answer: for ICM_GETSTATE with data1 0 the state's size in bytes, with data1 a
  // buffer of data2 bytes the bytes written; for ICM_SETSTATE (data1 the state, data2 its size)
  // the bytes taken, 0 on failure.
  virtual LRESULT SendDriverMessage(int message, LONG_PTR data1, LONG_PTR data2) = 0;
};

inline constexpr IID IID_IAMStreamConfig = IAMStreamConfig::iid;
inline constexpr IID IID_IKsPropertySet = IKsPropertySet::iid;
inline constexpr IID IID_IAMVideoProcAmp = IAMVideoProcAmp::iid;
inline constexpr IID IID_IAMCameraControl = IAMCameraControl::iid;
inline constexpr IID IID_IAMDroppedFrames = IAMDroppedFrames::iid;
inline constexpr IID IID_IAMStreamControl = IAMStreamControl::iid;
inline constexpr IID IID_IAMVfwCaptureDialogs = IAMVfwCaptureDialogs::iid;
inline constexpr IID IID_IAMVfwCompressDialogs = IAMVfwCompressDialogs::iid;

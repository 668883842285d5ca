#pragma once
// Identifiers of the media framework: media major types, subtypes, format types, pin and device
// categories, time formats, property sets and the class ids of the system filters. Interface ids
// live with their interfaces (`iid` members and IID_ constants).

#include "com/Guid.h"

// ---- Major types ---------------------------------------------------------------------------

inline constexpr GUID MEDIATYPE_Video = FourCCGuid(MakeFourCC('v', 'i', 'd', 's'));
inline constexpr GUID MEDIATYPE_Audio = FourCCGuid(MakeFourCC('a', 'u', 'd', 's'));
inline constexpr GUID MEDIATYPE_Text = FourCCGuid(MakeFourCC('t', 'x', 't', 's'));
inline constexpr GUID MEDIATYPE_Midi = FourCCGuid(MakeFourCC('m', 'i', 'd', 's'));
// DV: video and audio interleaved in one stream.
inline constexpr GUID MEDIATYPE_Interleaved = FourCCGuid(MakeFourCC('i', 'a', 'v', 's'));
// A byte stream (a file read by a source filter).
inline constexpr GUID MEDIATYPE_Stream = MakeGuid("E436EB83-524F-11CE-9F53-0020AF0BA770");
inline constexpr GUID MEDIATYPE_AnalogVideo = MakeGuid("0482DDE1-7817-11CF-8A03-00AA006ECB65");
inline constexpr GUID MEDIATYPE_AnalogAudio = MakeGuid("0482DEE1-7817-11CF-8A03-00AA006ECB65");
inline constexpr GUID MEDIATYPE_VBI = MakeGuid("F72A76E1-EB0A-11D0-ACE4-0000C0CC16BA");

// ---- Video subtypes: the FourCC family -----------------------------------------------------

inline constexpr GUID MEDIASUBTYPE_YUY2 = FourCCGuid(MakeFourCC('Y', 'U', 'Y', '2'));
inline constexpr GUID MEDIASUBTYPE_YUYV = FourCCGuid(MakeFourCC('Y', 'U', 'Y', 'V'));
inline constexpr GUID MEDIASUBTYPE_UYVY = FourCCGuid(MakeFourCC('U', 'Y', 'V', 'Y'));
inline constexpr GUID MEDIASUBTYPE_YVYU = FourCCGuid(MakeFourCC('Y', 'V', 'Y', 'U'));
inline constexpr GUID MEDIASUBTYPE_YV12 = FourCCGuid(MakeFourCC('Y', 'V', '1', '2'));
inline constexpr GUID MEDIASUBTYPE_I420 = FourCCGuid(MakeFourCC('I', '4', '2', '0'));
inline constexpr GUID MEDIASUBTYPE_IYUV = FourCCGuid(MakeFourCC('I', 'Y', 'U', 'V'));
inline constexpr GUID MEDIASUBTYPE_NV12 = FourCCGuid(MakeFourCC('N', 'V', '1', '2'));
inline constexpr GUID MEDIASUBTYPE_Y411 = FourCCGuid(MakeFourCC('Y', '4', '1', '1'));
inline constexpr GUID MEDIASUBTYPE_Y41P = FourCCGuid(MakeFourCC('Y', '4', '1', 'P'));
inline constexpr GUID MEDIASUBTYPE_YVU9 = FourCCGuid(MakeFourCC('Y', 'V', 'U', '9'));
inline constexpr GUID MEDIASUBTYPE_Y800 = FourCCGuid(MakeFourCC('Y', '8', '0', '0'));
inline constexpr GUID MEDIASUBTYPE_MJPG = FourCCGuid(MakeFourCC('M', 'J', 'P', 'G'));
inline constexpr GUID MEDIASUBTYPE_H264 = FourCCGuid(MakeFourCC('H', '2', '6', '4'));
// DV in its variants: standard, high and long-play definition, DVCPRO 25 and 50.
inline constexpr GUID MEDIASUBTYPE_dvsd = FourCCGuid(MakeFourCC('d', 'v', 's', 'd'));
inline constexpr GUID MEDIASUBTYPE_dvhd = FourCCGuid(MakeFourCC('d', 'v', 'h', 'd'));
inline constexpr GUID MEDIASUBTYPE_dvsl = FourCCGuid(MakeFourCC('d', 'v', 's', 'l'));
inline constexpr GUID MEDIASUBTYPE_dv25 = FourCCGuid(MakeFourCC('d', 'v', '2', '5'));
inline constexpr GUID MEDIASUBTYPE_dv50 = FourCCGuid(MakeFourCC('d', 'v', '5', '0'));

// ---- Video subtypes: the RGB family (second group 524F) ------------------------------------

inline constexpr GUID MEDIASUBTYPE_RGB1 = MakeGuid("E436EB78-524F-11CE-9F53-0020AF0BA770");
inline constexpr GUID MEDIASUBTYPE_RGB4 = MakeGuid("E436EB79-524F-11CE-9F53-0020AF0BA770");
inline constexpr GUID MEDIASUBTYPE_RGB8 = MakeGuid("E436EB7A-524F-11CE-9F53-0020AF0BA770");
inline constexpr GUID MEDIASUBTYPE_RGB565 = MakeGuid("E436EB7B-524F-11CE-9F53-0020AF0BA770");
inline constexpr GUID MEDIASUBTYPE_RGB555 = MakeGuid("E436EB7C-524F-11CE-9F53-0020AF0BA770");
inline constexpr GUID MEDIASUBTYPE_RGB24 = MakeGuid("E436EB7D-524F-11CE-9F53-0020AF0BA770");
inline constexpr GUID MEDIASUBTYPE_RGB32 = MakeGuid("E436EB7E-524F-11CE-9F53-0020AF0BA770");
inline constexpr GUID MEDIASUBTYPE_ARGB32 = MakeGuid("773C9AC0-3274-11D0-B724-00AA006C1A01");
// A connection that carries no samples: the video is mixed into the screen by the overlay mixer.
inline constexpr GUID MEDIASUBTYPE_Overlay = MakeGuid("E436EB7F-524F-11CE-9F53-0020AF0BA770");

// ---- Other subtypes ------------------------------------------------------------------------

inline constexpr GUID MEDIASUBTYPE_None = MakeGuid("E436EB8E-524F-11CE-9F53-0020AF0BA770");
inline constexpr GUID MEDIASUBTYPE_PCM = FourCCGuid(0x0001);  // WAVE_FORMAT_PCM
inline constexpr GUID MEDIASUBTYPE_IEEE_FLOAT = FourCCGuid(0x0003);
// Stream subtypes of files.
inline constexpr GUID MEDIASUBTYPE_Avi = MakeGuid("E436EB88-524F-11CE-9F53-0020AF0BA770");
inline constexpr GUID MEDIASUBTYPE_WAVE = MakeGuid("E436EB8B-524F-11CE-9F53-0020AF0BA770");
inline constexpr GUID MEDIASUBTYPE_MPEG1System = MakeGuid("E436EB84-524F-11CE-9F53-0020AF0BA770");

// ---- Format types --------------------------------------------------------------------------

inline constexpr GUID FORMAT_None = MakeGuid("0F6417D6-C318-11D0-A43F-00A0C9223196");
inline constexpr GUID FORMAT_VideoInfo = MakeGuid("05589F80-C356-11CE-BF01-00AA0055595A");
inline constexpr GUID FORMAT_VideoInfo2 = MakeGuid("F72A76A0-EB0A-11D0-ACE4-0000C0CC16BA");
inline constexpr GUID FORMAT_WaveFormatEx = MakeGuid("05589F81-C356-11CE-BF01-00AA0055595A");
inline constexpr GUID FORMAT_DvInfo = MakeGuid("05589F84-C356-11CE-BF01-00AA0055595A");

// ---- Pin categories (AMPROPERTY_PIN_CATEGORY of AMPROPSETID_Pin) ---------------------------

inline constexpr GUID PIN_CATEGORY_CAPTURE = MakeGuid("FB6C4281-0353-11D1-905F-0000C0CC16BA");
inline constexpr GUID PIN_CATEGORY_PREVIEW = MakeGuid("FB6C4282-0353-11D1-905F-0000C0CC16BA");
inline constexpr GUID PIN_CATEGORY_ANALOGVIDEOIN = MakeGuid("FB6C4283-0353-11D1-905F-0000C0CC16BA");
inline constexpr GUID PIN_CATEGORY_VBI = MakeGuid("FB6C4284-0353-11D1-905F-0000C0CC16BA");
inline constexpr GUID PIN_CATEGORY_VIDEOPORT = MakeGuid("FB6C4285-0353-11D1-905F-0000C0CC16BA");
inline constexpr GUID PIN_CATEGORY_NABTS = MakeGuid("FB6C4286-0353-11D1-905F-0000C0CC16BA");
inline constexpr GUID PIN_CATEGORY_EDS = MakeGuid("FB6C4287-0353-11D1-905F-0000C0CC16BA");
inline constexpr GUID PIN_CATEGORY_TELETEXT = MakeGuid("FB6C4288-0353-11D1-905F-0000C0CC16BA");
inline constexpr GUID PIN_CATEGORY_CC = MakeGuid("FB6C4289-0353-11D1-905F-0000C0CC16BA");
inline constexpr GUID PIN_CATEGORY_STILL = MakeGuid("FB6C428A-0353-11D1-905F-0000C0CC16BA");
inline constexpr GUID PIN_CATEGORY_TIMECODE = MakeGuid("FB6C428B-0353-11D1-905F-0000C0CC16BA");
inline constexpr GUID PIN_CATEGORY_VIDEOPORT_VBI = MakeGuid("FB6C428C-0353-11D1-905F-0000C0CC16BA");

// Passed as the category of ICaptureGraphBuilder2::FindInterface to restrict the search.
inline constexpr GUID LOOK_UPSTREAM_ONLY = MakeGuid("AC798BE0-98E3-11D1-B3F1-00AA003761C5");
inline constexpr GUID LOOK_DOWNSTREAM_ONLY = MakeGuid("AC798BE1-98E3-11D1-B3F1-00AA003761C5");

// Property set of pins (IKsPropertySet): the pin's category and medium.
inline constexpr GUID AMPROPSETID_Pin = MakeGuid("9B00F101-1567-11D1-B3F1-00AA003761C5");
inline constexpr DWORD AMPROPERTY_PIN_CATEGORY = 0;
inline constexpr DWORD AMPROPERTY_PIN_MEDIUM = 1;

// ---- Device categories of the system device enumerator -------------------------------------

inline constexpr CLSID CLSID_VideoInputDeviceCategory =
    MakeGuid("860BB310-5D01-11D0-BD3B-00A0C911CE86");
inline constexpr CLSID CLSID_AudioInputDeviceCategory =
    MakeGuid("33D9A762-90C8-11D0-BD43-00A0C911CE86");
inline constexpr CLSID CLSID_VideoCompressorCategory =
    MakeGuid("33D9A760-90C8-11D0-BD43-00A0C911CE86");
inline constexpr CLSID CLSID_AudioCompressorCategory =
    MakeGuid("33D9A761-90C8-11D0-BD43-00A0C911CE86");
// Filters registered for automatic graph building (converters, decoders, renderers).
inline constexpr CLSID CLSID_LegacyAmFilterCategory =
    MakeGuid("083863F1-70DE-11D0-BD40-00A0C911CE86");

// ---- Time formats (IMediaSeeking) ----------------------------------------------------------

inline constexpr GUID TIME_FORMAT_NONE = GUID_NULL;
inline constexpr GUID TIME_FORMAT_FRAME = MakeGuid("7B785570-8C82-11CF-BC0C-00AA00AC74F6");
inline constexpr GUID TIME_FORMAT_BYTE = MakeGuid("7B785571-8C82-11CF-BC0C-00AA00AC74F6");
inline constexpr GUID TIME_FORMAT_SAMPLE = MakeGuid("7B785572-8C82-11CF-BC0C-00AA00AC74F6");
inline constexpr GUID TIME_FORMAT_FIELD = MakeGuid("7B785573-8C82-11CF-BC0C-00AA00AC74F6");
inline constexpr GUID TIME_FORMAT_MEDIA_TIME = MakeGuid("7B785574-8C82-11CF-BC0C-00AA00AC74F6");

// ---- Class ids of the framework's objects and system filters -------------------------------

inline constexpr CLSID CLSID_FilterGraph = MakeGuid("E436EBB3-524F-11CE-9F53-0020AF0BA770");
inline constexpr CLSID CLSID_CaptureGraphBuilder2 =
    MakeGuid("BF87B6E1-8C27-11D0-B3F0-00AA003761C5");
inline constexpr CLSID CLSID_SystemDeviceEnum = MakeGuid("62BE5D10-60EB-11D0-BD3B-00A0C911CE86");
inline constexpr CLSID CLSID_SystemClock = MakeGuid("E436EBB1-524F-11CE-9F53-0020AF0BA770");
inline constexpr CLSID CLSID_MemoryAllocator = MakeGuid("1E651CC0-B199-11D0-8212-00C04FC32C45");

// Renderers.
inline constexpr CLSID CLSID_VideoMixingRenderer = MakeGuid("B87BEB7B-8D29-423F-AE4D-6582C10175AC");
inline constexpr CLSID CLSID_VideoRenderer = MakeGuid("70E102B0-5556-11CE-97C0-00AA0055595A");
inline constexpr CLSID CLSID_AudioRender = MakeGuid("E30629D1-27E5-11CE-875D-00608CB78066");
inline constexpr CLSID CLSID_DSoundRender = MakeGuid("79376820-07D0-11CF-A24D-0020AFD79767");
inline constexpr CLSID CLSID_NullRenderer = MakeGuid("C1F400A4-3F08-11D3-9F0B-006008039E37");
inline constexpr CLSID CLSID_OverlayMixer = MakeGuid("CD8743A1-3736-11D0-9E69-00C04FD7C15B");

// Tees, converters and codecs.
inline constexpr CLSID CLSID_SmartTee = MakeGuid("CC58E280-8AA1-11D1-B3F1-00AA003761C5");
inline constexpr CLSID CLSID_InfTee = MakeGuid("F8388A40-D5BB-11D0-BE5A-0080C706568E");
inline constexpr CLSID CLSID_Colour = MakeGuid("1643E180-90F5-11CE-97D5-00AA0055595A");
inline constexpr CLSID CLSID_DVSplitter = MakeGuid("4EB31670-9FC6-11CF-AF6E-00AA00B67A42");
inline constexpr CLSID CLSID_DVVideoCodec = MakeGuid("B1B77C00-C3E4-11CF-AF79-00AA00B67A42");
inline constexpr CLSID CLSID_SampleGrabber = MakeGuid("C1F400A0-3F08-11D3-9F0B-006008039E37");
inline constexpr CLSID CLSID_AVIDec = MakeGuid("CF49D4E0-1115-11CE-B03A-0020AF0BA770");
inline constexpr CLSID CLSID_MjpegDec = MakeGuid("301056D0-6DFF-11D2-9EEB-006008039E37");
// Our own MJPG decoder (libavcodec); the graph inserts it between MJPG and RGB or YUY2 pins.
inline constexpr CLSID CLSID_MjpegDecoder = MakeGuid("9B93D6D1-3704-4AB7-9F94-0524953D7711");
inline constexpr CLSID CLSID_ACMWrapper = MakeGuid("6A08CF80-0E18-11CF-A24D-0020AFD79767");

// Files: the AVI multiplexer, the file writer, the file reader and the splitters behind it.
inline constexpr CLSID CLSID_AviDest = MakeGuid("E2510970-F137-11CE-8B67-00AA00A3F1A6");
inline constexpr CLSID CLSID_FileWriter = MakeGuid("8596E5F0-0DA5-11D0-BD21-00A0C911CE86");
inline constexpr CLSID CLSID_AsyncReader = MakeGuid("E436EBB5-524F-11CE-9F53-0020AF0BA770");
inline constexpr CLSID CLSID_AviSplitter = MakeGuid("1B544C20-FD0B-11CE-8C63-00AA0044B51E");

// Capture device filters: a device's "CLSID" property says which kind of driver it has.
inline constexpr CLSID CLSID_Proxy = MakeGuid("17CCA71B-ECD7-11D0-B908-00A0C9223196");
inline constexpr CLSID CLSID_VfwCapture = MakeGuid("1B544C22-FD0B-11CE-8C63-00AA0044B51E");

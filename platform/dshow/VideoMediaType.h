#pragma once
// Video media types: what the framework knows about each video subtype, building a complete type
// for a subtype and frame size, and reading sizes and frame intervals back from either video
// format block (VIDEOINFOHEADER or VIDEOINFOHEADER2).

#include <optional>
#include <string>

#include "dshow/Formats.h"
#include "dshow/MediaType.h"

struct VideoSubtypeInfo {
  GUID subtype;
  const char* name;   // "YUY2", "RGB24", "dvsd"
  DWORD compression;  // biCompression: BI_RGB, BI_BITFIELDS or the FourCC
  WORD bitCount;      // biBitCount
  // Samples differ in size (MJPG, H264); biSizeImage is then an upper bound.
  bool variableSize;
  // Frames depend on earlier ones (H264).
  bool temporalCompression;
};

// The known video subtypes: the RGB family, packed and planar YUV, MJPG, H264 and DV. Null for
// any other subtype.
const VideoSubtypeInfo* FindVideoSubtype(const GUID& subtype);

// Bytes of one frame of the subtype: padded DIB rows for RGB, the plane sizes for YUV, the frame
// size of the DV variant (525-line or 625-line by height), an upper bound for MJPG and H264.
// 0 for unknown subtypes or empty sizes.
DWORD VideoImageSize(const GUID& subtype, LONG width, LONG height);

enum class VideoFormatBlock { kVideoInfo, kVideoInfo2 };

// A complete MEDIATYPE_Video type for the subtype and size: biCompression, biBitCount,
// biSizeImage and lSampleSize as the subtype needs, a grey colour table for depths of 8 bits and
// less, the 5-6-5 masks for RGB565. avgTimePerFrame 0 leaves the frame rate unknown. A negative
// height describes top-down rows. nullopt for an unknown subtype, a width of 0 or less or a
// height of 0.
std::optional<MediaType> MakeVideoMediaType(const GUID& subtype, LONG width, LONG height,
                                            REFERENCE_TIME avgTimePerFrame = 0,
                                            VideoFormatBlock block = VideoFormatBlock::kVideoInfo);

// The bitmap header inside a FORMAT_VideoInfo or FORMAT_VideoInfo2 block that is large enough;
// null otherwise.
const BITMAPINFOHEADER* BitmapHeaderOf(const AM_MEDIA_TYPE& mediaType);
BITMAPINFOHEADER* BitmapHeaderOf(AM_MEDIA_TYPE& mediaType);

struct VideoFormatInfo {
  LONG width = 0;
  LONG height = 0;  // as in the header: negative for top-down rows
  WORD bitCount = 0;
  DWORD compression = 0;
  DWORD imageSize = 0;
  REFERENCE_TIME avgTimePerFrame = 0;
};

// Size, depth and frame interval from either video format block; nullopt for other formats.
std::optional<VideoFormatInfo> ReadVideoFormat(const AM_MEDIA_TYPE& mediaType);

// Changes the frame size in the format block and recomputes biSizeImage and lSampleSize (kept
// as they were for unknown subtypes). False when the type has no video format block.
bool SetVideoSize(AM_MEDIA_TYPE& mediaType, LONG width, LONG height);
// False when the type has no video format block.
bool SetAvgTimePerFrame(AM_MEDIA_TYPE& mediaType, REFERENCE_TIME avgTimePerFrame);

// Whether the GUID is a FourCC subtype ("XXXXXXXX-0000-0010-8000-00AA00389B71").
bool IsFourCCSubtype(const GUID& subtype);
// Four characters; unprintable ones as '.'.
std::string FourCCText(DWORD fourcc);
// Short name for logs: the known name, else the FourCC text, else the GUID's text form.
std::string SubtypeText(const GUID& subtype);

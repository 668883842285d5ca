#pragma once
// Format blocks of media types: what pbFormat holds for each format type. Layouts are fixed:
// filter modules and files exchange them byte for byte.

#include <cstddef>

#include "com/Types.h"
#include "gdi/BitmapInfo.h"

// FORMAT_VideoInfo. For depths of 8 bits and less a colour table follows the header, for
// BI_BITFIELDS the three colour masks (cbFormat says how much follows).
struct VIDEOINFOHEADER {
  RECT rcSource;  // all zero: the whole picture
  RECT rcTarget;
  DWORD dwBitRate = 0;
  DWORD dwBitErrorRate = 0;
  REFERENCE_TIME AvgTimePerFrame = 0;  // 100-ns units; 0 when unknown
  BITMAPINFOHEADER bmiHeader;
};
static_assert(sizeof(VIDEOINFOHEADER) == 88);
static_assert(offsetof(VIDEOINFOHEADER, bmiHeader) == 48);

// FORMAT_VideoInfo2: adds interlacing and the picture aspect ratio.
struct VIDEOINFOHEADER2 {
  RECT rcSource;
  RECT rcTarget;
  DWORD dwBitRate = 0;
  DWORD dwBitErrorRate = 0;
  REFERENCE_TIME AvgTimePerFrame = 0;
  DWORD dwInterlaceFlags = 0;  // AMINTERLACE_*
  DWORD dwCopyProtectFlags = 0;
  DWORD dwPictAspectRatioX = 0;
  DWORD dwPictAspectRatioY = 0;
  DWORD dwControlFlags = 0;
  DWORD dwReserved2 = 0;
  BITMAPINFOHEADER bmiHeader;
};
static_assert(sizeof(VIDEOINFOHEADER2) == 112);
static_assert(offsetof(VIDEOINFOHEADER2, bmiHeader) == 72);

inline constexpr DWORD AMINTERLACE_IsInterlaced = 0x00000001;
inline constexpr DWORD AMINTERLACE_1FieldPerSample = 0x00000002;
inline constexpr DWORD AMINTERLACE_Field1First = 0x00000004;

inline constexpr WORD WAVE_FORMAT_PCM = 0x0001;
inline constexpr WORD WAVE_FORMAT_IEEE_FLOAT = 0x0003;

#pragma pack(push, 1)
// FORMAT_WaveFormatEx. cbSize bytes of codec data follow the structure.
struct WAVEFORMATEX {
  WORD wFormatTag = 0;
  WORD nChannels = 0;
  DWORD nSamplesPerSec = 0;
  DWORD nAvgBytesPerSec = 0;
  WORD nBlockAlign = 0;
  WORD wBitsPerSample = 0;
  WORD cbSize = 0;
};
#pragma pack(pop)
static_assert(sizeof(WAVEFORMATEX) == 18);

// FORMAT_DvInfo: the audio and video auxiliary packs of a DV stream.
struct DVINFO {
  DWORD dwDVAAuxSrc = 0;
  DWORD dwDVAAuxCtl = 0;
  DWORD dwDVAAuxSrc1 = 0;
  DWORD dwDVAAuxCtl1 = 0;
  DWORD dwDVVAuxSrc = 0;
  DWORD dwDVVAuxCtl = 0;
  DWORD dwDVReserved[2] = {0, 0};
};
static_assert(sizeof(DVINFO) == 32);

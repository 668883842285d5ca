#include "dshow/VideoMediaType.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>
#include <numeric>
#include <utility>

#include "dshow/DShowTypes.h"
#include "dshow/Uuids.h"

namespace {

// How a subtype's frame size follows from width and height.
enum class SizeRule {
  kDib,         // padded DIB rows (the RGB family)
  kPacked422,   // two bytes per pixel, pairs of pixels
  kPlanar420,   // a full luma plane and two quarter chroma planes
  kY411,        // four pixels in six bytes
  kY41P,        // eight pixels in twelve bytes
  kYvu9,        // a full luma plane and two sixteenth chroma planes
  kGrey,        // one byte per pixel
  kCompressed,  // an upper bound: the size of the RGB24 picture
  kDv,          // fixed frame sizes by line system
};

struct SubtypeEntry {
  VideoSubtypeInfo info;
  SizeRule rule;
  // DV only: DIF sequences of 12,000 bytes in a 525-line frame (a 625-line frame has 6/5 as
  // many).
  int difSequences525 = 0;
};

constexpr DWORD FourCCOf(const GUID& subtype) {
  return subtype.Data1;
}

#define RGB_ENTRY(guid, name, compression, bits)                  \
  SubtypeEntry {                                                  \
    {guid, name, compression, bits, false, false}, SizeRule::kDib \
  }
#define YUV_ENTRY(guid, name, bits, rule)                  \
  SubtypeEntry {                                           \
    {guid, name, FourCCOf(guid), bits, false, false}, rule \
  }

const SubtypeEntry kSubtypes[] = {
    RGB_ENTRY(MEDIASUBTYPE_RGB1, "RGB1", BI_RGB, 1),
    RGB_ENTRY(MEDIASUBTYPE_RGB4, "RGB4", BI_RGB, 4),
    RGB_ENTRY(MEDIASUBTYPE_RGB8, "RGB8", BI_RGB, 8),
    RGB_ENTRY(MEDIASUBTYPE_RGB555, "RGB555", BI_RGB, 16),
    RGB_ENTRY(MEDIASUBTYPE_RGB565, "RGB565", BI_BITFIELDS, 16),
    RGB_ENTRY(MEDIASUBTYPE_RGB24, "RGB24", BI_RGB, 24),
    RGB_ENTRY(MEDIASUBTYPE_RGB32, "RGB32", BI_RGB, 32),
    RGB_ENTRY(MEDIASUBTYPE_ARGB32, "ARGB32", BI_RGB, 32),
    YUV_ENTRY(MEDIASUBTYPE_YUY2, "YUY2", 16, SizeRule::kPacked422),
    YUV_ENTRY(MEDIASUBTYPE_YUYV, "YUYV", 16, SizeRule::kPacked422),
    YUV_ENTRY(MEDIASUBTYPE_UYVY, "UYVY", 16, SizeRule::kPacked422),
    YUV_ENTRY(MEDIASUBTYPE_YVYU, "YVYU", 16, SizeRule::kPacked422),
    YUV_ENTRY(MEDIASUBTYPE_YV12, "YV12", 12, SizeRule::kPlanar420),
    YUV_ENTRY(MEDIASUBTYPE_I420, "I420", 12, SizeRule::kPlanar420),
    YUV_ENTRY(MEDIASUBTYPE_IYUV, "IYUV", 12, SizeRule::kPlanar420),
    YUV_ENTRY(MEDIASUBTYPE_NV12, "NV12", 12, SizeRule::kPlanar420),
    YUV_ENTRY(MEDIASUBTYPE_Y411, "Y411", 12, SizeRule::kY411),
    YUV_ENTRY(MEDIASUBTYPE_Y41P, "Y41P", 12, SizeRule::kY41P),
    YUV_ENTRY(MEDIASUBTYPE_YVU9, "YVU9", 9, SizeRule::kYvu9),
    YUV_ENTRY(MEDIASUBTYPE_Y800, "Y800", 8, SizeRule::kGrey),
    {{MEDIASUBTYPE_MJPG, "MJPG", FourCCOf(MEDIASUBTYPE_MJPG), 24, true, false},
     SizeRule::kCompressed},
    {{MEDIASUBTYPE_H264, "H264", FourCCOf(MEDIASUBTYPE_H264), 24, true, true},
     SizeRule::kCompressed},
    {{MEDIASUBTYPE_dvsd, "dvsd", FourCCOf(MEDIASUBTYPE_dvsd), 24, false, false}, SizeRule::kDv, 10},
    {{MEDIASUBTYPE_dv25, "dv25", FourCCOf(MEDIASUBTYPE_dv25), 24, false, false}, SizeRule::kDv, 10},
    {{MEDIASUBTYPE_dvsl, "dvsl", FourCCOf(MEDIASUBTYPE_dvsl), 24, false, false}, SizeRule::kDv, 5},
    {{MEDIASUBTYPE_dvhd, "dvhd", FourCCOf(MEDIASUBTYPE_dvhd), 24, false, false}, SizeRule::kDv, 20},
    {{MEDIASUBTYPE_dv50, "dv50", FourCCOf(MEDIASUBTYPE_dv50), 24, false, false}, SizeRule::kDv, 20},
};

#undef RGB_ENTRY
#undef YUV_ENTRY

const SubtypeEntry* FindEntry(const GUID& subtype) {
  for (const SubtypeEntry& entry : kSubtypes) {
    if (entry.info.subtype == subtype) return &entry;
  }
  return nullptr;
}

constexpr ULONGLONG CeilDiv(ULONGLONG value, ULONGLONG divisor) {
  return (value + divisor - 1) / divisor;
}

constexpr DWORD ClampToDword(ULONGLONG value) {
  return static_cast<DWORD>(std::min<ULONGLONG>(value, std::numeric_limits<DWORD>::max()));
}

// 625-line pictures (576 lines and its halvings) are PAL-system DV; everything else 525-line.
bool IsDv625(ULONGLONG lines) {
  return lines != 0 && 576 % lines == 0;
}

DWORD ImageSize(const SubtypeEntry& entry, LONG width, LONG height) {
  if (width == 0 || height == 0) return 0;
  const ULONGLONG w = static_cast<ULONGLONG>(std::abs(static_cast<LONGLONG>(width)));
  const ULONGLONG h = static_cast<ULONGLONG>(std::abs(static_cast<LONGLONG>(height)));
  switch (entry.rule) {
    case SizeRule::kDib:
      return DibImageSize(width, height, entry.info.bitCount);
    case SizeRule::kPacked422:
      return ClampToDword(CeilDiv(w, 2) * 4 * h);
    case SizeRule::kPlanar420:
      return ClampToDword(w * h + 2 * CeilDiv(w, 2) * CeilDiv(h, 2));
    case SizeRule::kY411:
      return ClampToDword(CeilDiv(w, 4) * 6 * h);
    case SizeRule::kY41P:
      return ClampToDword(CeilDiv(w, 8) * 12 * h);
    case SizeRule::kYvu9:
      return ClampToDword(w * h + 2 * CeilDiv(w, 4) * CeilDiv(h, 4));
    case SizeRule::kGrey:
      return ClampToDword(w * h);
    case SizeRule::kCompressed:
      return DibImageSize(width, height, 24);
    case SizeRule::kDv: {
      const ULONGLONG sequences =
          IsDv625(h) ? entry.difSequences525 * 6 / 5 : entry.difSequences525;
      return ClampToDword(sequences * 12'000);
    }
  }
  return 0;
}

DWORD BitRate(DWORD imageSize, REFERENCE_TIME avgTimePerFrame) {
  if (avgTimePerFrame <= 0) return 0;
  return ClampToDword(static_cast<ULONGLONG>(imageSize) * 8 * kUnitsPerSecond /
                      static_cast<ULONGLONG>(avgTimePerFrame));
}

// What follows the header in the format block: a grey colour table for palette depths, the
// 5-6-5 masks for BI_BITFIELDS; written into tail, which has DibColorEntries slots.
void FillColorTable(const BITMAPINFOHEADER& header, BYTE* tail) {
  if (header.biCompression == BI_BITFIELDS) {
    const DWORD masks[3] = {0xF800, 0x07E0, 0x001F};
    std::memcpy(tail, masks, sizeof(masks));
    return;
  }
  const DWORD entries = DibColorEntries(header);
  for (DWORD i = 0; i < entries; ++i) {
    const auto level = static_cast<BYTE>(entries > 1 ? i * 255 / (entries - 1) : 0);
    const RGBQUAD quad{level, level, level, 0};
    std::memcpy(tail + i * sizeof(RGBQUAD), &quad, sizeof(quad));
  }
}

// The format block as Block when the format type matches and the block is large enough.
template <class Block>
const Block* VideoBlock(const AM_MEDIA_TYPE& mediaType, const GUID& formattype) {
  if (mediaType.formattype != formattype || mediaType.pbFormat == nullptr ||
      mediaType.cbFormat < sizeof(Block)) {
    return nullptr;
  }
  return reinterpret_cast<const Block*>(mediaType.pbFormat);
}

template <class Block>
Block* VideoBlock(AM_MEDIA_TYPE& mediaType, const GUID& formattype) {
  return const_cast<Block*>(VideoBlock<Block>(std::as_const(mediaType), formattype));
}

// The frame interval field of either block.
const REFERENCE_TIME* AvgTimePerFrameField(const AM_MEDIA_TYPE& mediaType) {
  if (const auto* vih = VideoBlock<VIDEOINFOHEADER>(mediaType, FORMAT_VideoInfo)) {
    return &vih->AvgTimePerFrame;
  }
  if (const auto* vih2 = VideoBlock<VIDEOINFOHEADER2>(mediaType, FORMAT_VideoInfo2)) {
    return &vih2->AvgTimePerFrame;
  }
  return nullptr;
}

void SetAspectRatio(VIDEOINFOHEADER2& block) {
  const auto w = static_cast<DWORD>(std::abs(block.bmiHeader.biWidth));
  const auto h = static_cast<DWORD>(std::abs(block.bmiHeader.biHeight));
  const DWORD divisor = std::max<DWORD>(std::gcd(w, h), 1);
  block.dwPictAspectRatioX = w / divisor;
  block.dwPictAspectRatioY = h / divisor;
}

template <class Block>
void FillBlock(Block& block, const VideoSubtypeInfo& info, LONG width, LONG height, DWORD imageSize,
               REFERENCE_TIME avgTimePerFrame) {
  block.AvgTimePerFrame = avgTimePerFrame;
  block.dwBitRate = BitRate(imageSize, avgTimePerFrame);
  BITMAPINFOHEADER& header = block.bmiHeader;
  header.biSize = sizeof(BITMAPINFOHEADER);
  header.biWidth = width;
  header.biHeight = height;
  header.biPlanes = 1;
  header.biBitCount = info.bitCount;
  header.biCompression = info.compression;
  header.biSizeImage = imageSize;
}

}  // namespace

const VideoSubtypeInfo* FindVideoSubtype(const GUID& subtype) {
  const SubtypeEntry* entry = FindEntry(subtype);
  return entry == nullptr ? nullptr : &entry->info;
}

DWORD VideoImageSize(const GUID& subtype, LONG width, LONG height) {
  const SubtypeEntry* entry = FindEntry(subtype);
  return entry == nullptr ? 0 : ImageSize(*entry, width, height);
}

std::optional<MediaType> MakeVideoMediaType(const GUID& subtype, LONG width, LONG height,
                                            REFERENCE_TIME avgTimePerFrame,
                                            VideoFormatBlock block) {
  const SubtypeEntry* entry = FindEntry(subtype);
  if (entry == nullptr || width <= 0 || height == 0) return std::nullopt;
  const VideoSubtypeInfo& info = entry->info;
  const DWORD imageSize = ImageSize(*entry, width, height);

  BITMAPINFOHEADER probe;
  probe.biBitCount = info.bitCount;
  probe.biCompression = info.compression;
  const bool hasTable = entry->rule == SizeRule::kDib;
  const ULONG tailSize = hasTable ? DibColorEntries(probe) * sizeof(RGBQUAD) : 0;

  const bool second = block == VideoFormatBlock::kVideoInfo2;
  MediaType mediaType(MEDIATYPE_Video, subtype, second ? FORMAT_VideoInfo2 : FORMAT_VideoInfo);
  const ULONG blockSize = second ? sizeof(VIDEOINFOHEADER2) : sizeof(VIDEOINFOHEADER);
  BYTE* bytes = mediaType.AllocFormat(blockSize + tailSize);
  if (bytes == nullptr) return std::nullopt;
  BITMAPINFOHEADER* header = nullptr;
  if (second) {
    auto* vih2 = new (bytes) VIDEOINFOHEADER2{};
    FillBlock(*vih2, info, width, height, imageSize, avgTimePerFrame);
    SetAspectRatio(*vih2);
    header = &vih2->bmiHeader;
  } else {
    auto* vih = new (bytes) VIDEOINFOHEADER{};
    FillBlock(*vih, info, width, height, imageSize, avgTimePerFrame);
    header = &vih->bmiHeader;
  }
  if (tailSize != 0) FillColorTable(*header, bytes + blockSize);

  mediaType->bFixedSizeSamples = info.variableSize ? FALSE : TRUE;
  mediaType->bTemporalCompression = info.temporalCompression ? TRUE : FALSE;
  mediaType->lSampleSize = imageSize;
  return mediaType;
}

const BITMAPINFOHEADER* BitmapHeaderOf(const AM_MEDIA_TYPE& mediaType) {
  if (const auto* vih = VideoBlock<VIDEOINFOHEADER>(mediaType, FORMAT_VideoInfo)) {
    return &vih->bmiHeader;
  }
  if (const auto* vih2 = VideoBlock<VIDEOINFOHEADER2>(mediaType, FORMAT_VideoInfo2)) {
    return &vih2->bmiHeader;
  }
  return nullptr;
}

BITMAPINFOHEADER* BitmapHeaderOf(AM_MEDIA_TYPE& mediaType) {
  return const_cast<BITMAPINFOHEADER*>(BitmapHeaderOf(std::as_const(mediaType)));
}

std::optional<VideoFormatInfo> ReadVideoFormat(const AM_MEDIA_TYPE& mediaType) {
  const BITMAPINFOHEADER* header = BitmapHeaderOf(mediaType);
  if (header == nullptr) return std::nullopt;
  VideoFormatInfo result;
  result.width = header->biWidth;
  result.height = header->biHeight;
  result.bitCount = header->biBitCount;
  result.compression = header->biCompression;
  result.imageSize = header->biSizeImage;
  result.avgTimePerFrame = *AvgTimePerFrameField(mediaType);
  return result;
}

bool SetVideoSize(AM_MEDIA_TYPE& mediaType, LONG width, LONG height) {
  BITMAPINFOHEADER* header = BitmapHeaderOf(mediaType);
  if (header == nullptr) return false;
  header->biWidth = width;
  header->biHeight = height;
  // The rectangles described the old picture; empty ones mean the whole new one.
  auto* common = reinterpret_cast<VIDEOINFOHEADER*>(mediaType.pbFormat);
  common->rcSource = RECT{};
  common->rcTarget = RECT{};
  if (auto* vih2 = VideoBlock<VIDEOINFOHEADER2>(mediaType, FORMAT_VideoInfo2)) {
    SetAspectRatio(*vih2);
  }
  if (const DWORD imageSize = VideoImageSize(mediaType.subtype, width, height); imageSize != 0) {
    header->biSizeImage = imageSize;
    mediaType.lSampleSize = imageSize;
  }
  return true;
}

bool SetAvgTimePerFrame(AM_MEDIA_TYPE& mediaType, REFERENCE_TIME avgTimePerFrame) {
  const REFERENCE_TIME* field = AvgTimePerFrameField(mediaType);
  if (field == nullptr) return false;
  *const_cast<REFERENCE_TIME*>(field) = avgTimePerFrame;  // mediaType is writable
  return true;
}

bool IsFourCCSubtype(const GUID& subtype) {
  GUID base = subtype;
  base.Data1 = 0;
  return base == FourCCGuid(0);
}

std::string FourCCText(DWORD fourcc) {
  std::string text(4, '.');
  for (int i = 0; i < 4; ++i) {
    const auto c = static_cast<char>((fourcc >> (8 * i)) & 0xFF);
    if (c >= 0x20 && c < 0x7F) text[i] = c;
  }
  return text;
}

std::string SubtypeText(const GUID& subtype) {
  if (const VideoSubtypeInfo* info = FindVideoSubtype(subtype)) return info->name;
  if (subtype == MEDIASUBTYPE_PCM) return "PCM";
  if (subtype == MEDIASUBTYPE_IEEE_FLOAT) return "IEEE_FLOAT";
  if (subtype == MEDIASUBTYPE_Overlay) return "Overlay";
  if (subtype == MEDIASUBTYPE_Avi) return "Avi";
  if (IsFourCCSubtype(subtype)) return FourCCText(subtype.Data1);
  return StringFromGUID(subtype);
}

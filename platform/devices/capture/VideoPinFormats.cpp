#include "devices/capture/VideoPinFormats.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <new>

#include "dshow/Uuids.h"
#include "dshow/VideoMediaType.h"

namespace devices {
namespace {

SIZE Or(SIZE size, LONG width, LONG height) {
  return size.cx > 0 && size.cy > 0 ? size : SIZE{width, height};
}

bool DimensionFits(LONG value, LONG low, LONG high, LONG own, int step) {
  if (value < low || value > high) return false;
  if (step > 0) return (value - low) % step == 0;
  return value == low || value == high || value == own;
}

// The AAUX source pack of 16-bit stereo sound at 48 kHz; 0 (no pack) for frames without sound.
constexpr DWORD kAudioSource48k = 0xC0C00000;

// 720x576 and its halvings are 625-line DV; the rest 525-line.
MediaType DvType(const VideoCapability& capability, bool sound) {
  MediaType type(MEDIATYPE_Interleaved, capability.subtype, FORMAT_DvInfo);
  type->bFixedSizeSamples = TRUE;
  type->lSampleSize = VideoImageSize(capability.subtype, capability.width, capability.height);
  if (BYTE* block = type.AllocFormat(sizeof(DVINFO))) {
    DVINFO info{};
    if (sound) info.dwDVAAuxSrc = kAudioSource48k;
    new (block) DVINFO(info);
  }
  return type;
}

}  // namespace

REFERENCE_TIME IntervalOf(double framesPerSecond) {
  return framesPerSecond > 0 ? std::llround(kUnitsPerSecond / framesPerSecond) : 0;
}

VideoPinFormats::VideoPinFormats(const VideoPinDescription& pin, LONG videoStandards)
    : pin_(pin),
      videoStandards_(videoStandards),
      majorType_(pin.role == PinRole::kInterleaved ? MEDIATYPE_Interleaved : MEDIATYPE_Video) {}

MediaType VideoPinFormats::TypeOf(int index) const {
  if (index < 0 || index >= Count()) return MediaType();
  const VideoCapability& capability = pin_.capabilities[static_cast<std::size_t>(index)];
  if (IsInterleaved()) return DvType(capability, pin_.sound);
  auto type = MakeVideoMediaType(
      capability.subtype, capability.width, capability.height, IntervalOf(capability.frameRate),
      capability.videoInfo2 ? VideoFormatBlock::kVideoInfo2 : VideoFormatBlock::kVideoInfo);
  if (type) return std::move(*type);
  // A subtype the framework does not know (a FourCC of the description): the size of RGB24.
  MediaType fallback = *MakeVideoMediaType(MEDIASUBTYPE_RGB24, capability.width, capability.height,
                                           IntervalOf(capability.frameRate));
  fallback->subtype = capability.subtype;
  if (auto* header = BitmapHeaderOf(fallback.Get()))
    header->biCompression = capability.subtype.Data1;
  fallback->bFixedSizeSamples = FALSE;
  return fallback;
}

VIDEO_STREAM_CONFIG_CAPS VideoPinFormats::CapsOf(int index) const {
  VIDEO_STREAM_CONFIG_CAPS caps{};
  if (index < 0 || index >= Count()) return caps;
  const VideoCapability& capability = pin_.capabilities[static_cast<std::size_t>(index)];
  const LONG w = capability.width;
  const LONG h = capability.height;
  caps.guid = IsInterleaved() ? FORMAT_DvInfo
                              : (capability.videoInfo2 ? FORMAT_VideoInfo2 : FORMAT_VideoInfo);
  caps.VideoStandard = static_cast<ULONG>(videoStandards_);
  caps.InputSize = SIZE{w, h};
  caps.MinOutputSize = Or(capability.minSize, w, h);
  caps.MaxOutputSize = Or(capability.maxSize, w, h);
  caps.MinCroppingSize = caps.MinOutputSize;
  caps.MaxCroppingSize = caps.MaxOutputSize;
  caps.CropGranularityX = caps.OutputGranularityX = capability.granularityX;
  caps.CropGranularityY = caps.OutputGranularityY = capability.granularityY;
  caps.CropAlignX = caps.CropAlignY = 1;
  const double fastest =
      capability.maxFrameRate > 0 ? capability.maxFrameRate : capability.frameRate;
  const double slowest =
      capability.minFrameRate > 0 ? capability.minFrameRate : capability.frameRate;
  caps.MinFrameInterval = IntervalOf(fastest);
  caps.MaxFrameInterval = IntervalOf(slowest);
  const double bitsPerFrame = 8.0 * VideoImageSize(capability.subtype, w, h);
  caps.MinBitsPerSecond = static_cast<LONG>(std::min(bitsPerFrame * slowest, 2147483647.0));
  caps.MaxBitsPerSecond = static_cast<LONG>(std::min(bitsPerFrame * fastest, 2147483647.0));
  return caps;
}

bool VideoPinFormats::SizeFits(const VideoCapability& capability, LONG width, LONG height) const {
  if (!pin_.acceptedSizes.empty()) {
    return std::any_of(pin_.acceptedSizes.begin(), pin_.acceptedSizes.end(),
                       [&](const SIZE& size) { return size.cx == width && size.cy == height; });
  }
  const SIZE low = Or(capability.minSize, capability.width, capability.height);
  const SIZE high = Or(capability.maxSize, capability.width, capability.height);
  return DimensionFits(width, low.cx, high.cx, capability.width, capability.granularityX) &&
         DimensionFits(height, low.cy, high.cy, capability.height, capability.granularityY);
}

bool VideoPinFormats::RateFits(const VideoCapability& capability, REFERENCE_TIME interval) const {
  if (interval <= 0) return true;
  const double fastest =
      capability.maxFrameRate > 0 ? capability.maxFrameRate : capability.frameRate;
  const double slowest =
      capability.minFrameRate > 0 ? capability.minFrameRate : capability.frameRate;
  // A hundredth of a frame per second of slack: 29.97 and 30 are the same camera setting.
  const double rate = static_cast<double>(kUnitsPerSecond) / static_cast<double>(interval);
  return rate >= slowest - 0.01 * slowest && rate <= fastest + 0.01 * fastest;
}

const VideoCapability* VideoPinFormats::CapabilityFor(const AM_MEDIA_TYPE& mediaType) const {
  if (mediaType.majortype != majorType_) return nullptr;
  for (const VideoCapability& capability : pin_.capabilities) {
    if (capability.subtype != mediaType.subtype) continue;
    if (IsInterleaved()) return &capability;
    const GUID format = capability.videoInfo2 ? FORMAT_VideoInfo2 : FORMAT_VideoInfo;
    if (mediaType.formattype != format) continue;
    const auto video = ReadVideoFormat(mediaType);
    if (!video) continue;
    if (SizeFits(capability, video->width, std::abs(video->height)) &&
        RateFits(capability, video->avgTimePerFrame)) {
      return &capability;
    }
  }
  return nullptr;
}

bool VideoPinFormats::Accepts(const AM_MEDIA_TYPE& mediaType) const {
  if (mediaType.majortype == MEDIATYPE_Video && mediaType.subtype == MEDIASUBTYPE_Overlay) {
    return pin_.acceptsOverlay;
  }
  if (IsInterleaved()) {
    return CapabilityFor(mediaType) != nullptr &&
           (mediaType.formattype == FORMAT_DvInfo || mediaType.formattype == GUID_NULL);
  }
  return CapabilityFor(mediaType) != nullptr;
}

std::optional<SIZE> VideoPinFormats::FrameSize(const AM_MEDIA_TYPE& mediaType) const {
  if (const auto video = ReadVideoFormat(mediaType))
    return SIZE{video->width, std::abs(video->height)};
  if (const VideoCapability* capability = IsInterleaved() ? CapabilityFor(mediaType) : nullptr) {
    return SIZE{capability->width, capability->height};
  }
  return std::nullopt;
}

REFERENCE_TIME VideoPinFormats::FrameInterval(const AM_MEDIA_TYPE& mediaType) const {
  if (const auto video = ReadVideoFormat(mediaType); video && video->avgTimePerFrame > 0) {
    return video->avgTimePerFrame;
  }
  if (const VideoCapability* capability = CapabilityFor(mediaType)) {
    return IntervalOf(capability->frameRate);
  }
  return pin_.capabilities.empty() ? IntervalOf(30.0) : IntervalOf(pin_.capabilities[0].frameRate);
}

}  // namespace devices

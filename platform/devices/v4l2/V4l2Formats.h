#pragma once
// The formats of a V4L2 capture node as IAMStreamConfig capabilities: VIDIOC_ENUM_FMT ×
// ENUM_FRAMESIZES × ENUM_FRAMEINTERVALS, with the driver's FourCCs mapped to subtypes. A discrete
// size is one capability; a stepwise or continuous range is one capability with its granularity;
// a driver that lists no sizes has its range found with TRY_FMT. Frame rates are asked per size.
//
// Application thread (probing); the result is a plain value.

#include <linux/videodev2.h>

#include <cstdint>
#include <optional>
#include <vector>

#include "devices/capture/VideoCapability.h"
#include "devices/v4l2/V4l2Device.h"

namespace devices {

// The subtype of a V4L2 pixel format; nullopt for one the framework has no subtype for.
std::optional<GUID> SubtypeOfPixelFormat(std::uint32_t fourcc);

// How a frame of a pixel format becomes a sample of its subtype.
enum class FrameLayout {
  kAsIs,         // the bytes as they are (YUV, compressed)
  kFlipRows,     // RGB24/RGB32 top-down rows into a bottom-up bitmap
  kSwapAndFlip,  // R,G,B bytes into B,G,R, rows flipped
};
FrameLayout LayoutOfPixelFormat(std::uint32_t fourcc);

struct V4l2PixelFormat {
  GUID subtype;
  std::uint32_t fourcc = 0;
};

struct V4l2ProbedFormats {
  VideoPinDescription pin;               // the capture pin's capabilities
  std::vector<V4l2PixelFormat> fourccs;  // the driver's format behind each subtype
  // The driver's FourCC for a subtype; 0 when the node has none.
  std::uint32_t FourccOf(const GUID& subtype) const;
};

// Probes the node's formats. Formats whose probing fails (an error other than the end of a list)
// are left out and logged.
V4l2ProbedFormats ProbeV4l2Formats(const V4l2Device& device);

// 1 / interval in frames a second; 0 for a zero interval.
double FramesPerSecond(const v4l2_fract& interval);

}  // namespace devices

#include "devices/v4l2/V4l2Formats.h"

#include <linux/videodev2.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "com/Diagnostics.h"
#include "dshow/Uuids.h"

namespace devices {
namespace {

struct FormatMapping {
  std::uint32_t fourcc;
  const GUID* subtype;
};

// In order of preference where two pixel formats give one subtype (BGR3 before RGB3).
const FormatMapping kMappings[] = {
    {V4L2_PIX_FMT_YUYV, &MEDIASUBTYPE_YUY2},   {V4L2_PIX_FMT_UYVY, &MEDIASUBTYPE_UYVY},
    {V4L2_PIX_FMT_MJPEG, &MEDIASUBTYPE_MJPG},  {V4L2_PIX_FMT_JPEG, &MEDIASUBTYPE_MJPG},
    {V4L2_PIX_FMT_NV12, &MEDIASUBTYPE_NV12},   {V4L2_PIX_FMT_YUV420, &MEDIASUBTYPE_I420},
    {V4L2_PIX_FMT_YVU420, &MEDIASUBTYPE_YV12}, {V4L2_PIX_FMT_BGR24, &MEDIASUBTYPE_RGB24},
    {V4L2_PIX_FMT_RGB24, &MEDIASUBTYPE_RGB24}, {V4L2_PIX_FMT_XBGR32, &MEDIASUBTYPE_RGB32},
    {V4L2_PIX_FMT_BGR32, &MEDIASUBTYPE_RGB32}, {V4L2_PIX_FMT_GREY, &MEDIASUBTYPE_Y800},
};

constexpr std::uint32_t kLargestSide = 16384;

// The interval range of one size: fastest and slowest frame rate, the fastest as the default.
struct RateRange {
  double fastest = 0;
  double slowest = 0;
};

// Answers every index of an enumeration ioctl until EINVAL; false when another error cut it short.
template <class Entry, class Visit>
bool Enumerate(const V4l2Device& device, unsigned long request, Entry entry, Visit visit) {
  for (std::uint32_t index = 0;; ++index) {
    entry.index = index;
    const int result = device.Ioctl(request, &entry);
    if (result == -EINVAL) return true;
    if (result < 0) return false;
    if (!visit(entry)) return true;
  }
}

double CurrentRate(const V4l2Device& device) {
  v4l2_streamparm parm{};
  parm.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
  if (device.Ioctl(VIDIOC_G_PARM, &parm) < 0) return 0;
  return FramesPerSecond(parm.parm.capture.timeperframe);
}

RateRange RatesAt(const V4l2Device& device, std::uint32_t fourcc, std::uint32_t width,
                  std::uint32_t height) {
  RateRange range;
  const auto note = [&range](double rate) {
    if (rate <= 0) return;
    range.fastest = std::max(range.fastest, rate);
    range.slowest = range.slowest == 0 ? rate : std::min(range.slowest, rate);
  };
  v4l2_frmivalenum entry{};
  entry.pixel_format = fourcc;
  entry.width = width;
  entry.height = height;
  Enumerate(device, VIDIOC_ENUM_FRAMEINTERVALS, entry, [&](const v4l2_frmivalenum& found) {
    if (found.type == V4L2_FRMIVAL_TYPE_DISCRETE) {
      note(FramesPerSecond(found.discrete));
      return true;
    }
    note(FramesPerSecond(found.stepwise.min));
    note(FramesPerSecond(found.stepwise.max));
    return false;
  });
  if (range.fastest == 0) note(CurrentRate(device));  // no interval list: what the node runs at
  if (range.fastest == 0) note(30);
  return range;
}

VideoCapability CapabilityOf(const GUID& subtype, std::uint32_t width, std::uint32_t height,
                             const RateRange& rates) {
  VideoCapability capability;
  capability.subtype = subtype;
  capability.width = static_cast<LONG>(width);
  capability.height = static_cast<LONG>(height);
  capability.frameRate = rates.fastest;
  capability.minFrameRate = rates.slowest;
  capability.maxFrameRate = rates.fastest;
  return capability;
}

// The size TRY_FMT gives for the wanted one; nullopt when the node refuses.
std::optional<SIZE> TriedSize(const V4l2Device& device, std::uint32_t fourcc, std::uint32_t width,
                              std::uint32_t height) {
  v4l2_format format{};
  format.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
  format.fmt.pix.pixelformat = fourcc;
  format.fmt.pix.width = width;
  format.fmt.pix.height = height;
  format.fmt.pix.field = V4L2_FIELD_ANY;
  if (device.Ioctl(VIDIOC_TRY_FMT, &format) < 0) return std::nullopt;
  return SIZE{static_cast<LONG>(format.fmt.pix.width), static_cast<LONG>(format.fmt.pix.height)};
}

// One capability over a range of sizes; step 0 means any size the node takes between the ends.
VideoCapability RangeCapability(const V4l2Device& device, const GUID& subtype, std::uint32_t fourcc,
                                const v4l2_frmsize_stepwise& range) {
  VideoCapability capability =
      CapabilityOf(subtype, range.max_width, range.max_height,
                   RatesAt(device, fourcc, range.max_width, range.max_height));
  capability.minSize =
      SIZE{static_cast<LONG>(range.min_width), static_cast<LONG>(range.min_height)};
  capability.maxSize =
      SIZE{static_cast<LONG>(range.max_width), static_cast<LONG>(range.max_height)};
  capability.granularityX = static_cast<int>(std::max<std::uint32_t>(range.step_width, 1));
  capability.granularityY = static_cast<int>(std::max<std::uint32_t>(range.step_height, 1));
  return capability;
}

// A driver without a size list: the smallest and largest sizes TRY_FMT settles on.
std::optional<v4l2_frmsize_stepwise> TriedRange(const V4l2Device& device, std::uint32_t fourcc) {
  const auto smallest = TriedSize(device, fourcc, 1, 1);
  const auto largest = TriedSize(device, fourcc, kLargestSide, kLargestSide);
  if (!smallest || !largest || largest->cx <= 0 || largest->cy <= 0) return std::nullopt;
  return v4l2_frmsize_stepwise{
      static_cast<std::uint32_t>(smallest->cx), static_cast<std::uint32_t>(largest->cx), 1,
      static_cast<std::uint32_t>(smallest->cy), static_cast<std::uint32_t>(largest->cy), 1};
}

// The capabilities of one pixel format; false when probing it failed.
bool ProbeSizes(const V4l2Device& device, const GUID& subtype, std::uint32_t fourcc,
                std::vector<VideoCapability>& capabilities) {
  v4l2_frmsizeenum entry{};
  entry.pixel_format = fourcc;
  entry.index = 0;
  const int first = device.Ioctl(VIDIOC_ENUM_FRAMESIZES, &entry);
  if (first == -EINVAL || first == -ENOTTY) {
    const auto range = TriedRange(device, fourcc);
    if (!range) return false;
    capabilities.push_back(RangeCapability(device, subtype, fourcc, *range));
    return true;
  }
  if (first < 0) return false;
  if (entry.type != V4L2_FRMSIZE_TYPE_DISCRETE) {
    capabilities.push_back(RangeCapability(device, subtype, fourcc, entry.stepwise));
    return true;
  }
  return Enumerate(device, VIDIOC_ENUM_FRAMESIZES, entry, [&](const v4l2_frmsizeenum& found) {
    if (found.type != V4L2_FRMSIZE_TYPE_DISCRETE) return false;
    const auto& size = found.discrete;
    capabilities.push_back(CapabilityOf(subtype, size.width, size.height,
                                        RatesAt(device, fourcc, size.width, size.height)));
    return true;
  });
}

}  // namespace

std::optional<GUID> SubtypeOfPixelFormat(std::uint32_t fourcc) {
  for (const FormatMapping& mapping : kMappings) {
    if (mapping.fourcc == fourcc) return *mapping.subtype;
  }
  return std::nullopt;
}

FrameLayout LayoutOfPixelFormat(std::uint32_t fourcc) {
  switch (fourcc) {
    case V4L2_PIX_FMT_BGR24:
    case V4L2_PIX_FMT_XBGR32:
    case V4L2_PIX_FMT_BGR32:
      return FrameLayout::kFlipRows;
    case V4L2_PIX_FMT_RGB24:
      return FrameLayout::kSwapAndFlip;
    default:
      return FrameLayout::kAsIs;
  }
}

double FramesPerSecond(const v4l2_fract& interval) {
  if (interval.numerator == 0 || interval.denominator == 0) return 0;
  return static_cast<double>(interval.denominator) / interval.numerator;
}

std::uint32_t V4l2ProbedFormats::FourccOf(const GUID& subtype) const {
  for (const V4l2PixelFormat& format : fourccs) {
    if (format.subtype == subtype) return format.fourcc;
  }
  return 0;
}

V4l2ProbedFormats ProbeV4l2Formats(const V4l2Device& device) {
  V4l2ProbedFormats probed;
  probed.pin.name = "Capture";
  probed.pin.role = PinRole::kCapture;
  v4l2_fmtdesc entry{};
  entry.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
  const bool complete = Enumerate(device, VIDIOC_ENUM_FMT, entry, [&](const v4l2_fmtdesc& found) {
    const auto subtype = SubtypeOfPixelFormat(found.pixelformat);
    if (!subtype || probed.FourccOf(*subtype) != 0) return true;  // unknown, or had already
    if (!ProbeSizes(device, *subtype, found.pixelformat, probed.pin.capabilities)) {
      diag::Warn("v4l2", device.Path() + ": the sizes of " +
                             reinterpret_cast<const char*>(found.description) +
                             " cannot be read; the format is left out");
      return true;
    }
    probed.fourccs.push_back({*subtype, found.pixelformat});
    return true;
  });
  if (!complete) diag::Warn("v4l2", device.Path() + ": the format list ends with an error");
  return probed;
}

}  // namespace devices

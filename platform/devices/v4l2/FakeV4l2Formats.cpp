// The fake node's formats: ENUM_FMT, ENUM_FRAMESIZES, ENUM_FRAMEINTERVALS, G/S/TRY_FMT and
// G/S_PARM, with sizes and intervals adjusted to the nearest the format has, as drivers do.

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "devices/v4l2/FakeV4l2Node.h"
#include "devices/virtual/CompressedFrameEncoder.h"

namespace devices::fakev4l2 {
namespace {

using Size = FakeV4l2Sizes::Size;

bool UsesRange(const FakeV4l2Sizes& sizes) {
  return sizes.kind == FakeV4l2Sizes::Kind::kStepwise ||
         sizes.kind == FakeV4l2Sizes::Kind::kContinuous;
}

std::uint32_t StepOf(const FakeV4l2Sizes& sizes, std::uint32_t step) {
  return sizes.kind == FakeV4l2Sizes::Kind::kContinuous || step == 0 ? 1 : step;
}

// value clamped to min..max and rounded to the nearest step from min.
std::uint32_t Snap(std::uint32_t value, std::uint32_t min, std::uint32_t max, std::uint32_t step) {
  const std::uint32_t clamped = std::clamp(value, min, std::max(min, max));
  const std::uint32_t steps = (clamped - min + step / 2) / step;
  return std::min(min + steps * step, max - (max - min) % step);
}

// The nearest size the format has to width x height.
std::pair<std::uint32_t, std::uint32_t> NearestSize(const FakeV4l2Format& format,
                                                    std::uint32_t width, std::uint32_t height) {
  const FakeV4l2Sizes& sizes = format.sizes;
  if (UsesRange(sizes)) {
    const v4l2_frmsize_stepwise& r = sizes.range;
    return {Snap(width, r.min_width, r.max_width, StepOf(sizes, r.step_width)),
            Snap(height, r.min_height, r.max_height, StepOf(sizes, r.step_height))};
  }
  if (sizes.sizes.empty()) return {width, height};
  const auto distance = [&](const Size& size) {
    return std::llabs(static_cast<long long>(size.width) - width) +
           std::llabs(static_cast<long long>(size.height) - height);
  };
  const Size& best =
      *std::min_element(sizes.sizes.begin(), sizes.sizes.end(),
                        [&](const Size& a, const Size& b) { return distance(a) < distance(b); });
  return {best.width, best.height};
}

// The discrete size entry of width x height; for range formats the first entry, whose intervals
// stand for every size of the range.
const Size* SizeEntry(const FakeV4l2Format& format, std::uint32_t width, std::uint32_t height) {
  const FakeV4l2Sizes& sizes = format.sizes;
  if (UsesRange(sizes)) {
    const v4l2_frmsize_stepwise& r = sizes.range;
    if (width < r.min_width || width > r.max_width || height < r.min_height ||
        height > r.max_height || sizes.sizes.empty()) {
      return nullptr;
    }
    return &sizes.sizes.front();
  }
  for (const Size& size : sizes.sizes) {
    if (size.width == width && size.height == height) return &size;
  }
  return nullptr;
}

double Seconds(FakeV4l2Interval interval) {
  return interval.denominator == 0 ? 0.0
                                   : static_cast<double>(interval.numerator) / interval.denominator;
}

int EnumFormat(const Node& node, v4l2_fmtdesc& desc) {
  if (desc.type != V4L2_BUF_TYPE_VIDEO_CAPTURE) return -EINVAL;
  if (desc.index >= node.device.formats.size()) return -EINVAL;
  const FakeV4l2Format& format = node.device.formats[desc.index];
  const std::uint32_t index = desc.index;
  std::memset(&desc, 0, sizeof desc);
  desc.index = index;
  desc.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
  desc.pixelformat = format.fourcc;
  desc.flags = format.compressed ? V4L2_FMT_FLAG_COMPRESSED : 0;
  std::strncpy(reinterpret_cast<char*>(desc.description), format.description.c_str(),
               sizeof desc.description - 1);
  return 0;
}

int EnumFrameSizes(const Node& node, v4l2_frmsizeenum& sizeEnum) {
  const FakeV4l2Format* format = FindFormat(node, sizeEnum.pixel_format);
  if (format == nullptr) return -EINVAL;
  const FakeV4l2Sizes& sizes = format->sizes;
  switch (sizes.kind) {
    case FakeV4l2Sizes::Kind::kNotSupported:
      return -ENOTTY;
    case FakeV4l2Sizes::Kind::kNone:
      return -EINVAL;
    case FakeV4l2Sizes::Kind::kDiscrete:
      if (sizeEnum.index >= sizes.sizes.size()) return -EINVAL;
      sizeEnum.type = V4L2_FRMSIZE_TYPE_DISCRETE;
      sizeEnum.discrete = {sizes.sizes[sizeEnum.index].width, sizes.sizes[sizeEnum.index].height};
      return 0;
    case FakeV4l2Sizes::Kind::kStepwise:
    case FakeV4l2Sizes::Kind::kContinuous:
      if (sizeEnum.index != 0) return -EINVAL;
      const bool continuous = sizes.kind == FakeV4l2Sizes::Kind::kContinuous;
      sizeEnum.type = continuous ? V4L2_FRMSIZE_TYPE_CONTINUOUS : V4L2_FRMSIZE_TYPE_STEPWISE;
      sizeEnum.stepwise = sizes.range;
      if (continuous) sizeEnum.stepwise.step_width = sizeEnum.stepwise.step_height = 1;
      return 0;
  }
  return -EINVAL;
}

int EnumFrameIntervals(const Node& node, v4l2_frmivalenum& ivalEnum) {
  const FakeV4l2Format* format = FindFormat(node, ivalEnum.pixel_format);
  if (format == nullptr) return -EINVAL;
  if (format->sizes.intervalRange) {
    if (ivalEnum.index != 0) return -EINVAL;
    const v4l2_frmival_stepwise& range = *format->sizes.intervalRange;
    const bool continuous = range.step.numerator == 1 && range.step.denominator == 1;
    ivalEnum.type = continuous ? V4L2_FRMIVAL_TYPE_CONTINUOUS : V4L2_FRMIVAL_TYPE_STEPWISE;
    ivalEnum.stepwise = range;
    return 0;
  }
  const Size* size = SizeEntry(*format, ivalEnum.width, ivalEnum.height);
  if (size == nullptr || ivalEnum.index >= size->intervals.size()) return -EINVAL;
  const FakeV4l2Interval& interval = size->intervals[ivalEnum.index];
  ivalEnum.type = V4L2_FRMIVAL_TYPE_DISCRETE;
  ivalEnum.discrete = {interval.numerator, interval.denominator};
  return 0;
}

// TRY_FMT's adjustment: a known format (else the first), the nearest size, the derived fields.
int AdjustFormat(const Node& node, v4l2_format& format) {
  if (format.type != V4L2_BUF_TYPE_VIDEO_CAPTURE) return -EINVAL;
  if (node.device.formats.empty()) return -EINVAL;
  v4l2_pix_format& pix = format.fmt.pix;
  const FakeV4l2Format* known = FindFormat(node, pix.pixelformat);
  if (known == nullptr) known = &node.device.formats.front();
  const auto [width, height] = NearestSize(*known, pix.width, pix.height);
  std::memset(&pix, 0, sizeof pix);
  pix.pixelformat = known->fourcc;
  pix.width = width;
  pix.height = height;
  CompleteFormat(pix, known->compressed);
  return 0;
}

int SetFormat(Node& node, int fd, v4l2_format& format) {
  if (node.busyAtSetFormatLeft > 0) {
    --node.busyAtSetFormatLeft;
    return -EBUSY;
  }
  // Buffers of the old size exist, or another descriptor owns the stream.
  if (node.owner != -1 && (node.owner != fd || !node.buffers.empty())) return -EBUSY;
  if (const int result = AdjustFormat(node, format); result != 0) return result;
  if (node.format.width != format.fmt.pix.width || node.format.height != format.fmt.pix.height)
    node.encoder.reset();
  node.format = format.fmt.pix;
  node.interval = NearestInterval(node, node.interval);
  return 0;
}

int GetParm(const Node& node, v4l2_streamparm& parm) {
  if (parm.type != V4L2_BUF_TYPE_VIDEO_CAPTURE) return -EINVAL;
  std::memset(&parm.parm, 0, sizeof parm.parm);
  parm.parm.capture.capability = V4L2_CAP_TIMEPERFRAME;
  if (!node.device.faults.zeroParm) {
    parm.parm.capture.timeperframe = {node.interval.numerator, node.interval.denominator};
  }
  return 0;
}

int SetParm(Node& node, v4l2_streamparm& parm) {
  if (parm.type != V4L2_BUF_TYPE_VIDEO_CAPTURE) return -EINVAL;
  if (node.device.faults.rejectParm) return -EINVAL;
  if (node.streaming) return -EBUSY;
  const v4l2_fract wanted = parm.parm.capture.timeperframe;
  node.interval = NearestInterval(node, {wanted.numerator, wanted.denominator});
  return GetParm(node, parm);
}

}  // namespace

const FakeV4l2Format* FindFormat(const Node& node, std::uint32_t fourcc) {
  for (const FakeV4l2Format& format : node.device.formats) {
    if (format.fourcc == fourcc) return &format;
  }
  return nullptr;
}

void CompleteFormat(v4l2_pix_format& format, bool compressed) {
  const std::uint32_t w = format.width;
  const std::uint32_t h = format.height;
  format.field = V4L2_FIELD_NONE;
  format.colorspace = compressed ? V4L2_COLORSPACE_JPEG : V4L2_COLORSPACE_SRGB;
  switch (format.pixelformat) {
    case V4L2_PIX_FMT_GREY:
      format.bytesperline = w;
      format.sizeimage = w * h;
      break;
    case V4L2_PIX_FMT_NV12:
    case V4L2_PIX_FMT_YUV420:
    case V4L2_PIX_FMT_YVU420:
      format.bytesperline = w;
      format.sizeimage = w * h * 3 / 2;
      break;
    case V4L2_PIX_FMT_RGB24:
    case V4L2_PIX_FMT_BGR24:
      format.bytesperline = w * 3;
      format.sizeimage = w * h * 3;
      break;
    case V4L2_PIX_FMT_RGB32:
    case V4L2_PIX_FMT_BGR32:
    case V4L2_PIX_FMT_XBGR32:
    case V4L2_PIX_FMT_XRGB32:
      format.bytesperline = w * 4;
      format.sizeimage = w * h * 4;
      break;
    default:
      // Packed 4:2:2 and, as an upper bound, compressed frames.
      format.bytesperline = compressed ? 0 : w * 2;
      format.sizeimage = w * h * 2;
      break;
  }
}

void ResetFormat(Node& node) {
  node.format = {};
  node.interval = {};
  if (node.device.formats.empty()) return;
  const FakeV4l2Format& first = node.device.formats.front();
  node.format.pixelformat = first.fourcc;
  if (UsesRange(first.sizes)) {
    node.format.width = first.sizes.range.max_width;
    node.format.height = first.sizes.range.max_height;
  } else if (!first.sizes.sizes.empty()) {
    node.format.width = first.sizes.sizes.front().width;
    node.format.height = first.sizes.sizes.front().height;
  }
  CompleteFormat(node.format, first.compressed);
  node.interval = NearestInterval(node, {0, 0});
}

FakeV4l2Interval NearestInterval(const Node& node, FakeV4l2Interval wanted) {
  const FakeV4l2Format* format = FindFormat(node, node.format.pixelformat);
  if (format == nullptr) return wanted;
  if (format->sizes.intervalRange) {
    // min (fastest) .. max (slowest) in steps, on the common denominator of min and step.
    const v4l2_frmival_stepwise& r = *format->sizes.intervalRange;
    const double min = Seconds({r.min.numerator, r.min.denominator});
    const double max = Seconds({r.max.numerator, r.max.denominator});
    if (wanted.denominator == 0 || wanted.numerator == 0)
      return {r.min.numerator, r.min.denominator};
    const double value = std::clamp(Seconds(wanted), min, max);
    const std::uint32_t denominator = r.min.denominator * r.step.denominator;
    const double unit = static_cast<double>(r.step.numerator) / r.step.denominator;
    const double steps = unit > 0 ? std::round((value - min) / unit) : 0;
    const auto numerator =
        static_cast<std::uint32_t>(std::lround((min + steps * unit) * denominator));
    return {std::max<std::uint32_t>(numerator, 1), denominator};
  }
  const Size* size = SizeEntry(*format, node.format.width, node.format.height);
  if (size == nullptr || size->intervals.empty()) return {1, 30};
  if (wanted.denominator == 0 || wanted.numerator == 0) return size->intervals.front();
  return *std::min_element(size->intervals.begin(), size->intervals.end(),
                           [&](const FakeV4l2Interval& a, const FakeV4l2Interval& b) {
                             return std::abs(Seconds(a) - Seconds(wanted)) <
                                    std::abs(Seconds(b) - Seconds(wanted));
                           });
}

int FormatIoctl(Node& node, int fd, unsigned long request, void* argument) {
  switch (request) {
    case VIDIOC_ENUM_FMT:
      return EnumFormat(node, *static_cast<v4l2_fmtdesc*>(argument));
    case VIDIOC_ENUM_FRAMESIZES:
      return EnumFrameSizes(node, *static_cast<v4l2_frmsizeenum*>(argument));
    case VIDIOC_ENUM_FRAMEINTERVALS:
      return EnumFrameIntervals(node, *static_cast<v4l2_frmivalenum*>(argument));
    case VIDIOC_G_FMT: {
      auto& format = *static_cast<v4l2_format*>(argument);
      if (format.type != V4L2_BUF_TYPE_VIDEO_CAPTURE) return -EINVAL;
      format.fmt.pix = node.format;
      return 0;
    }
    case VIDIOC_TRY_FMT:
      return AdjustFormat(node, *static_cast<v4l2_format*>(argument));
    case VIDIOC_S_FMT:
      return SetFormat(node, fd, *static_cast<v4l2_format*>(argument));
    case VIDIOC_G_PARM:
      return GetParm(node, *static_cast<v4l2_streamparm*>(argument));
    case VIDIOC_S_PARM:
      return SetParm(node, *static_cast<v4l2_streamparm*>(argument));
    default:
      return -ENOTTY;
  }
}

}  // namespace devices::fakev4l2

#include "dshow/filters/MediaFileLimits.h"

#include <algorithm>
#include <mutex>

extern "C" {
#include <libavutil/avutil.h>
#include <libavutil/mathematics.h>
}

namespace dshow {

namespace {

constexpr AVRational kReferenceTime{1, 10'000'000};

std::mutex& LimitsLock() {
  static std::mutex lock;
  return lock;
}

MediaFileLimits& Limits() {
  static MediaFileLimits limits;
  return limits;
}

}  // namespace

MediaFileLimits CurrentMediaFileLimits() {
  std::lock_guard lock(LimitsLock());
  return Limits();
}

void SetMediaFileLimits(const MediaFileLimits& limits) {
  std::lock_guard lock(LimitsLock());
  Limits() = limits;
}

bool SanePicture(int64_t width, int64_t height) {
  const MediaFileLimits limits = CurrentMediaFileLimits();
  // Heights of INT32_MIN and the like are ruled out before std::abs could overflow.
  if (width <= 0 || height == 0 || width > limits.maxDimension || height > limits.maxDimension ||
      height < -int64_t{limits.maxDimension}) {
    return false;
  }
  return width * (height < 0 ? -height : height) * 4 <= limits.maxPictureBytes;
}

bool SaneSound(int64_t sampleRate, int64_t channels) {
  const MediaFileLimits limits = CurrentMediaFileLimits();
  return sampleRate > 0 && sampleRate <= limits.maxSampleRate && channels > 0 &&
         channels <= limits.maxChannels;
}

REFERENCE_TIME ClampedTime(int64_t value, AVRational base) {
  if (base.num <= 0 || base.den <= 0) return 0;
  const int64_t time = av_rescale_q(value, base, kReferenceTime);
  if (time == INT64_MIN) return value < 0 ? -kMaxMediaTime : kMaxMediaTime;
  return std::clamp<int64_t>(time, -kMaxMediaTime, kMaxMediaTime);
}

REFERENCE_TIME SaneDuration(int64_t value, AVRational base) {
  if (value <= 0 || value == AV_NOPTS_VALUE || base.num <= 0 || base.den <= 0) return 0;
  const int64_t time = av_rescale_q(value, base, kReferenceTime);
  return time > 0 && time <= kMaxMediaTime ? time : 0;
}

}  // namespace dshow

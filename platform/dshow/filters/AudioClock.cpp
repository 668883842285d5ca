#include "dshow/filters/AudioClock.h"

#include <algorithm>

#include "clock/Clock.h"

namespace {

// The share of the difference taken away at one report: small steps keep the picture smooth.
constexpr REFERENCE_TIME kGainDivisor = 4;
constexpr REFERENCE_TIME kUnitsPerMillisecond = 10'000;

REFERENCE_TIME PlatformTime() {
  return static_cast<REFERENCE_TIME>(GetTickCount64()) * kUnitsPerMillisecond;
}

}  // namespace

REFERENCE_TIME AudioClock::Now() {
  const REFERENCE_TIME platform = PlatformTime();
  std::lock_guard lock(lock_);
  return ReadLocked(platform);
}

REFERENCE_TIME AudioClock::ReadLocked(REFERENCE_TIME platform) {
  last_ = std::max(last_, platform + offset_);
  return last_;
}

void AudioClock::Release() {
  std::lock_guard lock(lock_);
  following_ = false;
  shift_ = 0;
}

bool AudioClock::StalledLocked(REFERENCE_TIME sounding, REFERENCE_TIME platform) {
  if (sounding != sounding_) {
    sounding_ = sounding;
    lastMoved_ = platform;
    return false;
  }
  return platform - lastMoved_ >= kStall;
}

void AudioClock::Follow(REFERENCE_TIME sounding) {
  const REFERENCE_TIME platform = PlatformTime();
  std::lock_guard lock(lock_);
  const REFERENCE_TIME elapsed = following_ ? platform - adjusted_ : 0;
  adjusted_ = platform;
  if (!following_) {
    following_ = true;
    sounding_ = sounding;
    lastMoved_ = platform;
  } else if (StalledLocked(sounding, platform)) {
    return;  // the platform clock leads until the device moves again
  }
  const REFERENCE_TIME error = sounding + shift_ - ReadLocked(platform);
  if (error > kResync || error < -kResync) {
    shift_ -= error;
    return;
  }
  const REFERENCE_TIME bound = elapsed * kMaxSlewPercent / 100;
  offset_ += std::clamp(error / kGainDivisor, -bound, bound);
}

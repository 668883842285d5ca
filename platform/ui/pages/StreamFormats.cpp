#include "ui/pages/StreamFormats.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <set>

#include "dshow/Formats.h"
#include "dshow/Uuids.h"
#include "dshow/VideoMediaType.h"

namespace ui {
namespace {

constexpr double kUnitsPerSecond = 10'000'000.0;

std::string SoundName(const AM_MEDIA_TYPE& type) {
  std::string name = SubtypeText(type.subtype);
  if (type.formattype != FORMAT_WaveFormatEx || type.cbFormat < sizeof(WAVEFORMATEX)) return name;
  WAVEFORMATEX wave;
  std::memcpy(&wave, type.pbFormat, sizeof wave);
  return name + " " + std::to_string(wave.nSamplesPerSec) + " Hz " +
         std::to_string(wave.wBitsPerSample) + "-bit " + std::to_string(wave.nChannels) +
         (wave.nChannels == 1 ? " channel" : " channels");
}

}  // namespace

std::string FrameRateText(REFERENCE_TIME interval) {
  if (interval <= 0) return "?";
  char text[32];
  std::snprintf(text, sizeof text, "%.2f", kUnitsPerSecond / static_cast<double>(interval));
  std::string rate = text;
  rate.erase(rate.find_last_not_of('0') + 1);  // "30.00" -> "30.", "7.50" -> "7.5"
  if (rate.back() == '.') rate.pop_back();
  return rate + " fps";
}

StreamFormats StreamFormats::Read(IAMStreamConfig* config) {
  StreamFormats formats;
  int count = 0;
  int size = 0;
  if (config == nullptr || FAILED(config->GetNumberOfCapabilities(&count, &size))) return formats;
  std::vector<BYTE> caps(static_cast<std::size_t>(std::max(size, 0)) +
                         sizeof(VIDEO_STREAM_CONFIG_CAPS));
  for (int i = 0; i < count; ++i) {
    AM_MEDIA_TYPE* handedOut = nullptr;
    if (FAILED(config->GetStreamCaps(i, &handedOut, caps.data()))) continue;
    Capability capability;
    capability.type = MediaType::Adopt(handedOut);
    const auto video = ReadVideoFormat(capability.type.Get());
    formats.video_ = formats.video_ || video.has_value();
    std::string name =
        video ? SubtypeText(capability.type->subtype) : SoundName(capability.type.Get());
    if (video) {
      VIDEO_STREAM_CONFIG_CAPS videoCaps;
      std::memcpy(&videoCaps, caps.data(), sizeof videoCaps);
      capability.size = {video->width, std::abs(video->height)};
      capability.minInterval =
          videoCaps.MinFrameInterval > 0 ? videoCaps.MinFrameInterval : video->avgTimePerFrame;
      capability.maxInterval = std::max(videoCaps.MaxFrameInterval, capability.minInterval);
    }
    auto it = std::find(formats.names_.begin(), formats.names_.end(), name);
    if (it == formats.names_.end() || !video)
      it = formats.names_.insert(formats.names_.end(), name);
    capability.format = static_cast<int>(it - formats.names_.begin());
    formats.capabilities_.push_back(std::move(capability));
  }
  return formats;
}

std::vector<std::string> StreamFormats::Formats() const {
  return names_;
}

std::vector<SIZE> StreamFormats::Sizes(int format) const {
  std::vector<SIZE> sizes;
  for (const Capability& capability : capabilities_) {
    if (capability.format != format) continue;
    const bool known = std::any_of(sizes.begin(), sizes.end(), [&](const SIZE& s) {
      return s.cx == capability.size.cx && s.cy == capability.size.cy;
    });
    if (!known) sizes.push_back(capability.size);
  }
  return sizes;
}

std::vector<REFERENCE_TIME> StreamFormats::Intervals(int format, SIZE size) const {
  std::set<REFERENCE_TIME> intervals;
  for (const Capability& c : capabilities_) {
    if (c.format != format || c.size.cx != size.cx || c.size.cy != size.cy) continue;
    if (c.minInterval > 0) intervals.insert(c.minInterval);
    if (c.maxInterval > 0) intervals.insert(c.maxInterval);
    // Rates between the two ends are not offered: a V4L2 camera's capability spans discrete
    // rates, and the caps do not say which lie between.
  }
  return {intervals.begin(), intervals.end()};
}

const StreamFormats::Capability* StreamFormats::Find(const StreamChoice& choice) const {
  for (const Capability& c : capabilities_) {
    if (c.format != choice.format) continue;
    if (!video_) return &c;
    if (c.size.cx == choice.width && c.size.cy == choice.height &&
        choice.interval >= c.minInterval && choice.interval <= c.maxInterval) {
      return &c;
    }
  }
  return nullptr;
}

StreamChoice StreamFormats::ChoiceOf(const AM_MEDIA_TYPE& current) const {
  const auto video = ReadVideoFormat(current);
  for (const Capability& c : capabilities_) {
    if (!video_) {
      if (current.subtype == c.type->subtype && current.cbFormat == c.type->cbFormat &&
          (current.cbFormat == 0 ||
           std::memcmp(current.pbFormat, c.type->pbFormat, current.cbFormat) == 0)) {
        return {c.format, 0, 0, 0};
      }
      continue;
    }
    if (video && c.type->subtype == current.subtype && c.size.cx == video->width &&
        c.size.cy == std::abs(video->height)) {
      const REFERENCE_TIME interval =
          std::clamp(video->avgTimePerFrame > 0 ? video->avgTimePerFrame : c.minInterval,
                     c.minInterval, c.maxInterval);
      return {c.format, c.size.cx, c.size.cy, interval};
    }
  }
  if (capabilities_.empty()) return {};
  const Capability& first = capabilities_.front();
  return {first.format, first.size.cx, first.size.cy, first.minInterval};
}

MediaType StreamFormats::TypeFor(const StreamChoice& choice) const {
  const Capability* capability = Find(choice);
  if (capability == nullptr) return {};
  MediaType type = capability->type;
  if (video_) {
    const bool topDown = ReadVideoFormat(type.Get())->height < 0;
    // Both succeed: the capability has a video format block.
    (void)SetVideoSize(type.Get(), choice.width, topDown ? -choice.height : choice.height);
    (void)SetAvgTimePerFrame(type.Get(), choice.interval);
  }
  return type;
}

}  // namespace ui

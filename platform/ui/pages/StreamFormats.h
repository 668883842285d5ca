#pragma once
// What the stream format page offers, read from a pin's IAMStreamConfig: each subtype, the frame
// sizes of a subtype and the frame rates of a size, from GetNumberOfCapabilities/GetStreamCaps;
// and the media type for SetFormat made from a choice. Pins of other media (sound) offer each
// capability as a format of its own, without sizes or rates.
//
// Threads: application thread.

#include <string>
#include <vector>

#include "dshow/DeviceInterfaces.h"
#include "dshow/MediaType.h"

namespace ui {

struct StreamChoice {
  int format = 0;  // index into Formats()
  LONG width = 0;  // video only
  LONG height = 0;
  REFERENCE_TIME interval = 0;  // 100-ns units per frame; video only
  bool operator==(const StreamChoice&) const = default;
};

class StreamFormats {
 public:
  // Reads every capability; an empty list when the pin has none.
  static StreamFormats Read(IAMStreamConfig* config);

  bool IsVideo() const { return video_; }
  // The formats' names: a video subtype each ("YUY2"), or one capability each ("PCM 44100 Hz
  // 16-bit 2 channels").
  std::vector<std::string> Formats() const;
  std::vector<SIZE> Sizes(int format) const;
  // The fastest and slowest rate of each capability of that size, fastest first.
  std::vector<REFERENCE_TIME> Intervals(int format, SIZE size) const;
  // The choice that matches a pin's current format, or the first one.
  StreamChoice ChoiceOf(const AM_MEDIA_TYPE& current) const;
  // The media type for SetFormat; empty when the choice matches no capability.
  MediaType TypeFor(const StreamChoice& choice) const;

 private:
  struct Capability {
    MediaType type;
    int format = 0;  // index into names_
    SIZE size{};
    REFERENCE_TIME minInterval = 0;
    REFERENCE_TIME maxInterval = 0;
  };

  const Capability* Find(const StreamChoice& choice) const;

  bool video_ = false;
  std::vector<std::string> names_;
  std::vector<Capability> capabilities_;
};

// "30 fps", "29.97 fps", "7.5 fps".
std::string FrameRateText(REFERENCE_TIME interval);

}  // namespace ui

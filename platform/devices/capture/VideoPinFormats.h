#pragma once
// What one video pin of a capture device can deliver, from its capabilities (a virtual camera's
// description, or the formats probed from a V4L2 node): the media types and
// VIDEO_STREAM_CONFIG_CAPS of IAMStreamConfig, and whether a given type is acceptable
// (QueryAccept, SetFormat, connections). Immutable after construction: any thread.

#include <optional>

#include "devices/capture/VideoCapability.h"
#include "dshow/DeviceInterfaces.h"
#include "dshow/MediaType.h"

namespace devices {

class VideoPinFormats {
 public:
  // videoStandards: the decoder's standards, reported in the capabilities (0 for none).
  VideoPinFormats(const VideoPinDescription& pin, LONG videoStandards);

  int Count() const { return static_cast<int>(pin_.capabilities.size()); }
  // The type of capability index at its own size and rate; an empty type for a bad index.
  MediaType TypeOf(int index) const;
  VIDEO_STREAM_CONFIG_CAPS CapsOf(int index) const;

  // Whether the pin can deliver the type: a subtype it has, at an accepted size (the listed
  // accepted sizes, else any size of a capability's range and granularity) and a frame rate in
  // the capability's range. Overlay types when the pin accepts them.
  bool Accepts(const AM_MEDIA_TYPE& mediaType) const;

  // The frame interval to deliver a type at: its own when set, else its capability's.
  REFERENCE_TIME FrameInterval(const AM_MEDIA_TYPE& mediaType) const;

  // The frame size a type stands for: its format block's, or for DV in an interleaved stream
  // (whose format block has no size), its capability's.
  std::optional<SIZE> FrameSize(const AM_MEDIA_TYPE& mediaType) const;

  const GUID& MajorType() const { return majorType_; }
  // Interleaved DV frames carry sound.
  bool HasSound() const { return pin_.sound; }
  bool IsInterleaved() const { return pin_.role == PinRole::kInterleaved; }

 private:
  bool SizeFits(const VideoCapability& capability, LONG width, LONG height) const;
  bool RateFits(const VideoCapability& capability, REFERENCE_TIME interval) const;
  const VideoCapability* CapabilityFor(const AM_MEDIA_TYPE& mediaType) const;

  const VideoPinDescription pin_;
  const LONG videoStandards_;
  const GUID majorType_;
};

// 10,000,000 / rate, rounded.
REFERENCE_TIME IntervalOf(double framesPerSecond);

}  // namespace devices

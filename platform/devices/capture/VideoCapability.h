#pragma once
// What a video pin of a capture device can deliver, whatever the back-end: its role and its
// capabilities (one media type of IAMStreamConfig each). The virtual devices read them from
// their description, the V4L2 back-end probes them from the driver. Plain values.

#include <string>
#include <vector>

#include "com/Guid.h"
#include "com/Types.h"

namespace devices {

// The role of an output pin of a video capture filter.
enum class PinRole { kCapture, kPreview, kVideoPort, kAnalogVideoIn, kInterleaved };

// One capability of a video pin (one media type of GetStreamCaps).
struct VideoCapability {
  GUID subtype;
  LONG width = 640;
  LONG height = 480;
  bool videoInfo2 = false;
  double frameRate = 30.0;
  double minFrameRate = 0;  // 0: the capability's own rate
  double maxFrameRate = 0;
  SIZE minSize;  // 0 x 0: the capability's own size
  SIZE maxSize;
  int granularityX = 0;  // 0: only the minimum and the maximum
  int granularityY = 0;
};

struct VideoPinDescription {
  std::string name;
  PinRole role = PinRole::kCapture;
  std::vector<VideoCapability> capabilities;  // empty: the first capture pin's
  // The sizes QueryAccept answers S_OK to; empty: any size inside a capability's range.
  std::vector<SIZE> acceptedSizes;
  bool acceptsOverlay = false;  // QueryAccept of MEDIASUBTYPE_Overlay answers S_OK
  bool sound = true;            // interleaved DV: the frames carry a tone
};

}  // namespace devices

#pragma once
// The parts of a device description that belong to video capture devices (internal to the
// description parser).

#include "devices/virtual/DeviceDescription.h"
#include "devices/virtual/JsonFields.h"

namespace devices::json {

// "picture", "pins" (with defaults when absent), "crossbars".
void ReadVideoPins(const Fields& fields, DeviceDescription& device);
void ReadCrossbars(const Fields& fields, DeviceDescription& device);
// "tuner", "tvAudio", "decoder", "procAmp", "droppedFrames", "timecode", "transport",
// "vfwDialogs".
void ReadVideoControls(const Fields& fields, DeviceDescription& device);

}  // namespace devices::json

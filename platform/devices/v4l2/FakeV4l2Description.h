#pragma once
// A fake V4L2 node made from a virtual-device description (devices/virtual/DeviceDescription.h), so
// that the fixtures that describe virtual cameras and capture cards drive the V4L2 back-end too:
// the capture pin's capabilities become formats, sizes and intervals; the processing amplifier
// becomes user controls; the crossbars' connectors become inputs and audio inputs; the decoder's
// standards, the tuner and the faults carry over; the hardware ids become udev properties.
// Any thread.

#include "devices/v4l2/FakeV4l2.h"
#include "devices/virtual/DeviceDescription.h"

namespace devices {

FakeV4l2Device FakeV4l2DeviceFrom(const DeviceDescription& device);

}  // namespace devices

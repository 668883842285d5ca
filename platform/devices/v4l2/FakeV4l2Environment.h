#pragma once
// RUDOZAV_FAKE_V4L2: "demo", or a virtual-device description file, makes the V4L2 back-end serve
// in-memory nodes built from the description's video devices (/dev/video0, /dev/video2, ...)
// instead of the kernel's, so that the real V4L2 filter can be tried on a machine without a
// camera. Any thread.

#include <memory>

#include "devices/v4l2/V4l2Api.h"

namespace devices {

// The fake the variable asks for, made once; null when it is not set or names nothing usable
// (with a warning).
std::shared_ptr<V4l2Api> FakeV4l2FromEnvironment();

}  // namespace devices

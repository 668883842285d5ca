#pragma once
// Time codes of a tape device: packed BCD hh:mm:ss:ff and frame counts.

#include "com/Types.h"

namespace devices {

// The frames since 00:00:00:00 of a packed BCD time code at that rate.
LONGLONG TimecodeToFrames(DWORD bcd, LONG framesPerSecond);
// The packed BCD time code of a frame count (hours wrap at 24).
DWORD FramesToTimecode(LONGLONG frames, LONG framesPerSecond);

}  // namespace devices

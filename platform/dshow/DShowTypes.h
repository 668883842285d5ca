#pragma once
// Scalar types shared by the media framework's interfaces.

#include <cstdint>

#include "com/Types.h"

using LONG_PTR = std::intptr_t;
using DWORD_PTR = std::uintptr_t;
using DWORDLONG = std::uint64_t;

// A window as the framework's interfaces pass it: an opaque, pointer-sized handle that
// platform/ui converts to and from its own window type. 0 means no window.
using OAHWND = LONG_PTR;
// An event object handle (IMediaEvent::GetEventHandle); opaque to callers.
using OAEVENT = LONG_PTR;
// A filter graph's state as IMediaControl reports it (a FILTER_STATE value).
using OAFilterState = LONG;
// Seconds, as a double (IBasicVideo::get_AvgTimePerFrame).
using REFTIME = double;

// The largest reference time: "never" for stream control, "to the end" for seeking.
inline constexpr REFERENCE_TIME MAX_TIME = 0x7FFFFFFFFFFFFFFF;
// One second in reference time units (100 ns).
inline constexpr REFERENCE_TIME kUnitsPerSecond = 10'000'000;

// Millisecond timeouts of the interfaces take -1 (INFINITE of clock/Clock.h) to wait without a
// limit.

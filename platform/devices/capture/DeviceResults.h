#pragma once
// The results capture filters give for what happens to devices, whatever the back-end, so that
// callers see the same code for a busy virtual camera and a busy V4L2 node.

#include "com/HResult.h"

namespace devices {

// Another filter or another program streams from the device: leaving Stopped is refused.
inline constexpr HRESULT kDeviceInUse = HRESULT_FROM_WIN32(170);  // ERROR_BUSY
// The device is gone (unplugged, or it failed for good).
inline constexpr HRESULT kDeviceNotConnected = HRESULT_FROM_WIN32(1167);
// The bus cannot carry the stream (USB bandwidth): another format or port may work.
inline constexpr HRESULT kDeviceNoBandwidth = HRESULT_FROM_WIN32(1450);  // no system resources
// The device stopped answering.
inline constexpr HRESULT kDeviceTimeout = HRESULT_FROM_WIN32(1460);

// The result for a failed device call's errno (positive or negative): EBUSY in use, ENODEV and
// its kin not connected, EACCES denied, EINVAL an invalid argument, ENOTTY not implemented,
// ENOSPC no bandwidth, ENOMEM out of memory, ETIMEDOUT a timeout, the rest E_FAIL.
HRESULT HResultFromErrno(int error);

// Whether the errno (positive or negative) means the device is gone for good.
bool IsDeviceGone(int error);

}  // namespace devices

#pragma once
// The moving test picture of virtual cameras, painted straight into a sample buffer in the
// format the pin delivers. Pure function of its arguments: any thread.

#include "devices/virtual/DeviceDescription.h"
#include "dshow/MediaType.h"

namespace devices {

// Paints frame number frame of the picture in the video format of mediaType (RGB1 to RGB32,
// packed and planar YUV, grey). Formats that cannot be painted (compressed ones) get a
// recognisable filler with the frame number in their first bytes. Returns the bytes written:
// the format's image size, or 0 when it does not fit into capacity or the type has no video
// format block.
DWORD PaintTestPattern(const PictureDescription& picture, const AM_MEDIA_TYPE& mediaType,
                       LONGLONG frame, BYTE* buffer, DWORD capacity);

}  // namespace devices

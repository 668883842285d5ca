#pragma once
// The default picture of the fake node's raw formats: a grey ramp across each row that moves
// with the sequence number, the chroma neutral. Pure function: any thread.

#include <linux/videodev2.h>

#include <cstdint>

namespace devices::fakev4l2 {

// Paints a frame of the format (bytesperline and sizeimage filled) into data.
void PaintGreyRamp(std::uint32_t sequence, const v4l2_pix_format& format, std::uint8_t* data);

}  // namespace devices::fakev4l2

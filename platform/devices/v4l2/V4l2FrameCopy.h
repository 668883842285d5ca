#pragma once
// Turning a driver's frame into a sample: rows packed to the connection's width and height (the
// driver may pad rows to bytesperline and adjust the frame size upwards), RGB rows bottom-up as
// bitmaps have them, and compressed frames checked to be whole. Pure functions: any thread.

#include <linux/videodev2.h>

#include <cstddef>
#include <cstdint>

namespace devices {

// Copies a frame of the driver's format into out, as a frame of width x height in the sample
// layout of its subtype. The bytes written; 0 when the frame is shorter than its format says or
// the result does not fit capacity.
std::size_t CopyV4l2Frame(const std::uint8_t* data, std::size_t bytes,
                          const v4l2_pix_format& driver, std::uint32_t width, std::uint32_t height,
                          std::uint8_t* out, std::size_t capacity);

// Whether a JPEG frame is whole: it starts with SOI and ends with EOI (trailing zero padding,
// which some cameras add, allowed).
bool IsCompleteJpeg(const std::uint8_t* data, std::size_t bytes);

}  // namespace devices

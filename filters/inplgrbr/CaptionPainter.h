#pragma once
// Draws the record's caption into a frame: through a DIB section made from the frame's bitmap
// header, as the frame grabber has always done it, so that exactly the platform's text drawing
// decides the result.

#include <cstddef>

#include "filters/common/GrabberControl.h"

// Copies length bytes of the frame (laid out as the video type says) into a DIB section, draws
// the text there and copies the bytes back. False, with the frame untouched, when no DIB section
// can be made for the type (not an uncompressed RGB picture) or the text cannot be drawn.
// The caller holds the text hand-over of the record.
bool DrawCaptionInto(const AM_MEDIA_TYPE& type, BYTE* frame, std::size_t length,
                     const TGrabberControl& record);

#pragma once
// Turning the frame grabber's last frame into a picture: a bitmap handed to
// OnFrameCaptureCompleted, a BMP or a JPEG file. UI thread only.

#include <string>

#include "rudozav/RudOzav.h"

// Copies the frame grabber's frame into a DIB, writes it as dest asks (an empty fileName asks
// for an automatic name) and fires OnFrameCaptureCompleted when a picture was produced. True
// when a file was written. The caller has checked that the grabber holds a frame.
bool GrabFrame(TRavorOderiri& component, TFrameCaptureDest dest, const std::string& fileName);

// One frame event of a burst: whether this event's frame is to be grabbed. Advances the burst
// counters and ends a counted burst.
bool BurstStep(TRavorOderiri& component);

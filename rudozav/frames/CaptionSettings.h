#pragma once
// Handing the text-on-frame settings to the active grabber filter. UI thread only.

#include "filters/common/GrabberControl.h"
#include "rudozav/RudOzav.h"

// The LOGFONT and COLORREF a grabber draws the caption with (system colours as their usual
// values).
LOGFONT CaptionLogFont(const TFont& font);
COLORREF CaptionColor(TColor color);

// Copies TextOnFrameEnabled into the record and, while the filter is not drawing, the changed
// text (at most 999 bytes, cut at a character boundary) and the changed layout: the margin
// rectangle within the connected video size, the font, its colour and the format flags.
void HandOverCaption(TRavorOderiri& component, TGrabberControl& record);

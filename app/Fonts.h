#pragma once
// The fonts the windows were laid out with are Windows fonts; where they are missing, fonts of
// about the same width stand in, so that captions fit their controls. Call once after the
// application object exists.

void UseLookAlikeFonts();

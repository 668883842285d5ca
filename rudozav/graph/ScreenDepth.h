#pragma once
// The colour depth of the screen in bits per pixel, as the screen's device context reports it.
// UI thread only.

#include <optional>

int ScreenDepth();

// Replaces the screen's answer (tests of displays the test machine does not have); nullopt
// restores it.
void OverrideScreenDepth(std::optional<int> bitsPerPixel);

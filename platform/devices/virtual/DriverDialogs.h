#pragma once
// Driver dialogs of virtual devices (internal to platform/devices). A virtual device draws no
// dialog: showing one reports it to the observer that virtualdevices::SetDriverDialogObserver
// installed, and the dialog counts as closed at once. Any thread.

#include <string>

#include "dshow/DShowTypes.h"

namespace devices {

// dialog: a VfwCaptureDialogs value, or VfwCompressDialogs for a compressor.
void ReportDriverDialog(const std::string& device, int dialog, OAHWND owner);

}  // namespace devices

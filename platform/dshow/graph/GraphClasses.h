#pragma once
// The framework's own classes as built-in COM classes: CLSID_FilterGraph,
// CLSID_CaptureGraphBuilder2 and CLSID_SystemClock. They are registered when the platform
// library loads; calling this again registers them again (after a test unregistered one).

namespace dshow {

void RegisterGraphClasses();

}  // namespace dshow

#pragma once
// The grabber filter modules as the component meets them: registered into the test's store from
// the build tree and created by class id through COM.

#include "com/ComPtr.h"
#include "dshow/FilterInterfaces.h"
#include "filters/common/GrabberControl.h"

namespace module_test {

// The built module files.
const char* InplaceGrabberModule();
const char* DeinterlacerModule();

// Loads the module and runs its DllRegisterServer; the result of that call.
HRESULT RegisterModule(const char* path);

// Registers the module of the class and creates its filter (null, with a test failure, when
// that does not work).
ComPtr<IBaseFilter> CreateInplaceGrabber();
ComPtr<IBaseFilter> CreateDeinterlacer();

// The filter's control record through IGrabberControl.
TGrabberControl* RecordOf(IBaseFilter* filter);

}  // namespace module_test

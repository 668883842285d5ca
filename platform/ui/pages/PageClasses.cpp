// The platform's property pages are built-in classes, there as soon as the platform is loaded, so
// that OleCreatePropertyFrame makes them by class id like any other class.

#include "com/Com.h"
#include "dshow/PropertyPageClasses.h"
#include "ui/pages/CaptureMixerPage.h"
#include "ui/pages/CompressorPage.h"
#include "ui/pages/CrossbarPage.h"
#include "ui/pages/DeviceControlsPage.h"
#include "ui/pages/StreamFormatPage.h"
#include "ui/pages/TvAudioPage.h"
#include "ui/pages/TvTunerPage.h"

namespace ui {
namespace {

const bool kRegistered = [] {
  RegisterBuiltInClass(CLSID_DeviceControlsPage, CreatorOf<DeviceControlsPage>());
  RegisterBuiltInClass(CLSID_CrossbarPage, CreatorOf<CrossbarPage>());
  RegisterBuiltInClass(CLSID_CompressorPage, CreatorOf<CompressorPage>());
  RegisterBuiltInClass(CLSID_TvTunerPage, CreatorOf<TvTunerPage>());
  RegisterBuiltInClass(CLSID_TvAudioPage, CreatorOf<TvAudioPage>());
  RegisterBuiltInClass(CLSID_CaptureMixerPage, CreatorOf<CaptureMixerPage>());
  RegisterBuiltInClass(CLSID_StreamFormatPage, CreatorOf<StreamFormatPage>());
  return true;
}();

}  // namespace
}  // namespace ui

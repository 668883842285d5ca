// Registration of the two modules in the store and creation of their filters through COM.

#include <dlfcn.h>
#include <gtest/gtest.h>

#include "ModuleTestSupport.h"
#include "com/Com.h"
#include "com/InprocServers.h"
#include "dshow/Uuids.h"
#include "dshow/base/FilterSetup.h"
#include "dshow/graph/FilterRegistry.h"
#include "filters/common/GrabberClasses.h"

namespace {

using module_test::RegisterModule;

struct ModuleCase {
  const char* path;
  CLSID clsid;
  const char* name;
};

class Modules : public ::testing::TestWithParam<ModuleCase> {};

HRESULT CallEntry(const char* path, const char* entry) {
  void* module = dlopen(path, RTLD_NOW | RTLD_LOCAL);
  if (module == nullptr) return CO_E_DLLNOTFOUND;
  auto call = reinterpret_cast<HRESULT (*)()>(dlsym(module, entry));
  return call != nullptr ? call() : CO_E_ERRORINDLL;
}

TEST_P(Modules, RegisterTheirFilterAndAreCreatedByClassId) {
  const ModuleCase& module = GetParam();
  ComPtr<IBaseFilter> filter;
  EXPECT_EQ(CoCreateInstance(module.clsid, &filter), REGDB_E_CLASSNOTREG);

  ASSERT_EQ(RegisterModule(module.path), S_OK);
  EXPECT_EQ(RegisteredInprocServer(module.clsid), module.path);
  const std::optional<FilterSetup> setup = ReadFilterRegistration(module.clsid);
  ASSERT_TRUE(setup);
  EXPECT_EQ(setup->name, module.name);
  EXPECT_EQ(setup->merit, MERIT_DO_NOT_USE);
  ASSERT_EQ(setup->pins.size(), 2u);
  for (const FilterPinSetup& pin : setup->pins) {
    EXPECT_EQ(pin.isOutput, pin.name == "Output") << pin.name;
    EXPECT_FALSE(pin.isRendered || pin.allowedMany || pin.allowedZero) << pin.name;
    ASSERT_EQ(pin.mediaTypes.size(), 1u);
    EXPECT_EQ(pin.mediaTypes[0].majorType, MEDIATYPE_Video);
    EXPECT_EQ(pin.mediaTypes[0].subType, GUID_NULL);
  }

  ASSERT_EQ(CoCreateInstance(module.clsid, &filter), S_OK);
  CLSID clsid;
  ASSERT_EQ(filter->GetClassID(&clsid), S_OK);
  EXPECT_EQ(clsid, module.clsid);
  TGrabberControl* record = module_test::RecordOf(filter.Get());
  ASSERT_NE(record, nullptr);
  EXPECT_EQ(record->Mode, 0);
  EXPECT_EQ(record->FrameBuffer, nullptr);
  EXPECT_EQ(record->FrameCount.load(), 0);
  // Both pins, named as registered.
  ComPtr<IPin> pin;
  EXPECT_EQ(filter->FindPin("Input", pin.ReleaseAndGetAddressOf()), S_OK);
  EXPECT_EQ(filter->FindPin("Output", pin.ReleaseAndGetAddressOf()), S_OK);
  pin.Reset();

  // The module stays in use while its filter lives.
  EXPECT_EQ(CallEntry(module.path, "DllCanUnloadNow"), S_FALSE);
  filter.Reset();
  EXPECT_EQ(CallEntry(module.path, "DllCanUnloadNow"), S_OK);

  EXPECT_EQ(CallEntry(module.path, "DllUnregisterServer"), S_OK);
  EXPECT_FALSE(ReadFilterRegistration(module.clsid));
  EXPECT_EQ(CoCreateInstance(module.clsid, &filter), REGDB_E_CLASSNOTREG);
}

TEST_P(Modules, ServeOnlyTheirOwnClassAndKeepALockedServer) {
  const ModuleCase& module = GetParam();
  ASSERT_EQ(RegisterModule(module.path), S_OK);
  void* handle = dlopen(module.path, RTLD_NOW | RTLD_LOCAL);
  using GetClassObject = HRESULT (*)(REFCLSID, REFIID, void**);
  auto getClassObject = reinterpret_cast<GetClassObject>(dlsym(handle, "DllGetClassObject"));
  ASSERT_NE(getClassObject, nullptr);
  ComPtr<IClassFactory> factory;
  const CLSID other = module.clsid == CLSID_InplGrabber ? CLSID_TrnfGrbr : CLSID_InplGrabber;
  EXPECT_EQ(getClassObject(other, IID_IClassFactory, factory.ReleaseAndGetVoidAddress()),
            CLASS_E_CLASSNOTAVAILABLE);
  ASSERT_EQ(getClassObject(module.clsid, IID_IClassFactory, factory.ReleaseAndGetVoidAddress()),
            S_OK);
  EXPECT_EQ(factory->LockServer(TRUE), S_OK);
  EXPECT_EQ(CallEntry(module.path, "DllCanUnloadNow"), S_FALSE);
  EXPECT_EQ(factory->LockServer(FALSE), S_OK);
  EXPECT_EQ(CallEntry(module.path, "DllCanUnloadNow"), S_OK);
}

INSTANTIATE_TEST_SUITE_P(Both, Modules,
                         ::testing::Values(ModuleCase{module_test::InplaceGrabberModule(),
                                                      CLSID_InplGrabber, "InplGrabber"},
                                           ModuleCase{module_test::DeinterlacerModule(),
                                                      CLSID_TrnfGrbr, "Kestrelbay TrnfGrbr"}),
                         [](const auto& entry) {
                           return entry.index == 0 ? "InplGrbr" : "TrnfGrbr";
                         });

TEST(InprocServers, AModuleThatIsMissingOrHasNoEntryPointIsReported) {
  ComPtr<IBaseFilter> filter;
  const FilterSetup setup{CLSID_InplGrabber, "InplGrabber", MERIT_DO_NOT_USE, {}};
  ASSERT_EQ(RegisterFilterServer(setup, "/nonexistent/inplgrbr.ax"), S_OK);
  EXPECT_EQ(CoCreateInstance(CLSID_InplGrabber, &filter), CO_E_DLLNOTFOUND);
  // The platform library is a loadable module without DllGetClassObject.
  ASSERT_EQ(RegisterFilterServer(setup, RUDOZAV_PLATFORM_LIBRARY), S_OK);
  EXPECT_EQ(CoCreateInstance(CLSID_InplGrabber, &filter), CO_E_ERRORINDLL);
}

}  // namespace

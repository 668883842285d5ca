#include "FakeDevices.h"

#include <map>
#include <vector>

#include "FakeMedia.h"
#include "com/Com.h"
#include "dshow/DShow.h"

namespace rudozav_test {
namespace {

std::map<GUID, std::vector<FakeDevice>>& Present() {
  static std::map<GUID, std::vector<FakeDevice>> devices;
  return devices;
}

class FakePropertyBag : public ComObject<FakePropertyBag, IPropertyBag> {
 public:
  explicit FakePropertyBag(FakeDevice device) : device_(std::move(device)) {}

  HRESULT Read(LPCOLESTR name, VARIANT* value, IErrorLog*) override {
    if (name == nullptr || value == nullptr) return E_POINTER;
    const std::string key = name;
    const std::string* text = key == "FriendlyName" ? &device_.friendlyName
                              : key == "CLSID"      ? &device_.clsid
                                                    : nullptr;
    if (text == nullptr || text->empty()) return E_INVALIDARG;
    *value = VARIANT(*text);
    return S_OK;
  }
  HRESULT Write(LPCOLESTR, VARIANT*) override { return E_NOTIMPL; }

 private:
  FakeDevice device_;
};

class FakeMoniker : public ComObject<FakeMoniker, IMoniker> {
 public:
  explicit FakeMoniker(FakeDevice device) : device_(std::move(device)) {}

  HRESULT BindToObject(IBindCtx*, IMoniker*, REFIID riid, void** object) override {
    auto filter = MakeComObject<FakeFilter>();
    filter->refusesGraphs = device_.refusesGraphs;
    return filter->QueryInterface(riid, object);
  }
  HRESULT BindToStorage(IBindCtx*, IMoniker*, REFIID riid, void** object) override {
    if (object == nullptr) return E_POINTER;
    *object = nullptr;
    if (!device_.hasStorage) return E_FAIL;
    return MakeComObject<FakePropertyBag>(device_)->QueryInterface(riid, object);
  }
  HRESULT GetDisplayName(IBindCtx*, IMoniker*, LPOLESTR* name) override {
    if (name == nullptr) return E_POINTER;
    *name = CoTaskMemStrDup(device_.displayName);
    return S_OK;
  }
  HRESULT IsEqual(IMoniker* other) override {
    if (other == nullptr) return S_FALSE;
    LPOLESTR name = nullptr;
    if (FAILED(other->GetDisplayName(nullptr, nullptr, &name))) return S_FALSE;
    const bool same = device_.displayName == name;
    CoTaskMemFree(name);
    return same ? S_OK : S_FALSE;
  }

 private:
  FakeDevice device_;
};

class FakeEnumMoniker : public ComObject<FakeEnumMoniker, IEnumMoniker> {
 public:
  explicit FakeEnumMoniker(std::vector<FakeDevice> devices) : devices_(std::move(devices)) {}

  HRESULT Next(ULONG count, IMoniker** monikers, ULONG* fetched) override {
    ULONG done = 0;
    for (; done < count && next_ < devices_.size(); ++done, ++next_)
      monikers[done] = MakeComObject<FakeMoniker>(devices_[next_]).Detach();
    if (fetched != nullptr) *fetched = done;
    return done == count ? S_OK : S_FALSE;
  }
  HRESULT Skip(ULONG count) override {
    next_ += count;
    return next_ <= devices_.size() ? S_OK : S_FALSE;
  }
  HRESULT Reset() override {
    next_ = 0;
    return S_OK;
  }
  HRESULT Clone(IEnumMoniker**) override { return E_NOTIMPL; }

 private:
  std::vector<FakeDevice> devices_;
  std::size_t next_ = 0;
};

class FakeDevEnum : public ComObject<FakeDevEnum, ICreateDevEnum> {
 public:
  HRESULT CreateClassEnumerator(REFCLSID category, IEnumMoniker** enumerator, DWORD) override {
    if (enumerator == nullptr) return E_POINTER;
    *enumerator = nullptr;
    const auto found = Present().find(category);
    if (found == Present().end() || found->second.empty()) return S_FALSE;
    *enumerator = MakeComObject<FakeEnumMoniker>(found->second).Detach();
    return S_OK;
  }
};

}  // namespace

std::string UsbCameraDisplayName(const std::string& instance) {
  return "@device:pnp:\\\\?\\usb#vid_046d&pid_0825&mi_00#" + instance +
         "#{65e8773d-8f56-11d0-a3b9-00a0c9223196}\\global";
}

std::string WdmClsid() {
  return StringFromCLSID(CLSID_Proxy);
}
std::string VfwClsid() {
  return StringFromCLSID(CLSID_VfwCapture);
}

void InstallFakeDevices() {
  Present().clear();
  RegisterBuiltInClass(CLSID_SystemDeviceEnum, CreatorOf<FakeDevEnum>());
}

void UninstallFakeDevices() {
  UnregisterBuiltInClass(CLSID_SystemDeviceEnum);
  Present().clear();
}

void PlugDevice(const CLSID& category, const FakeDevice& device) {
  Present()[category].push_back(device);
}

void UnplugDevice(const CLSID& category, const std::string& displayName) {
  std::erase_if(Present()[category],
                [&](const FakeDevice& device) { return device.displayName == displayName; });
}

}  // namespace rudozav_test

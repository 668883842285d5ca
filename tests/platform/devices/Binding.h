#pragma once
// Binding a plugged virtual device's filter through the system device enumerator, as the
// component does.

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "com/Com.h"
#include "dshow/DShow.h"

namespace devices_test {

inline ComPtr<IMoniker> FindMoniker(const std::string& displayName) {
  ComPtr<ICreateDevEnum> enumerator;
  EXPECT_EQ(CoCreateInstance(CLSID_SystemDeviceEnum, &enumerator), S_OK);
  for (const GUID& category : {CLSID_VideoInputDeviceCategory, CLSID_AudioInputDeviceCategory,
                               CLSID_VideoCompressorCategory, CLSID_AudioCompressorCategory}) {
    ComPtr<IEnumMoniker> list;
    if (enumerator->CreateClassEnumerator(category, list.ReleaseAndGetAddressOf(), 0) != S_OK)
      continue;
    ComPtr<IMoniker> moniker;
    while (list->Next(1, moniker.ReleaseAndGetAddressOf(), nullptr) == S_OK) {
      LPOLESTR name = nullptr;
      if (FAILED(moniker->GetDisplayName(nullptr, nullptr, &name))) continue;
      const bool found = displayName == name;
      CoTaskMemFree(name);
      if (found) return moniker;
    }
  }
  ADD_FAILURE() << "no device " << displayName;
  return nullptr;
}

inline ComPtr<IBaseFilter> BindDevice(const std::string& displayName, HRESULT* result = nullptr) {
  ComPtr<IBaseFilter> filter;
  ComPtr<IMoniker> moniker = FindMoniker(displayName);
  if (!moniker) return filter;
  const HRESULT hr =
      moniker->BindToObject(nullptr, nullptr, IID_IBaseFilter, filter.ReleaseAndGetVoidAddress());
  if (result != nullptr) *result = hr;
  return filter;
}

// The filter's pin of that name.
inline ComPtr<IPin> PinNamed(IBaseFilter* filter, const std::string& name) {
  ComPtr<IEnumPins> pins;
  EXPECT_EQ(filter->EnumPins(pins.ReleaseAndGetAddressOf()), S_OK);
  ComPtr<IPin> pin;
  while (pins->Next(1, pin.ReleaseAndGetAddressOf(), nullptr) == S_OK) {
    PIN_INFO info;
    if (SUCCEEDED(pin->QueryPinInfo(&info)) && info.achName == name) return pin;
  }
  return nullptr;
}

// A device as the enumerator lists it.
struct ListedDevice {
  std::string friendlyName;
  std::string displayName;
  std::string devicePath;
  std::string clsid;
};

// The devices of a category, in the enumerator's order.
inline std::vector<ListedDevice> ListDevices(const GUID& category) {
  std::vector<ListedDevice> listed;
  ComPtr<ICreateDevEnum> enumerator;
  EXPECT_EQ(CoCreateInstance(CLSID_SystemDeviceEnum, &enumerator), S_OK);
  ComPtr<IEnumMoniker> list;
  if (enumerator->CreateClassEnumerator(category, list.ReleaseAndGetAddressOf(), 0) != S_OK)
    return listed;
  ComPtr<IMoniker> moniker;
  while (list->Next(1, moniker.ReleaseAndGetAddressOf(), nullptr) == S_OK) {
    ListedDevice entry;
    LPOLESTR name = nullptr;
    EXPECT_EQ(moniker->GetDisplayName(nullptr, nullptr, &name), S_OK);
    entry.displayName = name;
    CoTaskMemFree(name);
    ComPtr<IPropertyBag> bag;
    EXPECT_EQ(
        moniker->BindToStorage(nullptr, nullptr, IID_IPropertyBag, bag.ReleaseAndGetVoidAddress()),
        S_OK);
    const auto read = [&bag](const char* property, std::string& into) {
      VARIANT value;
      if (SUCCEEDED(bag->Read(property, &value, nullptr)) && value.String()) into = *value.String();
    };
    read("FriendlyName", entry.friendlyName);
    read("DevicePath", entry.devicePath);
    read("CLSID", entry.clsid);
    listed.push_back(std::move(entry));
  }
  return listed;
}

// Reads the graph's events until one with that code; its first parameter, or nullopt when none
// comes within the deadline. Other events (EC_PAUSED ...) pass by.
inline std::optional<LONG_PTR> AwaitEvent(IGraphBuilder* graph, LONG wanted,
                                          LONG msTimeout = 20000) {
  auto events = ComPtr<IGraphBuilder>(graph).As<IMediaEvent>();
  LONG code = 0;
  LONG_PTR param1 = 0, param2 = 0;
  while (events->GetEvent(&code, &param1, &param2, msTimeout) == S_OK) {
    (void)events->FreeEventParams(code, param1, param2);  // nothing to free for these codes
    if (code == wanted) return param1;
  }
  return std::nullopt;
}

}  // namespace devices_test

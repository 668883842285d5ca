// The system device enumerator over virtual devices: monikers, their display names and
// property bags, and telling identical devices apart.

#include <gtest/gtest.h>

#include "com/Com.h"
#include "devices/virtual/VirtualDevices.h"
#include "dshow/EnumInterfaces.h"
#include "dshow/Uuids.h"

namespace {

constexpr char kTwoCameras[] = R"([
    {"friendlyName": "USB Camera", "vid": "1d6b", "pid": "0102"},
    {"friendlyName": "USB Camera", "vid": "1d6b", "pid": "0102"}])";

class DeviceEnumerator : public ::testing::Test {
 protected:
  void SetUp() override { virtualdevices::Reset(); }
  void TearDown() override { virtualdevices::Reset(); }

  static std::vector<ComPtr<IMoniker>> Monikers(REFCLSID category) {
    ComPtr<ICreateDevEnum> enumerator;
    EXPECT_EQ(CoCreateInstance(CLSID_SystemDeviceEnum, &enumerator), S_OK);
    ComPtr<IEnumMoniker> list;
    std::vector<ComPtr<IMoniker>> monikers;
    if (enumerator->CreateClassEnumerator(category, list.ReleaseAndGetAddressOf(), 0) != S_OK) {
      return monikers;
    }
    ComPtr<IMoniker> moniker;
    while (list->Next(1, moniker.ReleaseAndGetAddressOf(), nullptr) == S_OK)
      monikers.push_back(moniker);
    return monikers;
  }

  static std::string DisplayName(IMoniker* moniker) {
    LPOLESTR name = nullptr;
    EXPECT_EQ(moniker->GetDisplayName(nullptr, nullptr, &name), S_OK);
    std::string text = name == nullptr ? "" : name;
    CoTaskMemFree(name);
    return text;
  }

  static std::string Property(IMoniker* moniker, const char* name) {
    ComPtr<IPropertyBag> bag;
    EXPECT_EQ(
        moniker->BindToStorage(nullptr, nullptr, IID_IPropertyBag, bag.ReleaseAndGetVoidAddress()),
        S_OK);
    VARIANT value;
    if (FAILED(bag->Read(name, &value, nullptr)) || value.String() == nullptr) return "<none>";
    return *value.String();
  }

  // The parts between the first three "#" of a display name.
  static std::vector<std::string> HashParts(const std::string& name) {
    std::vector<std::string> parts;
    std::size_t start = name.find('#');
    while (start != std::string::npos && parts.size() < 2) {
      const std::size_t end = name.find('#', start + 1);
      parts.push_back(name.substr(start + 1, end - start - 1));
      start = end;
    }
    return parts;
  }
};

TEST_F(DeviceEnumerator, AnEmptyCategoryGivesSFalseAndNoEnumerator) {
  ComPtr<ICreateDevEnum> enumerator;
  ASSERT_EQ(CoCreateInstance(CLSID_SystemDeviceEnum, &enumerator), S_OK);
  ComPtr<IEnumMoniker> list;
  EXPECT_EQ(enumerator->CreateClassEnumerator(CLSID_VideoInputDeviceCategory,
                                              list.ReleaseAndGetAddressOf(), 0),
            S_FALSE);
  EXPECT_FALSE(list);
  ASSERT_TRUE(virtualdevices::Plug(R"({"category": "audio", "friendlyName": "Mic"})"));
  EXPECT_EQ(enumerator->CreateClassEnumerator(CLSID_VideoInputDeviceCategory,
                                              list.ReleaseAndGetAddressOf(), 0),
            S_FALSE);
  EXPECT_EQ(Monikers(CLSID_AudioInputDeviceCategory).size(), 1u);
}

TEST_F(DeviceEnumerator, IdenticalCamerasShareTheirNameButNotTheirDisplayName) {
  const auto plugged = virtualdevices::Plug(kTwoCameras);
  ASSERT_TRUE(plugged) << plugged.error;
  const auto monikers = Monikers(CLSID_VideoInputDeviceCategory);
  ASSERT_EQ(monikers.size(), 2u);
  EXPECT_EQ(Property(monikers[0].Get(), "FriendlyName"), "USB Camera");
  EXPECT_EQ(Property(monikers[1].Get(), "FriendlyName"), "USB Camera");

  const std::string first = DisplayName(monikers[0].Get());
  const std::string second = DisplayName(monikers[1].Get());
  EXPECT_NE(first, second);
  EXPECT_EQ(first.rfind("@device:pnp:\\\\?\\usb#", 0), 0u) << first;
  const auto firstParts = HashParts(first);
  const auto secondParts = HashParts(second);
  ASSERT_EQ(firstParts.size(), 2u);
  EXPECT_EQ(firstParts[0], "vid_1d6b&pid_0102&mi_00");
  EXPECT_EQ(secondParts[0], firstParts[0]);
  EXPECT_NE(secondParts[1], firstParts[1]);

  EXPECT_EQ(monikers[0]->IsEqual(monikers[1].Get()), S_FALSE);
  EXPECT_EQ(monikers[0]->IsEqual(monikers[0].Get()), S_OK);
  // A moniker of a later enumeration names the same device.
  EXPECT_EQ(Monikers(CLSID_VideoInputDeviceCategory)[1]->IsEqual(monikers[1].Get()), S_OK);
  EXPECT_EQ(monikers[0]->IsEqual(nullptr), S_FALSE);
}

TEST_F(DeviceEnumerator, TheClsidPropertySaysWhichKindOfDriverTheDeviceHas) {
  ASSERT_TRUE(virtualdevices::Plug(R"([
      {"friendlyName": "W", "kind": "wdm"}, {"friendlyName": "V", "kind": "vfw"},
      {"friendlyName": "O", "kind": "other"},
      {"friendlyName": "C", "kind": "other", "clsid": "{001D4DFC-3C6E-46C1-8FEC-818C98C72F7C}"}])"));
  const auto monikers = Monikers(CLSID_VideoInputDeviceCategory);
  ASSERT_EQ(monikers.size(), 4u);
  EXPECT_EQ(Property(monikers[0].Get(), "CLSID"), "{17CCA71B-ECD7-11D0-B908-00A0C9223196}");
  EXPECT_EQ(Property(monikers[1].Get(), "CLSID"), "{1B544C22-FD0B-11CE-8C63-00AA0044B51E}");
  EXPECT_EQ(Property(monikers[2].Get(), "CLSID"), StringFromCLSID(CLSID_VirtualDevice));
  EXPECT_EQ(Property(monikers[3].Get(), "CLSID"), "{001D4DFC-3C6E-46C1-8FEC-818C98C72F7C}");
  EXPECT_EQ(Property(monikers[0].Get(), "NoSuchProperty"), "<none>");
  // Without a hardware id the name has no "#" to split at.
  EXPECT_EQ(DisplayName(monikers[1].Get()).find('#'), std::string::npos);
}

TEST_F(DeviceEnumerator, AnUnpluggedDeviceCannotBeBoundUntilItIsBack) {
  const auto plugged = virtualdevices::Plug(kTwoCameras);
  ASSERT_TRUE(plugged);
  const auto monikers = Monikers(CLSID_VideoInputDeviceCategory);
  ASSERT_TRUE(virtualdevices::Unplug(plugged.displayNames[0]));
  EXPECT_FALSE(virtualdevices::Unplug(plugged.displayNames[0]));
  ComPtr<IUnknown> filter;
  EXPECT_EQ(
      monikers[0]->BindToObject(nullptr, nullptr, IID_IUnknown, filter.ReleaseAndGetVoidAddress()),
      HRESULT_FROM_WIN32(1167));
  EXPECT_EQ(Monikers(CLSID_VideoInputDeviceCategory).size(), 1u);

  // Plugged in again it takes its old place and name, so the kept moniker names it again.
  const auto again =
      virtualdevices::Plug(R"({"friendlyName": "USB Camera", "vid": "1d6b", "pid": "0102"})");
  ASSERT_TRUE(again);
  EXPECT_EQ(again.displayNames[0], plugged.displayNames[0]);
  EXPECT_EQ(Monikers(CLSID_VideoInputDeviceCategory)[1]->IsEqual(monikers[0].Get()), S_OK);
}

TEST_F(DeviceEnumerator, PlugIsAllOrNothing) {
  const auto result = virtualdevices::Plug(R"([
      {"friendlyName": "A", "displayName": "@device:sw:one"},
      {"friendlyName": "B", "displayName": "@device:sw:one"}])");
  EXPECT_FALSE(result);
  EXPECT_NE(result.error.find("already plugged"), std::string::npos) << result.error;
  EXPECT_TRUE(virtualdevices::DisplayNames(devices::DeviceCategory::kVideoInput).empty());
}

TEST_F(DeviceEnumerator, TheMonikerListCanBeSkippedResetAndCloned) {
  ASSERT_TRUE(virtualdevices::Plug(
      R"([{"friendlyName": "A"}, {"friendlyName": "B"}, {"friendlyName": "C"}])"));
  ComPtr<ICreateDevEnum> enumerator;
  ASSERT_EQ(CoCreateInstance(CLSID_SystemDeviceEnum, &enumerator), S_OK);
  ComPtr<IEnumMoniker> list;
  ASSERT_EQ(enumerator->CreateClassEnumerator(CLSID_VideoInputDeviceCategory,
                                              list.ReleaseAndGetAddressOf(), 0),
            S_OK);
  EXPECT_EQ(list->Skip(1), S_OK);
  ComPtr<IEnumMoniker> clone;
  ASSERT_EQ(list->Clone(clone.ReleaseAndGetAddressOf()), S_OK);
  IMoniker* batch[3] = {};
  ULONG fetched = 0;
  EXPECT_EQ(clone->Next(3, batch, &fetched), S_FALSE);
  ASSERT_EQ(fetched, 2u);
  EXPECT_EQ(Property(batch[0], "FriendlyName"), "B");
  for (ULONG i = 0; i < fetched; ++i)
    batch[i]->Release();
  EXPECT_EQ(list->Skip(5), S_FALSE);
  ASSERT_EQ(list->Reset(), S_OK);
  ComPtr<IMoniker> first;
  ASSERT_EQ(list->Next(1, first.ReleaseAndGetAddressOf(), nullptr), S_OK);
  EXPECT_EQ(Property(first.Get(), "FriendlyName"), "A");
}

}  // namespace

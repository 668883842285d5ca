// The per-device settings table in the registry: the list value format, the value types of each
// kind, what loading leaves alone, and saved filter states.

#include <gtest/gtest.h>

#include "com/Com.h"
#include "devices/virtual/VirtualDevices.h"
#include "dshow/DShow.h"
#include "registry/Registry.h"
#include "registry/TRegistry2.h"
#include "rudozav/devices/IntList.h"
#include "rudozav/devices/SettingsStore.h"

namespace {

constexpr char kKey[] = "\\Software\\RavorOderiri\\Devices\\Cam @device:cm:x";

DWORD TypeOf(const char* key, const char* value) {
  HKEY handle = nullptr;
  if (RegOpenKeyEx(HKEY_CURRENT_USER, key, 0, KEY_READ, &handle) != ERROR_SUCCESS) return REG_NONE;
  DWORD type = REG_NONE;
  DWORD size = 0;
  RegQueryValueEx(handle, value, nullptr, &type, nullptr, &size);
  RegCloseKey(handle);
  return type;
}

TEST(IntList, EncodesCountAndElements) {
  EXPECT_EQ(EncodeIntList({1, 4}), "2!1!4!");
  EXPECT_EQ(EncodeIntList({}), "0!");
  EXPECT_EQ(DecodeIntList("2!1!4!", 2), (std::vector<std::int32_t>{1, 4}));
  EXPECT_EQ(DecodeIntList("3!-1!0!7!trailing", 3), (std::vector<std::int32_t>{-1, 0, 7}));
  EXPECT_EQ(DecodeIntList("0!", 0), std::vector<std::int32_t>{});
}

TEST(IntList, RejectsAnyMissingOrForeignElement) {
  EXPECT_FALSE(DecodeIntList("2!1!4!", 3));           // the device has another count now
  EXPECT_FALSE(DecodeIntList("2!1!", 2));             // an element short
  EXPECT_FALSE(DecodeIntList("2!1!4", 2));            // the last one unterminated
  EXPECT_FALSE(DecodeIntList("2!!4!", 2));            // empty token
  EXPECT_FALSE(DecodeIntList("2!1!x!", 2));           // not a number
  EXPECT_FALSE(DecodeIntList("2!1!2147483647!", 2));  // never read from the device
  EXPECT_FALSE(DecodeIntList("", 0));
}

TEST(SettingsTable, IsStoredWithTheTypeOfEachKind) {
  TRegSave table;
  ResetSavedSettings(table);
  table[rs_DeviceDiscovered].BoolValue = true;
  table[rs_VideoSize].IntValue = 3;
  table[rs_AMVideoCrossbar].StrValue = "2!1!4!";
  table[rs_FrameRate].FloatValue = 12.5;
  SaveSettingsTable(table, kKey);

  EXPECT_EQ(TypeOf(kKey, "_DeviceDiscovered"), REG_DWORD);
  EXPECT_EQ(TypeOf(kKey, "DummyEND"), REG_DWORD);
  EXPECT_EQ(TypeOf(kKey, "AMVideoCrossbar"), REG_SZ);
  EXPECT_EQ(TypeOf(kKey, "FrameRate"), REG_BINARY);
  TRegistry2 registry;
  ASSERT_TRUE(registry.OpenKeyReadOnly(kKey));
  EXPECT_EQ(registry.GetValueNames().size(), kRegSaveCount);
  EXPECT_EQ(registry.GetDataSize("FrameRate"), 8);

  TRegSave loaded;
  ResetSavedSettings(loaded);
  LoadSettingsTable(loaded, kKey, true);
  EXPECT_TRUE(loaded[rs_DeviceDiscovered].BoolValue);
  EXPECT_EQ(loaded[rs_VideoSize].IntValue, 3);
  EXPECT_EQ(loaded[rs_AMVideoCrossbar].StrValue, "2!1!4!");
  EXPECT_DOUBLE_EQ(loaded[rs_FrameRate].FloatValue, 12.5);
  EXPECT_EQ(loaded[rs_ProcAmp_Gain].IntValue, NOT_SET);
}

TEST(SettingsTable, WithoutStoredSettingsOnlyTheFlagsComeBack) {
  TRegSave table;
  ResetSavedSettings(table);
  table[rs_DeviceDiscovered].BoolValue = true;
  table[rs_IsProcampAvail].BoolValue = true;
  table[rs_VideoSize].IntValue = 3;
  table[rs_ProcAmp_Brightness].IntValue = 99;
  SaveSettingsTable(table, kKey);

  TRegSave loaded;
  ResetSavedSettings(loaded);
  LoadSettingsTable(loaded, kKey, false);
  EXPECT_TRUE(loaded[rs_DeviceDiscovered].BoolValue);
  EXPECT_TRUE(loaded[rs_IsProcampAvail].BoolValue);
  EXPECT_EQ(loaded[rs_VideoSize].IntValue, 0);
  EXPECT_EQ(loaded[rs_ProcAmp_Brightness].IntValue, NOT_SET);
}

TEST(SettingsTable, ValuesOfAnotherTypeKeepTheDefaults) {
  TRegistry2 registry;
  ASSERT_TRUE(registry.OpenKey(kKey, true));
  registry.WriteInteger("FrameRate", 25);
  registry.WriteString("VideoSize", "3");
  registry.WriteInteger("AMVideoCrossbar", 2);
  registry.WriteInteger("_IsVfw", 7);  // any non-zero is true
  registry.CloseKey();

  TRegSave loaded;
  ResetSavedSettings(loaded);
  LoadSettingsTable(loaded, kKey, true);
  EXPECT_DOUBLE_EQ(loaded[rs_FrameRate].FloatValue, 30.0);
  EXPECT_EQ(loaded[rs_VideoSize].IntValue, 0);
  EXPECT_EQ(loaded[rs_AMVideoCrossbar].StrValue, "");
  EXPECT_TRUE(loaded[rs_IsVfw].BoolValue);

  LoadSettingsTable(loaded, "\\Software\\RavorOderiri\\Devices\\missing", true);
  EXPECT_FALSE(TRegistry2().KeyExists("\\Software\\RavorOderiri\\Devices\\missing"));
}

TEST(KeyPaths, NameTheListEntryOrNothing) {
  EXPECT_EQ(DeviceEntryKeyPath(nullptr, 0, "Devices"), "");
  EXPECT_EQ(ThirdPartyFilterKeyPath(),
            "\\Software\\RavorOderiri\\ThirdPartyFilters\\{463D645D-48F7-11D4-8464-0008C782A257}");
}

class FilterStateTest : public ::testing::Test {
 protected:
  void SetUp() override { virtualdevices::Reset(); }
  void TearDown() override { virtualdevices::Reset(); }

  static ComPtr<IBaseFilter> BindCompressor(const char* json) {
    EXPECT_TRUE(virtualdevices::Plug(json));
    ComPtr<ICreateDevEnum> enumerator;
    EXPECT_EQ(CoCreateInstance(CLSID_SystemDeviceEnum, &enumerator), S_OK);
    ComPtr<IEnumMoniker> list;
    EXPECT_EQ(enumerator->CreateClassEnumerator(CLSID_VideoCompressorCategory,
                                                list.ReleaseAndGetAddressOf(), 0),
              S_OK);
    ComPtr<IMoniker> moniker;
    ComPtr<IBaseFilter> filter;
    if (list && list->Next(1, moniker.ReleaseAndGetAddressOf(), nullptr) == S_OK) {
      moniker->BindToObject(nullptr, nullptr, IID_IBaseFilter, filter.ReleaseAndGetVoidAddress());
    }
    return filter;
  }

  static std::vector<BYTE> StateOf(IBaseFilter* filter) {
    const auto dialogs = ComPtr<IBaseFilter>(filter).As<IAMVfwCompressDialogs>();
    int size = 0;
    dialogs->GetState(nullptr, &size);
    std::vector<BYTE> state(static_cast<std::size_t>(size));
    dialogs->GetState(state.data(), &size);
    return state;
  }
};

TEST_F(FilterStateTest, SavedStateRestoresIntoAnotherInstance) {
  const char* json = R"({"category": "videoCompressor", "friendlyName": "Codec", "fourcc": "MJPG",
                         "dialogs": true, "persist": true})";
  const std::string key = "\\Software\\RavorOderiri\\Compressors\\Codec x";
  ComPtr<IBaseFilter> codec = BindCompressor(json);
  ASSERT_TRUE(codec);
  BYTE bytes[] = {7, 8, 9, 10};
  ASSERT_EQ(codec.As<IAMVfwCompressDialogs>()->SetState(bytes, 4), S_OK);
  EXPECT_FALSE(RestoreFilterState(codec.Get(), key));  // nothing saved yet, no key made
  EXPECT_FALSE(TRegistry2().KeyExists(key));
  ASSERT_TRUE(SaveFilterState(codec.Get(), key));
  EXPECT_EQ(TypeOf(key.c_str(), "WDMState"), REG_BINARY);
  EXPECT_EQ(TypeOf(key.c_str(), "WDMStateSize"), REG_DWORD);
  EXPECT_EQ(TypeOf(key.c_str(), "VfwState"), REG_BINARY);

  virtualdevices::Reset();
  ComPtr<IBaseFilter> other = BindCompressor(json);
  ASSERT_TRUE(other);
  EXPECT_NE(StateOf(other.Get()), (std::vector<BYTE>{7, 8, 9, 10}));
  EXPECT_TRUE(RestoreFilterState(other.Get(), key));
  EXPECT_EQ(StateOf(other.Get()), (std::vector<BYTE>{7, 8, 9, 10}));
}

TEST_F(FilterStateTest, AStoredStateOfTheWrongSizeIsNotLoaded) {
  const char* json = R"({"category": "videoCompressor", "friendlyName": "Codec", "fourcc": "MJPG",
                         "persist": true})";
  const std::string key = "\\Software\\RavorOderiri\\Compressors\\Codec y";
  TRegistry2 registry;
  ASSERT_TRUE(registry.OpenKey(key, true));
  const BYTE bytes[] = {1, 2, 3};
  registry.WriteBinary("WDMState", bytes, 3);
  registry.WriteInteger("WDMStateSize", 4);
  registry.CloseKey();
  ComPtr<IBaseFilter> codec = BindCompressor(json);
  ASSERT_TRUE(codec);
  EXPECT_FALSE(RestoreFilterState(codec.Get(), key));
}

}  // namespace

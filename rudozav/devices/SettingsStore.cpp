#include "rudozav/devices/SettingsStore.h"

#include "registry/TRegistry2.h"
#include "rudozav/RudOzav.h"
#include "rudozav/core/ComponentState.h"
#include "rudozav/devices/Devices.h"
#include "rudozav/devices/DevicesManager.h"

namespace {

constexpr char kRootPath[] = "\\Software\\RavorOderiri\\";
constexpr char kDeinterlacerClsid[] = "{463D645D-48F7-11D4-8464-0008C782A257}";

void ReadEntry(const TRegistry2& registry, TSaveInfo& entry) {
  // A failed read leaves the value as it was.
  switch (entry.Kind) {
    case sk_Integer:
      registry.ReadInteger(entry.Name, &entry.IntValue);
      break;
    case sk_String:
      registry.ReadString(entry.Name, &entry.StrValue);
      break;
    case sk_Boolean:
      registry.ReadBool(entry.Name, &entry.BoolValue);
      break;
    case sk_Float:
      registry.ReadFloat(entry.Name, &entry.FloatValue);
      break;
  }
}

void WriteEntry(TRegistry2& registry, const TSaveInfo& entry) {
  switch (entry.Kind) {
    case sk_Integer:
      registry.WriteInteger(entry.Name, entry.IntValue);
      break;
    case sk_String:
      registry.WriteString(entry.Name, entry.StrValue);
      break;
    case sk_Boolean:
      registry.WriteBool(entry.Name, entry.BoolValue);
      break;
    case sk_Float:
      registry.WriteFloat(entry.Name, entry.FloatValue);
      break;
  }
}

}  // namespace

std::string DeviceEntryKeyPath(const TDevices* list, int index, const std::string& folder) {
  if (list == nullptr || index < 0 || index >= list->Count()) return {};
  const TCapDeviceInfo& device = list->Items[static_cast<std::size_t>(index)];
  return kRootPath + folder + "\\" + device.Name + " " + device.RegistryName;
}

std::string DeviceKeyPath(const TRavorOderiri& component) {
  return DeviceEntryKeyPath(VideoDeviceList(), component.CurrentDeviceIndex(), "Devices");
}

std::string CompressorKeyPath(const TRavorOderiri& component) {
  return DeviceEntryKeyPath(VideoCompressorList(), component.VideoCompressor(), "Compressors");
}

std::string ThirdPartyFilterKeyPath() {
  return std::string(kRootPath) + "ThirdPartyFilters\\" + kDeinterlacerClsid;
}

void LoadSettingsTable(TRegSave& table, const std::string& keyPath, bool withSettings) {
  if (keyPath.empty()) return;
  TRegistry2 registry;
  if (!registry.OpenKeyReadOnly(keyPath)) return;
  const std::size_t end =
      withSettings ? kRegSaveCount : static_cast<std::size_t>(rs_DummyMAYNOTBESAVED);
  for (std::size_t i = 0; i < end; ++i)
    ReadEntry(registry, table[i]);
}

void SaveSettingsTable(const TRegSave& table, const std::string& keyPath) {
  if (keyPath.empty()) return;
  TRegistry2 registry;
  if (!registry.OpenKey(keyPath, true)) return;  // the table lives on in memory
  for (const TSaveInfo& entry : table)
    WriteEntry(registry, entry);
}

void LoadDeviceSettings(TRavorOderiri& component) {
  LoadSettingsTable(component.State().settings, DeviceKeyPath(component),
                    component.StoreDeviceSettingsInRegistry());
}

void SaveDeviceSettings(TRavorOderiri& component) {
  const TRegSave& table = component.State().settings;
  if (table[rs_DeviceDiscovered].BoolValue) SaveSettingsTable(table, DeviceKeyPath(component));
}

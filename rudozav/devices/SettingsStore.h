#pragma once
// Where a component keeps per-device settings and saved filter states in the registry, and
// reading and writing its settings table there. UI thread only.

#include <string>

#include "rudozav/devices/RegSave.h"

class TDevices;
class TRavorOderiri;
struct IBaseFilter;

// "\Software\RavorOderiri\" + folder + "\" + Name + " " + RegistryName of list[index]; empty
// when the list is missing or the index is out of range.
std::string DeviceEntryKeyPath(const TDevices* list, int index, const std::string& folder);
// The key of the current video device, of the current video compressor, and of the external
// deinterlacer filter.
std::string DeviceKeyPath(const TRavorOderiri& component);
std::string CompressorKeyPath(const TRavorOderiri& component);
std::string ThirdPartyFilterKeyPath();

// Reads the table from keyPath; entries from rs_DummyMAYNOTBESAVED on only when withSettings.
// A missing key or a value of the wrong type keeps the entry as it is.
void LoadSettingsTable(TRegSave& table, const std::string& keyPath, bool withSettings);
// Writes every entry to keyPath, creating the key.
void SaveSettingsTable(const TRegSave& table, const std::string& keyPath);

// The component's table from and to the current device's key; saving writes only once the
// device has been discovered.
void LoadDeviceSettings(TRavorOderiri& component);
void SaveDeviceSettings(TRavorOderiri& component);

// A filter's saved state (its IPersistStream data and its VfW codec state) in keyPath. Restoring
// opens no key that does not exist; both return whether a state was loaded or saved.
bool RestoreFilterState(IBaseFilter* filter, const std::string& keyPath);
bool SaveFilterState(IBaseFilter* filter, const std::string& keyPath);

#pragma once
// A process-wide list of devices of one category. Entries are appended in the order the devices
// are first seen and never removed or reordered, so an index stays valid for the whole run: an
// unplugged device keeps its entry and one that returns is recognised. UI thread only.

#include <string>
#include <vector>

#include "com/Guid.h"
#include "rudozav/devices/CapDeviceInfo.h"

// What the last rebuild saw compared with the one before.
enum TDeviceChange { dc_None = 0, dc_Arrival = 1, dc_Removal = 2 };

class TDevices {
 public:
  // Stores the fields and builds the list once.
  TDevices(std::string categoryName, const CLSID& categoryClsid, std::string exclusionList);

  std::string CategoryName;
  CLSID CategoryClsid;
  std::vector<TCapDeviceInfo> Items;
  // The Name of every entry, in entry order.
  std::vector<std::string> Names;
  std::string VfwClsidText;
  std::string ProxyClsidText;
  int EnumeratedCount = 0;
  int PreviousEnumeratedCount = -1;
  int DeviceChange = dc_None;
  // Upper-case name fragments separated by "!"; devices whose name contains one are left out.
  std::string ExclusionList;

  int Count() const { return static_cast<int>(Items.size()); }
  // The names separated by "\r\n".
  std::string NamesText() const;
};

// Enumerates the list's category and appends the devices not seen before.
void RebuildDeviceList(TDevices& list);
// Whether some entry's moniker names the same device.
bool IsMonikerListed(const TDevices& list, IMoniker* moniker);
// Name + " " + index: the name under which the device's filter joins a graph.
std::string DeviceFilterName(const TDevices& list, int index);
// Writes the list's entry at index (or that none is available) to the process log.
void LogDeviceChoice(int index, const TDevices& list);

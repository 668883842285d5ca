#include "rudozav/devices/Devices.h"

#include <algorithm>
#include <utility>

#include "com/Com.h"
#include "dshow/DShow.h"
#include "rudozav/core/LineList.h"
#include "rudozav/core/ProcessLog.h"
#include "rudozav/devices/DeviceNames.h"

namespace {

enum TDeviceKind { dk_Other, dk_Vfw, dk_Wdm };

constexpr std::string_view kDvCameraName = "Microsoft DV Camera";

std::string ReadDisplayName(IMoniker* moniker) {
  LPOLESTR text = nullptr;
  if (FAILED(moniker->GetDisplayName(nullptr, nullptr, &text)) || text == nullptr) return {};
  std::string result(text);
  CoTaskMemFree(text);
  return result;
}

bool ReadString(IPropertyBag* bag, const char* name, std::string* value) {
  VARIANT variant;
  if (FAILED(bag->Read(name, &variant, nullptr)) || variant.String() == nullptr) return false;
  *value = *variant.String();
  return true;
}

TDeviceKind KindOf(IPropertyBag* bag, const TDevices& list) {
  std::string clsidText;
  if (!ReadString(bag, "CLSID", &clsidText)) return dk_Other;
  if (clsidText == list.VfwClsidText) return dk_Vfw;
  if (clsidText == list.ProxyClsidText) return dk_Wdm;
  return dk_Other;
}

// A VfW device stays listed unless its filter cannot join a graph: the driver then serves another
// program. When the trial cannot be made at all the device is kept.
bool PassesVfwTrial(IMoniker* moniker) {
  ComPtr<IGraphBuilder> graph;
  if (FAILED(CoCreateInstance(CLSID_FilterGraph, &graph)) || !graph) return true;
  ComPtr<IBaseFilter> filter;
  if (FAILED(moniker->BindToObject(nullptr, nullptr, IID_IBaseFilter,
                                   filter.ReleaseAndGetVoidAddress())) ||
      !filter) {
    return true;
  }
  if (FAILED(graph->AddFilter(filter.Get(), "Test"))) return false;
  graph->RemoveFilter(filter.Get());  // the trial graph goes at once; its result does not matter
  return true;
}

// Appends the device when it is new and allowed; counts it either way.
void MergeMoniker(TDevices& list, const ComPtr<IMoniker>& moniker) {
  ++list.EnumeratedCount;
  const std::string displayName = ReadDisplayName(moniker.Get());
  TDisplayNameParts parts = SplitDisplayName(displayName);
  ComPtr<IPropertyBag> bag;
  if (FAILED(moniker->BindToStorage(nullptr, nullptr, IID_IPropertyBag,
                                    bag.ReleaseAndGetVoidAddress())) ||
      !bag) {
    return;
  }
  std::string name;
  if (!ReadString(bag.Get(), "FriendlyName", &name)) return;
  if (parts.HardwareId.empty()) parts.HardwareId = name;
  if (!IsNameAllowed(name, list.ExclusionList) || IsMonikerListed(list, moniker.Get())) return;

  const TDeviceKind kind = KindOf(bag.Get(), list);
  if (kind == dk_Vfw) name += " (vfw)";
  if (kind == dk_Wdm) name += " (WDM)";
  if (kind == dk_Vfw && !PassesVfwTrial(moniker.Get())) return;

  TCapDeviceInfo entry;
  entry.Name = name.compare(0, kDvCameraName.size(), kDvCameraName) == 0 ? parts.HardwareId : name;
  entry.RegistryName = displayName;
  std::replace(entry.RegistryName.begin(), entry.RegistryName.end(), '\\', ' ');
  entry.HardwareId = std::move(parts.HardwareId);
  entry.InstanceId = std::move(parts.InstanceId);
  entry.IsWDM = kind == dk_Wdm;
  entry.Moniker = moniker;
  WriteProcessLog("adding " + entry.Name);
  list.Items.push_back(std::move(entry));
}

void EnumerateCategory(TDevices& list) {
  ComPtr<ICreateDevEnum> devEnum;
  if (FAILED(CoCreateInstance(CLSID_SystemDeviceEnum, &devEnum)) || !devEnum) return;
  ComPtr<IEnumMoniker> monikers;
  if (FAILED(devEnum->CreateClassEnumerator(list.CategoryClsid, monikers.ReleaseAndGetAddressOf(),
                                            0)) ||
      !monikers) {
    return;
  }
  monikers->Reset();  // a fresh enumerator is at its start already
  for (;;) {
    ComPtr<IMoniker> moniker;
    if (monikers->Next(1, moniker.ReleaseAndGetAddressOf(), nullptr) != S_OK || !moniker) break;
    MergeMoniker(list, moniker);
  }
}

}  // namespace

TDevices::TDevices(std::string categoryName, const CLSID& categoryClsid, std::string exclusionList)
    : CategoryName(std::move(categoryName)),
      CategoryClsid(categoryClsid),
      VfwClsidText(StringFromCLSID(CLSID_VfwCapture)),
      ProxyClsidText(StringFromCLSID(CLSID_Proxy)),
      ExclusionList(std::move(exclusionList)) {
  RebuildDeviceList(*this);
}

std::string TDevices::NamesText() const {
  return rudozav::JoinLines(Names);
}

void RebuildDeviceList(TDevices& list) {
  WriteProcessLog('^', "rebuilding " + list.CategoryName);
  if (list.PreviousEnumeratedCount != -1) list.PreviousEnumeratedCount = list.EnumeratedCount;
  list.EnumeratedCount = 0;
  EnumerateCategory(list);

  list.Names.clear();
  for (const TCapDeviceInfo& entry : list.Items)
    list.Names.push_back(entry.Name);
  if (list.PreviousEnumeratedCount == -1) list.PreviousEnumeratedCount = list.EnumeratedCount;
  if (list.EnumeratedCount < list.PreviousEnumeratedCount) {
    list.DeviceChange = dc_Removal;
  } else if (list.EnumeratedCount > list.PreviousEnumeratedCount) {
    list.DeviceChange = dc_Arrival;
  } else {
    list.DeviceChange = dc_None;
  }
}

bool IsMonikerListed(const TDevices& list, IMoniker* moniker) {
  return std::any_of(list.Items.begin(), list.Items.end(), [moniker](const TCapDeviceInfo& entry) {
    return entry.Moniker && entry.Moniker->IsEqual(moniker) == S_OK;
  });
}

std::string DeviceFilterName(const TDevices& list, int index) {
  const std::string name = index >= 0 && index < list.Count() ? list.Items[index].Name : "";
  return name + " " + std::to_string(index);
}

void LogDeviceChoice(int index, const TDevices& list) {
  if (index >= 0 && index < list.Count()) {
    WriteProcessLog("current " + list.CategoryName + ": " + list.Items[index].Name);
  } else {
    WriteProcessLog("no " + list.CategoryName + " available.");
  }
}

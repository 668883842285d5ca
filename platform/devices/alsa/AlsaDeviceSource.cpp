#include "devices/alsa/AlsaDeviceSource.h"

#include <algorithm>
#include <set>

#include "devices/DeviceMoniker.h"
#include "devices/alsa/AlsaCaptureFilter.h"
#include "devices/alsa/AlsaDisplayName.h"
#include "devices/capture/DeviceResults.h"
#include "dshow/Uuids.h"

namespace devices {
namespace {

PropertyMap PropertiesOf(const AlsaCaptureDevice& device) {
  PropertyMap properties;
  properties["FriendlyName"] = VARIANT(device.friendlyName);
  properties["CLSID"] = VARIANT(StringFromCLSID(CLSID_Proxy));
  properties["DevicePath"] = VARIANT(device.info.pcm);
  return properties;
}

}  // namespace

std::vector<AlsaCaptureDevice> ListAlsaCaptureDevices(AlsaApi& api) {
  std::vector<AlsaCaptureDeviceInfo> infos = api.CaptureDevices();
  std::stable_partition(infos.begin(), infos.end(),
                        [](const AlsaCaptureDeviceInfo& info) { return info.hardware; });
  std::vector<AlsaCaptureDevice> devices;
  std::set<std::string> pcms;
  std::set<std::string> displayNames;
  for (AlsaCaptureDeviceInfo& info : infos) {
    std::string displayName = AlsaDisplayName(info);
    if (!pcms.insert(info.pcm).second || !displayNames.insert(displayName).second) continue;
    std::string friendlyName = AlsaFriendlyName(info);
    devices.push_back({std::move(displayName), std::move(friendlyName), std::move(info)});
  }
  return devices;
}

void AlsaDeviceSource::AppendMonikers(REFCLSID category, std::vector<ComPtr<IMoniker>>& monikers) {
  if (category != CLSID_AudioInputDeviceCategory) return;
  for (const AlsaCaptureDevice& device : ListAlsaCaptureDevices(*DefaultAlsaApi())) {
    monikers.push_back(
        MakeComObject<DeviceMoniker>(device.displayName, PropertiesOf(device), BindAlsaDevice));
  }
}

HRESULT BindAlsaDevice(const std::string& displayName, REFIID riid, void** object) {
  if (object == nullptr) return E_POINTER;
  *object = nullptr;
  const std::shared_ptr<AlsaApi> api = DefaultAlsaApi();
  for (const AlsaCaptureDevice& device : ListAlsaCaptureDevices(*api)) {
    if (device.displayName != displayName) continue;
    return CreateAlsaCaptureFilter(api, device.info, device.friendlyName, riid, object);
  }
  return kDeviceNotConnected;
}

namespace {

const bool kRegistered = (AddDeviceSource(std::make_shared<AlsaDeviceSource>()), true);

}  // namespace

}  // namespace devices

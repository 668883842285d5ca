#pragma once
// ALSA capture devices as a source of the system device enumerator, in the audio input
// category: every card's capture devices first, then the configuration's hinted PCMs (the sound
// server's "default"), each with "FriendlyName", "CLSID" (CLSID_Proxy) and "DevicePath" (the PCM
// name). The devices are read through DefaultAlsaApi each time, so a fake installed by a test is
// seen.
//
// Threads: any thread; nothing is kept between calls.

#include <memory>
#include <string>
#include <vector>

#include "devices/DeviceSource.h"
#include "devices/alsa/AlsaApi.h"

namespace devices {

struct AlsaCaptureDevice {
  std::string displayName;
  std::string friendlyName;
  AlsaCaptureDeviceInfo info;
};

// The capture devices present now: hardware devices before configuration PCMs, each order kept;
// a PCM or display name that comes again is left out.
std::vector<AlsaCaptureDevice> ListAlsaCaptureDevices(AlsaApi& api);

class AlsaDeviceSource : public DeviceSource {
 public:
  void AppendMonikers(REFCLSID category, std::vector<ComPtr<IMoniker>>& monikers) override;
};

// Makes the capture filter of the device with that display name. Fails with kDeviceNotConnected
// when no such device is present.
HRESULT BindAlsaDevice(const std::string& displayName, REFIID riid, void** object);

}  // namespace devices

#include "devices/alsa/AlsaDisplayName.h"

#include <algorithm>

#include "devices/HardwareIdentity.h"
#include "devices/PnpDisplayName.h"
#include "dshow/Uuids.h"

namespace devices {
namespace {

// '\' ends the category of a class-manager name.
std::string WithoutBackslashes(std::string text) {
  for (char& c : text) {
    if (c == '\\') c = '_';
  }
  return text;
}

}  // namespace

std::string AlsaDisplayName(const AlsaCaptureDeviceInfo& device) {
  const PnpHardware hardware = device.hardware ? PnpHardwareOf(device.properties) : PnpHardware{};
  if (hardware.hardwareId.empty()) {
    return ClassManagerDisplayName(CLSID_AudioInputDeviceCategory, WithoutBackslashes(device.pcm));
  }
  // Without a port path the card's id is the best there is (it follows the card's name).
  const std::string instance =
      PnpInstanceId(device.properties, hardware.bus + "#" + hardware.hardwareId,
                    "card:" + device.cardId, static_cast<unsigned>(std::max(device.device, 0)));
  return PnpDisplayName(hardware.bus, hardware.hardwareId, instance, kAudioCaptureInterface);
}

std::string AlsaFriendlyName(const AlsaCaptureDeviceInfo& device) {
  if (device.hardware) {
    const std::string card = device.cardName.empty() ? device.cardId : device.cardName;
    if (device.pcmName.empty() || device.pcmName == card || device.pcmName == "USB Audio") {
      return card;
    }
    return card + ": " + device.pcmName;
  }
  const std::string firstLine = device.description.substr(0, device.description.find('\n'));
  return firstLine.empty() ? device.pcm : firstLine;
}

}  // namespace devices

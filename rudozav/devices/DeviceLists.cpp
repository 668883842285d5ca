// The process-wide device manager and its four lists, and the checks made when they are created.

#include <memory>

#include "com/Com.h"
#include "dshow/DShow.h"
#include "registry/TRegistry2.h"
#include "rudozav/core/ProcessLog.h"
#include "rudozav/devices/Devices.h"
#include "rudozav/devices/DevicesManager.h"
#include "rudozav/devices/FilterModules.h"
#include "ui/Window.h"

namespace {

constexpr char kVideoCompressorExclusions[] =
    "ENCODER DMO!XLDECOMPRESS!MICROSOFT H.261!MICROSOFT H.263!PCLEPIM1";
constexpr char kAudioCompressorExclusions[] =
    "ENCODER DMO!IAC2!ACELP.NET!WINDOWS MEDIA AUDIO V1!MPEG LAYER-3!VOXWARE";
constexpr char kSettingsKey[] = "\\Software\\RavorOderiri\\";

struct TDeviceLists {
  std::unique_ptr<TDevices> audioDevices;
  std::unique_ptr<TDevices> videoDevices;
  std::unique_ptr<TDevices> videoCompressors;
  std::unique_ptr<TDevices> audioCompressors;
  std::unique_ptr<TDevicesManager> manager;
};

TDeviceLists& Lists() {
  static TDeviceLists lists;
  return lists;
}

void BuildAudioFormatNames() {}

}  // namespace

TDevicesManager* DevicesManager() {
  return Lists().manager.get();
}
TDevices* VideoDeviceList() {
  return Lists().videoDevices.get();
}
TDevices* AudioDeviceList() {
  return Lists().audioDevices.get();
}
TDevices* VideoCompressorList() {
  return Lists().videoCompressors.get();
}
TDevices* AudioCompressorList() {
  return Lists().audioCompressors.get();
}

void CreateDevicesManager() {
  TDeviceLists& lists = Lists();
  if (lists.manager) return;
  WriteProcessLog("creating dev manager");
  InstallFilterModules();
  lists.manager = std::make_unique<TDevicesManager>();
  lists.audioDevices =
      std::make_unique<TDevices>("Audio Device", CLSID_AudioInputDeviceCategory, "");
  lists.videoDevices =
      std::make_unique<TDevices>("Video Device", CLSID_VideoInputDeviceCategory, "");
  lists.videoCompressors = std::make_unique<TDevices>(
      "Video Compressor", CLSID_VideoCompressorCategory, kVideoCompressorExclusions);
  lists.audioCompressors = std::make_unique<TDevices>(
      "Audio Compressor", CLSID_AudioCompressorCategory, kAudioCompressorExclusions);
  BuildAudioFormatNames();
}

void FreeDevicesManager() {
  TDeviceLists& lists = Lists();
  lists.audioDevices.reset();
  lists.videoDevices.reset();
  lists.audioCompressors.reset();
  lists.videoCompressors.reset();
  lists.manager.reset();
}

bool IsSampleGrabberAvailable() {
  ComPtr<IBaseFilter> grabber;
  return SUCCEEDED(CoCreateInstance(CLSID_SampleGrabber, &grabber)) && grabber;
}

bool DesignEnvironmentRunning() {
  return FindWindow("TAppBuilder", nullptr) != nullptr;
}

void CheckSettingsVersion() {
  TRegistry2 registry(HKEY_CURRENT_USER);
  const std::string versionKey = std::string(kSettingsKey) + rudozav::kVersionText;
  if (registry.KeyExists(versionKey)) return;
  DeleteSettings();
  registry.OpenKey(versionKey, true);  // a registry that cannot be written leaves the check to
                                       // the next start
  registry.CloseKey();
}

void DeleteSettings() {
  TRegistry2 registry(HKEY_CURRENT_USER);
  registry.DeleteKey(kSettingsKey);  // missing already is as good as deleted
}

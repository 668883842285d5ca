#include "rudozav/devices/FilterModules.h"

#include <dlfcn.h>

#include <array>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "com/Com.h"
#include "dshow/DShow.h"
#include "files/FileDate.h"
#include "files/SystemDirectory.h"
#include "filters/common/GrabberClasses.h"
#include "rudozav/devices/DevicesManager.h"
#include "rudozav/devices/FilterModuleImages.h"
#include "ui/MessageBox.h"

namespace {

constexpr UINT kSystemDirectoryBuffer = 200;  // characters

constexpr char kCannotInstallText[] =
    "Registry update required: cannot write the registry.\r\n"
    "Either another instance or the application is running or you do not have the "
    "Administrator rights.\r\n"
    "Close all the applications and/or login once with the Administrator rights and restart the "
    "application.";

// Codec files of the design environment that disturb the device enumeration while it runs.
constexpr std::array<std::array<const char*, 2>, 3> kVoxCodecs{{
    {"vct3216.acm", "vct3216_bak.acm"},
    {"vct3216.dll", "vct3216_bak.dll"},
    {"msms001.vwp", "msms001_bak.vwp"},
}};

std::string KnownSystemDirectory() {
  std::array<char, kSystemDirectoryBuffer> buffer{};
  const UINT length = GetSystemDirectory(buffer.data(), kSystemDirectoryBuffer);
  return length > 0 && length < kSystemDirectoryBuffer ? std::string(buffer.data(), length)
                                                       : std::string();
}

bool FilterCanBeCreated(REFCLSID clsid) {
  ComPtr<IBaseFilter> filter;
  return SUCCEEDED(CoCreateInstance(clsid, &filter)) && filter;  // released at once
}

bool NeedsWriting(REFCLSID clsid, const std::string& path, std::int32_t fileDate) {
  std::error_code error;
  return !std::filesystem::exists(path, error) || FileAge(path) != fileDate ||
         !FilterCanBeCreated(clsid);
}

bool WriteModule(const std::string& path, std::int32_t fileDate, const unsigned char* image,
                 std::size_t size) {
  {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(image), static_cast<std::streamsize>(size));
    file.close();
    if (!file) return false;
  }
  return FileSetDate(path, fileDate);
}

void RenameInSystemDirectory(const std::string& dir, const char* from, const char* to) {
  std::error_code error;
  // A codec that is not there (or cannot be renamed) is left as it is.
  std::filesystem::rename(std::filesystem::path(dir) / from, std::filesystem::path(dir) / to,
                          error);
}

}  // namespace

std::int32_t ModuleFileDate(std::uint32_t imageHash) {
  // Daytime hours only, so that no clock change makes the date ambiguous in local time.
  const std::uint32_t year = 2000 + imageHash % 20 - 1980;
  const std::uint32_t month = 1 + (imageHash >> 5) % 12;
  const std::uint32_t day = 1 + (imageHash >> 9) % 28;
  const std::uint32_t hour = 8 + (imageHash >> 14) % 12;
  const std::uint32_t minute = (imageHash >> 18) % 60;
  const std::uint32_t twoSeconds = (imageHash >> 24) % 30;
  const std::uint32_t date = year << 9 | month << 5 | day;
  const std::uint32_t time = hour << 11 | minute << 5 | twoSeconds;
  return static_cast<std::int32_t>(date << 16 | time);
}

bool RegisterFilterModule(const std::string& path) {
  void* module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (module == nullptr) return false;
  using RegisterServer = HRESULT (*)();
  const auto registerServer = reinterpret_cast<RegisterServer>(dlsym(module, "DllRegisterServer"));
  const bool registered = registerServer != nullptr && SUCCEEDED(registerServer());
  dlclose(module);
  return registered;
}

bool InstallFilterModule(REFCLSID clsid, const std::string& fileName, std::int32_t fileDate,
                         const unsigned char* image, std::size_t size) {
  const std::string dir = KnownSystemDirectory();
  if (dir.empty()) return true;
  const std::string path = (std::filesystem::path(dir) / fileName).string();
  if (!NeedsWriting(clsid, path, fileDate)) return true;
  std::error_code error;
  const bool cleared =
      !std::filesystem::exists(path, error) || std::filesystem::remove(path, error);
  if (cleared && WriteModule(path, fileDate, image, size) && RegisterFilterModule(path)) {
    return true;
  }
  MessageBox(nullptr, kCannotInstallText, "Error", MB_OK | MB_ICONERROR);
  return false;
}

void InstallFilterModules() {
  const TModuleImage inplace = InplGrbrImage();
  InstallFilterModule(CLSID_InplGrabber, kInplGrabberModule, ModuleFileDate(inplace.Hash),
                      inplace.Bytes, inplace.Size);
  const TModuleImage transform = TrnfGrbrImage();
  InstallFilterModule(CLSID_TrnfGrbr, kTrnfGrbrModule, ModuleFileDate(transform.Hash),
                      transform.Bytes, transform.Size);
}

void HideVoxCodecs() {
  if (!DesignEnvironmentRunning()) return;
  const std::string dir = KnownSystemDirectory();
  if (dir.empty()) return;
  for (const auto& [name, hidden] : kVoxCodecs)
    RenameInSystemDirectory(dir, name, hidden);
}

void RestoreVoxCodecs() {
  const std::string dir = KnownSystemDirectory();
  if (dir.empty()) return;
  for (const auto& [name, hidden] : kVoxCodecs)
    RenameInSystemDirectory(dir, hidden, name);
}

// The files of a capture.

#include "rudozav/graph/CaptureFile.h"

#include <cstdint>
#include <filesystem>
#include <system_error>

#include "dshow/DShow.h"
#include "files/DriveType.h"
#include "rudozav/RudOzav.h"
#include "rudozav/core/ComponentState.h"
#include "rudozav/core/Logging.h"
#include "rudozav/frames/FrameFileNames.h"

namespace fs = std::filesystem;

namespace {

constexpr char kPreallocFileName[] = "prealloc.avi";
constexpr std::uint64_t kBytesPerMegabyte = 1'048'576;

bool FileExists(const std::string& file) {
  std::error_code error;
  return fs::exists(file, error);
}

}  // namespace

std::string PreallocFileName(const TRavorOderiri& component) {
  if (!component.PreallocCapFileName().empty()) return component.PreallocCapFileName();
  return (fs::path(component.StoragePath()) / kPreallocFileName).string();
}

bool PrepareCaptureFile(TRavorOderiri& component) {
  TRavorOdeririState& state = component.State();
  const std::string& folder = component.StoragePath();
  if (!folder.empty()) {
    std::error_code error;
    fs::create_directories(folder, error);
    if (!fs::is_directory(folder, error)) {
      rudozav::LogCheck(component, true, rudozav::errors::kCannotCreateFolder, folder);
      return false;
    }
  }
  state.captureTarget =
      !component.CaptureFileName().empty()
          ? component.CaptureFileName()
          : MakeAutoFileName(component, state.aviSequence, "." + component.CaptureFileExt());
  const bool elsewhere =
      component.PreallocCapFileEnabled() || component.CompressionMode() == cm_CompressAfterCapture;
  state.writeTarget = elsewhere ? PreallocFileName(component) : state.captureTarget;
  return true;
}

void WarnOfSlowDrives(TRavorOderiri& component) {
  // Remote, CD-ROM and RAM disk drives all have the drive type's bit of value 4.
  const auto warn = [&component](const std::string& path) {
    if ((GetDriveType(path) & DRIVE_REMOTE) != 0) {
      rudozav::LogCheck(component, true, rudozav::errors::kSlowStoragePath,
                        path + std::string(rudozav::errors::kSlowStoragePathTail));
    }
  };
  warn(component.StoragePath());
  if (component.PreallocCapFileEnabled()) warn(component.State().writeTarget);
}

bool PreallocateCaptureFile(TRavorOderiri& component) {
  TRavorOdeririState& state = component.State();
  if (!component.PreallocCapFileEnabled()) return true;
  if (!component.PreallocCapRecreate() && FileExists(state.writeTarget)) return true;
  if (component.OnCreatePreallocFileStarted) component.OnCreatePreallocFileStarted(&component);
  // In 64 bits: files of 2048 MB and more are allowed.
  const DWORDLONG size =
      static_cast<DWORDLONG>(std::max(component.PreallocCapFileSizeInMB(), 0)) * kBytesPerMegabyte;
  HRESULT hr = E_POINTER;
  if (ICaptureGraphBuilder2* builder = state.graph->captureBuilder.Get())
    hr = builder->AllocCapFile(state.writeTarget.c_str(), size);
  const bool allocated =
      rudozav::LogResult(component, hr, rudozav::errors::kCannotAllocateCaptureFile);
  if (component.OnCreatePreallocFileCompleted)
    component.OnCreatePreallocFileCompleted(&component, allocated);
  return allocated;
}

#include "files/DiskFreeSpace.h"

#include <sys/statvfs.h>

#include "files/NearestFolder.h"

std::optional<DiskSpace> GetDiskFreeSpaceEx(const std::string& path) {
  const std::filesystem::path folder = NearestExistingFolder(path);
  if (folder.empty()) return std::nullopt;
  struct statvfs info {};
  if (statvfs(folder.c_str(), &info) != 0) return std::nullopt;
  const std::uint64_t unit = info.f_frsize != 0 ? info.f_frsize : info.f_bsize;
  DiskSpace space;
  space.freeBytesAvailable = static_cast<std::uint64_t>(info.f_bavail) * unit;
  space.totalBytes = static_cast<std::uint64_t>(info.f_blocks) * unit;
  space.totalFreeBytes = static_cast<std::uint64_t>(info.f_bfree) * unit;
  return space;
}

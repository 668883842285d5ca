#pragma once
// Free and total space of the file system that holds a path (statvfs), in 64 bits, as
// GetDiskFreeSpaceEx reports them. Any thread.

#include <cstdint>
#include <optional>
#include <string>

struct DiskSpace {
  std::uint64_t freeBytesAvailable = 0;  // to this process's user (what it may still write)
  std::uint64_t totalBytes = 0;
  std::uint64_t totalFreeBytes = 0;  // the reserve for the superuser included
};

// The space of the file system of path, or of its nearest existing parent (a relative path
// starts at the current directory); nullopt when none can be examined.
std::optional<DiskSpace> GetDiskFreeSpaceEx(const std::string& path);

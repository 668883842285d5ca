#include "files/DriveType.h"

#include <sys/statfs.h>

#include <fstream>
#include <sstream>
#include <system_error>

#include "files/NearestFolder.h"

namespace {

struct MagicEntry {
  std::uint64_t magic;
  UINT type;
};

// Magic numbers of linux/magic.h and of the file systems' own sources.
constexpr std::uint64_t kFuseMagic = 0x65735546;
constexpr MagicEntry kMagics[] = {
    {0x6969, DRIVE_REMOTE},       // nfs
    {0x517B, DRIVE_REMOTE},       // smbfs
    {0xFF534D42, DRIVE_REMOTE},   // cifs
    {0xFE534D42, DRIVE_REMOTE},   // smb2/smb3
    {0x01021997, DRIVE_REMOTE},   // 9p
    {0x00C36400, DRIVE_REMOTE},   // ceph
    {0x5346414F, DRIVE_REMOTE},   // afs (the openafs client)
    {0x6B414653, DRIVE_REMOTE},   // afs (the kernel's kafs)
    {0x73757245, DRIVE_REMOTE},   // coda
    {0x564C, DRIVE_REMOTE},       // ncp
    {0x0BD00BD0, DRIVE_REMOTE},   // lustre
    {0x47504653, DRIVE_REMOTE},   // gpfs
    {0x9660, DRIVE_CDROM},        // iso9660
    {0x15013346, DRIVE_CDROM},    // udf
    {0x01021994, DRIVE_RAMDISK},  // tmpfs
    {0x858458F6, DRIVE_RAMDISK},  // ramfs
    {kFuseMagic, DRIVE_UNKNOWN},  // fuse: the mount table tells
};

struct NameEntry {
  std::string_view name;
  UINT type;
};

constexpr NameEntry kNames[] = {
    {"nfs", DRIVE_REMOTE},
    {"nfs4", DRIVE_REMOTE},
    {"cifs", DRIVE_REMOTE},
    {"smb3", DRIVE_REMOTE},
    {"smbfs", DRIVE_REMOTE},
    {"9p", DRIVE_REMOTE},
    {"ceph", DRIVE_REMOTE},
    {"afs", DRIVE_REMOTE},
    {"coda", DRIVE_REMOTE},
    {"ncpfs", DRIVE_REMOTE},
    {"lustre", DRIVE_REMOTE},
    {"gpfs", DRIVE_REMOTE},
    {"glusterfs", DRIVE_REMOTE},
    {"davfs", DRIVE_REMOTE},
    {"sshfs", DRIVE_REMOTE},
    {"fuse.sshfs", DRIVE_REMOTE},
    {"fuse.glusterfs", DRIVE_REMOTE},
    {"fuse.s3fs", DRIVE_REMOTE},
    {"fuse.rclone", DRIVE_REMOTE},
    {"fuse.davfs2", DRIVE_REMOTE},
    {"fuse.gvfsd-fuse", DRIVE_REMOTE},
    {"iso9660", DRIVE_CDROM},
    {"udf", DRIVE_CDROM},
    {"tmpfs", DRIVE_RAMDISK},
    {"ramfs", DRIVE_RAMDISK},
};

// Undoes the octal escapes (\040 for a blank) of the mount table's fields.
std::string Unescape(const std::string& field) {
  std::string text;
  for (std::size_t i = 0; i < field.size(); ++i) {
    if (field[i] == '\\' && i + 3 < field.size()) {
      const std::string digits = field.substr(i + 1, 3);
      if (digits.find_first_not_of("01234567") == std::string::npos) {
        text += static_cast<char>(std::stoi(digits, nullptr, 8));
        i += 3;
        continue;
      }
    }
    text += field[i];
  }
  return text;
}

// The type name of the mount that holds folder: the longest mount point that contains it.
std::string MountTypeOf(const std::filesystem::path& folder) {
  std::ifstream mounts("/proc/self/mounts");
  std::string line;
  std::string best;
  std::size_t bestLength = 0;
  const std::string target = folder.string();
  while (std::getline(mounts, line)) {
    std::istringstream fields(line);
    std::string device, point, type;
    if (!(fields >> device >> point >> type)) continue;
    point = Unescape(point);
    const bool contains = target == point || point == "/" ||
                          (target.compare(0, point.size(), point) == 0 &&
                           target.size() > point.size() && target[point.size()] == '/');
    // The later of two mounts on one point hides the earlier one.
    if (contains && point.size() >= bestLength) {
      best = type;
      bestLength = point.size();
    }
  }
  return best;
}

}  // namespace

UINT DriveTypeOfMagic(std::uint64_t magic) {
  for (const MagicEntry& entry : kMagics) {
    if (entry.magic == magic) return entry.type;
  }
  return DRIVE_FIXED;
}

UINT DriveTypeOfFileSystemName(std::string_view name) {
  for (const NameEntry& entry : kNames) {
    if (entry.name == name) return entry.type;
  }
  return DRIVE_FIXED;
}

UINT GetDriveType(const std::string& path) {
  const std::filesystem::path folder = NearestExistingFolder(path);
  if (folder.empty()) return DRIVE_UNKNOWN;
  struct statfs info {};
  if (statfs(folder.c_str(), &info) != 0) return DRIVE_UNKNOWN;
  const auto magic = static_cast<std::uint64_t>(static_cast<unsigned long>(info.f_type));
  if (magic != kFuseMagic) return DriveTypeOfMagic(magic);
  std::error_code error;
  const std::filesystem::path real = std::filesystem::canonical(folder, error);
  const std::string type = MountTypeOf(error ? folder : real);
  return type.empty() ? DRIVE_UNKNOWN : DriveTypeOfFileSystemName(type);
}

#pragma once
// The kind of drive a path lies on, numbered as GetDriveType numbers them, told from the file
// system that holds the path's nearest existing folder (statfs): network file systems are
// remote, ISO 9660 and UDF are CD-ROMs, tmpfs and ramfs are RAM disks, everything else is a
// fixed drive. A FUSE file system is named by the mount table ("fuse.sshfs" is remote).
// Any thread.

#include <cstdint>
#include <string>
#include <string_view>

#include "com/Types.h"

inline constexpr UINT DRIVE_UNKNOWN = 0;
inline constexpr UINT DRIVE_NO_ROOT_DIR = 1;
inline constexpr UINT DRIVE_REMOVABLE = 2;
inline constexpr UINT DRIVE_FIXED = 3;
inline constexpr UINT DRIVE_REMOTE = 4;
inline constexpr UINT DRIVE_CDROM = 5;
inline constexpr UINT DRIVE_RAMDISK = 6;

// The drive type of a file system by its statfs magic number (f_type). FUSE's own number gives
// DRIVE_UNKNOWN: only the mount table names what is behind it.
UINT DriveTypeOfMagic(std::uint64_t magic);

// The drive type of a file system by the type name the mount table gives ("nfs4", "cifs",
// "fuse.sshfs", "iso9660", "tmpfs" ...).
UINT DriveTypeOfFileSystemName(std::string_view name);

// The drive type of the file system that holds path, or of its nearest existing parent (a
// relative path starts at the current directory). DRIVE_UNKNOWN when none can be examined.
UINT GetDriveType(const std::string& path);

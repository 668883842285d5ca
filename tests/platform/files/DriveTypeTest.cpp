// Drive types told from the file system (statfs magic numbers and mount-table names), the
// nearest existing folder of a path that does not exist yet, and free space in 64 bits.

#include <gtest/gtest.h>
#include <sys/statfs.h>
#include <sys/statvfs.h>

#include <filesystem>

#include "files/DiskFreeSpace.h"
#include "files/DriveType.h"

namespace {

struct MagicCase {
  const char* name;
  std::uint64_t magic;
  UINT type;
};

class DriveTypeOfMagic : public ::testing::TestWithParam<MagicCase> {};

TEST_P(DriveTypeOfMagic, NamesTheKindOfDrive) {
  EXPECT_EQ(::DriveTypeOfMagic(GetParam().magic), GetParam().type);
}

INSTANTIATE_TEST_SUITE_P(
    FileSystems, DriveTypeOfMagic,
    ::testing::Values(
        MagicCase{"Nfs", 0x6969, DRIVE_REMOTE}, MagicCase{"Cifs", 0xFF534D42, DRIVE_REMOTE},
        MagicCase{"Smb2", 0xFE534D42, DRIVE_REMOTE}, MagicCase{"Smbfs", 0x517B, DRIVE_REMOTE},
        MagicCase{"NineP", 0x01021997, DRIVE_REMOTE}, MagicCase{"Ceph", 0x00C36400, DRIVE_REMOTE},
        MagicCase{"Iso9660", 0x9660, DRIVE_CDROM}, MagicCase{"Udf", 0x15013346, DRIVE_CDROM},
        MagicCase{"Tmpfs", 0x01021994, DRIVE_RAMDISK},
        MagicCase{"Ramfs", 0x858458F6, DRIVE_RAMDISK}, MagicCase{"Ext4", 0xEF53, DRIVE_FIXED},
        MagicCase{"Btrfs", 0x9123683E, DRIVE_FIXED}, MagicCase{"Xfs", 0x58465342, DRIVE_FIXED},
        MagicCase{"Overlay", 0x794C7630, DRIVE_FIXED},
        MagicCase{"FuseAsksTheMountTable", 0x65735546, DRIVE_UNKNOWN}),
    [](const ::testing::TestParamInfo<MagicCase>& entry) { return entry.param.name; });

struct NameCase {
  const char* test;
  const char* name;
  UINT type;
};

class DriveTypeOfName : public ::testing::TestWithParam<NameCase> {};

TEST_P(DriveTypeOfName, NamesTheKindOfDrive) {
  EXPECT_EQ(DriveTypeOfFileSystemName(GetParam().name), GetParam().type);
}

INSTANTIATE_TEST_SUITE_P(MountTypes, DriveTypeOfName,
                         ::testing::Values(NameCase{"Nfs4", "nfs4", DRIVE_REMOTE},
                                           NameCase{"Cifs", "cifs", DRIVE_REMOTE},
                                           NameCase{"Sshfs", "fuse.sshfs", DRIVE_REMOTE},
                                           NameCase{"Rclone", "fuse.rclone", DRIVE_REMOTE},
                                           NameCase{"NineP", "9p", DRIVE_REMOTE},
                                           NameCase{"Iso9660", "iso9660", DRIVE_CDROM},
                                           NameCase{"Tmpfs", "tmpfs", DRIVE_RAMDISK},
                                           NameCase{"LocalFuse", "fuseblk", DRIVE_FIXED},
                                           NameCase{"Ext4", "ext4", DRIVE_FIXED}),
                         [](const ::testing::TestParamInfo<NameCase>& entry) {
                           return entry.param.test;
                         });

// The capture graph warns of a slow drive by the value's bit 4: set for remote drives, CD-ROMs
// and RAM disks, clear for fixed and removable ones.
TEST(DriveType, SlowDrivesShareTheBitTheCaptureWarningTests) {
  for (UINT slow : {DRIVE_REMOTE, DRIVE_CDROM, DRIVE_RAMDISK})
    EXPECT_NE(slow & 4, 0u) << slow;
  for (UINT fast : {DRIVE_UNKNOWN, DRIVE_NO_ROOT_DIR, DRIVE_REMOVABLE, DRIVE_FIXED})
    EXPECT_EQ(fast & 4, 0u) << fast;
}

// What statfs says of a folder, as GetDriveType should report it.
UINT ExpectedFor(const std::filesystem::path& folder) {
  struct statfs info {};
  if (statfs(folder.c_str(), &info) != 0) return DRIVE_UNKNOWN;
  return ::DriveTypeOfMagic(static_cast<unsigned long>(info.f_type));
}

TEST(DriveType, OfTheTestDirectoryIsWhatStatfsSays) {
  const auto here = std::filesystem::current_path();
  const UINT expected = ExpectedFor(here);
  if (expected == DRIVE_UNKNOWN) GTEST_SKIP() << "the test directory is on a FUSE file system";
  EXPECT_EQ(GetDriveType(here.string()), expected);
  EXPECT_EQ(GetDriveType(""), expected);  // the current directory
}

TEST(DriveType, OfAPathNotYetMadeIsItsNearestFolders) {
  const auto here = std::filesystem::current_path();
  const UINT expected = ExpectedFor(here);
  if (expected == DRIVE_UNKNOWN) GTEST_SKIP() << "the test directory is on a FUSE file system";
  EXPECT_EQ(GetDriveType((here / "captures/2024/clip.avi").string()), expected);
  EXPECT_EQ(GetDriveType("captures/clip.avi"), expected);  // relative to the current directory
}

TEST(DriveType, OfSharedMemoryIsARamDisk) {
  struct statfs info {};
  if (statfs("/dev/shm", &info) != 0 || static_cast<unsigned long>(info.f_type) != 0x01021994)
    GTEST_SKIP() << "/dev/shm is not a tmpfs here";
  EXPECT_EQ(GetDriveType("/dev/shm"), DRIVE_RAMDISK);
}

TEST(DiskFreeSpace, IsStatvfsOfTheNearestFolderIn64Bits) {
  const auto here = std::filesystem::current_path();
  struct statvfs info {};
  ASSERT_EQ(statvfs(here.c_str(), &info), 0);
  const auto space = GetDiskFreeSpaceEx((here / "not/yet/made.avi").string());
  ASSERT_TRUE(space);
  EXPECT_EQ(space->totalBytes, static_cast<std::uint64_t>(info.f_blocks) * info.f_frsize);
  EXPECT_LE(space->freeBytesAvailable, space->totalFreeBytes);
  EXPECT_LE(space->totalFreeBytes, space->totalBytes);
}

}  // namespace

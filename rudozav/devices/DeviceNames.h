#pragma once
// Texts derived from device monikers: the hardware and instance ids inside a display name, and
// the exclusion of compressors by name.

#include <string>
#include <string_view>

struct TDisplayNameParts {
  std::string HardwareId;
  std::string InstanceId;
};

// The parts between the first and second "#" (hardware id: upper case, "&" as spaces) and between
// the second and third "#" (instance id, unchanged). Both are empty when the name has no "#" or
// the hardware id names a "\GLOBAL" interface.
TDisplayNameParts SplitDisplayName(std::string_view displayName);

// False when the upper-cased name contains one of the "!"-separated fragments of exclusionList;
// the list ends at its first empty fragment.
bool IsNameAllowed(std::string_view friendlyName, std::string_view exclusionList);

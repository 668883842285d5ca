#pragma once
// A file's last-write time as a DOS date-time (local time, two-second steps): date in the high
// word ((year - 1980) << 9 | month << 5 | day), time in the low word (hour << 11 | minute << 5 |
// second / 2). Any thread.

#include <cstdint>
#include <string>

// The file's date, or -1 when it does not exist or cannot be read.
std::int32_t FileAge(const std::string& path);

// Sets the file's last-write time; false when the file or the date is not valid.
bool FileSetDate(const std::string& path, std::int32_t dosDateTime);

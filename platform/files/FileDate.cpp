#include "files/FileDate.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <ctime>

namespace {

constexpr int kDosEpochYear = 1980;

}  // namespace

std::int32_t FileAge(const std::string& path) {
  struct stat status {};
  if (::stat(path.c_str(), &status) != 0 || !S_ISREG(status.st_mode)) return -1;
  std::tm local{};
  if (::localtime_r(&status.st_mtim.tv_sec, &local) == nullptr) return -1;
  const int year = local.tm_year + 1900 - kDosEpochYear;
  if (year < 0 || year > 127) return -1;
  const auto date = static_cast<std::uint32_t>(year << 9 | (local.tm_mon + 1) << 5 | local.tm_mday);
  const auto time =
      static_cast<std::uint32_t>(local.tm_hour << 11 | local.tm_min << 5 | local.tm_sec / 2);
  return static_cast<std::int32_t>(date << 16 | time);
}

bool FileSetDate(const std::string& path, std::int32_t dosDateTime) {
  const auto value = static_cast<std::uint32_t>(dosDateTime);
  std::tm local{};
  local.tm_year = static_cast<int>(value >> 25) + kDosEpochYear - 1900;
  local.tm_mon = static_cast<int>(value >> 21 & 0x0F) - 1;
  local.tm_mday = static_cast<int>(value >> 16 & 0x1F);
  local.tm_hour = static_cast<int>(value >> 11 & 0x1F);
  local.tm_min = static_cast<int>(value >> 5 & 0x3F);
  local.tm_sec = static_cast<int>(value & 0x1F) * 2;
  local.tm_isdst = -1;
  if (local.tm_mon < 0 || local.tm_mon > 11 || local.tm_mday < 1 || local.tm_hour > 23 ||
      local.tm_min > 59 || local.tm_sec > 59) {
    return false;
  }
  const std::time_t seconds = std::mktime(&local);
  if (seconds == static_cast<std::time_t>(-1)) return false;
  const struct timespec times[2] = {{seconds, 0}, {seconds, 0}};
  return ::utimensat(AT_FDCWD, path.c_str(), times, 0) == 0;
}

#include "files/NearestFolder.h"

#include <system_error>

std::filesystem::path NearestExistingFolder(const std::string& path) {
  std::error_code error;
  std::filesystem::path current =
      std::filesystem::absolute(std::filesystem::path(path.empty() ? "." : path), error);
  if (error) return {};
  current = current.lexically_normal();
  if (current.has_relative_path() && !current.has_filename()) current = current.parent_path();
  while (!std::filesystem::exists(current, error)) {
    if (!current.has_relative_path()) return {};
    current = current.parent_path();
  }
  return current;
}

#include "files/SystemDirectory.h"

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace {

std::string Variable(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? value : "";
}

std::filesystem::path Location() {
  if (std::string dir = Variable("RUDOZAV_SYSTEM_DIR"); !dir.empty()) return dir;
  if (std::string data = Variable("XDG_DATA_HOME"); !data.empty()) {
    return std::filesystem::path(data) / "rudozav" / "system";
  }
  if (std::string home = Variable("HOME"); !home.empty()) {
    return std::filesystem::path(home) / ".local" / "share" / "rudozav" / "system";
  }
  return {};
}

}  // namespace

std::string SystemDirectory() {
  const std::filesystem::path dir = Location();
  if (dir.empty()) return {};
  std::error_code error;
  // A directory that cannot be made is still the system directory: writing into it then fails.
  std::filesystem::create_directories(dir, error);
  return dir.string();
}

UINT GetSystemDirectory(char* buffer, UINT size) {
  const std::string dir = SystemDirectory();
  if (dir.empty()) return 0;
  const UINT length = static_cast<UINT>(dir.size());
  if (buffer == nullptr || size <= length) return length + 1;
  std::memcpy(buffer, dir.c_str(), dir.size() + 1);
  return length;
}

#include "registry/RegistryLocation.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>

namespace registry {
namespace {

std::string_view Variable(const char* name) {
  const char* value = std::getenv(name);
  return value == nullptr ? std::string_view() : std::string_view(value);
}

std::filesystem::path HomeDirectory() {
  if (const auto home = Variable("HOME"); !home.empty()) return home;
  if (const passwd* entry = getpwuid(getuid()); entry != nullptr && entry->pw_dir != nullptr) {
    return entry->pw_dir;
  }
  return std::filesystem::current_path();
}

}  // namespace

std::filesystem::path DatabasePath() {
  if (const auto explicitPath = Variable("RUDOZAV_REGISTRY"); !explicitPath.empty()) {
    return explicitPath;
  }
  std::filesystem::path config(Variable("XDG_CONFIG_HOME"));
  // A relative XDG_CONFIG_HOME is invalid and ignored, as the base directory rules say.
  if (config.empty() || config.is_relative()) config = HomeDirectory() / ".config";
  return config / "rudozav" / "registry.db";
}

std::vector<std::string_view> SplitKeyPath(std::string_view path) {
  std::vector<std::string_view> parts;
  std::size_t start = 0;
  while (start <= path.size()) {
    const std::size_t end = std::min(path.find('\\', start), path.size());
    if (end > start) parts.push_back(path.substr(start, end - start));
    start = end + 1;
  }
  return parts;
}

std::string FoldName(std::string_view name) {
  std::string folded(name);
  for (char& c : folded) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return folded;
}

}  // namespace registry

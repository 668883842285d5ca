#include "rudozav/devices/DeviceNames.h"

#include <algorithm>
#include <cctype>

namespace {

std::string UpperCase(std::string_view text) {
  std::string result(text);
  std::transform(result.begin(), result.end(), result.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  return result;
}

}  // namespace

TDisplayNameParts SplitDisplayName(std::string_view displayName) {
  TDisplayNameParts parts;
  if (displayName.find('#') == std::string_view::npos) return parts;
  int hashes = 0;
  for (char c : displayName) {
    if (c == '#') {
      if (++hashes >= 3) break;
      continue;
    }
    if (hashes == 1) parts.HardwareId += c;
    if (hashes == 2) parts.InstanceId += c;
  }
  parts.HardwareId = UpperCase(parts.HardwareId);
  std::replace(parts.HardwareId.begin(), parts.HardwareId.end(), '&', ' ');
  if (parts.HardwareId.find("\\GLOBAL") != std::string::npos) parts = {};
  return parts;
}

bool IsNameAllowed(std::string_view friendlyName, std::string_view exclusionList) {
  if (exclusionList.empty()) return true;
  const std::string name = UpperCase(friendlyName);
  std::size_t start = 0;
  while (start < exclusionList.size()) {
    const std::size_t end = std::min(exclusionList.find('!', start), exclusionList.size());
    const std::string_view piece = exclusionList.substr(start, end - start);
    if (piece.empty()) break;
    if (name.find(piece) != std::string::npos) return false;
    start = end + 1;
  }
  return true;
}

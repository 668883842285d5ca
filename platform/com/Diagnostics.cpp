#include "com/Diagnostics.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>

namespace diag {
namespace {

std::mutex& OutputMutex() {
  static std::mutex mutex;
  return mutex;
}

void Print(std::string_view level, std::string_view category, std::string_view text) {
  std::lock_guard lock(OutputMutex());
  std::fprintf(stderr, "rudozav[%.*s] %.*s%.*s\n", static_cast<int>(category.size()),
               category.data(), static_cast<int>(level.size()), level.data(),
               static_cast<int>(text.size()), text.data());
}

}  // namespace

bool Enabled(std::string_view category) {
  // Read each time: tests switch categories on and off.
  const char* value = std::getenv("RUDOZAV_DEBUG");
  if (value == nullptr || *value == '\0') return false;
  const std::string_view names(value);
  if (names == "all" || names == "1") return true;
  std::size_t start = 0;
  while (start <= names.size()) {
    const std::size_t end = std::min(names.find(',', start), names.size());
    if (names.substr(start, end - start) == category) return true;
    start = end + 1;
  }
  return false;
}

void Write(std::string_view category, std::string_view text) { Print("", category, text); }

void Warn(std::string_view category, std::string_view text) {
  Print("warning: ", category, text);
}

}  // namespace diag

#include "rudozav/frames/FrameFileNames.h"

#include <QDateTime>
#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "rudozav/RudOzav.h"
#include "rudozav/core/Logging.h"

namespace fs = std::filesystem;

namespace {

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

bool CaseEqual(const std::string& a, const std::string& b) {
  return Lower(a) == Lower(b);
}

// Creates the folder of the expanded name; false when it is missing afterwards.
bool EnsureFolderOf(const std::string& name, std::string& folder) {
  std::error_code error;
  const fs::path full = fs::absolute(fs::path(name), error);
  if (error) return false;
  const fs::path parent = full.parent_path();
  folder = parent.string();
  if (parent.empty()) return true;
  if (!fs::is_directory(parent, error)) fs::create_directories(parent, error);  // checked below
  return fs::is_directory(parent, error);
}

std::string DateTimeNamePart() {
  return QDateTime::currentDateTime().toString(QStringLiteral("yyMMdd_HHmmss_zzz")).toStdString();
}

}  // namespace

std::string MakeFrameFileName(TRavorOderiri& component, const std::string& name,
                              const std::string& ext) {
  std::string folder;
  if (!EnsureFolderOf(name, folder)) {
    rudozav::LogCheck(component, true, rudozav::errors::kCannotCreateFolder, folder);
    return {};
  }
  const std::size_t dot = name.rfind('.');
  const std::size_t slash = name.rfind('/');
  // The last path element has no dot: a dot in a folder name is not an extension.
  if (dot == std::string::npos || (slash != std::string::npos && slash > dot))
    return name + "." + ext;
  // Another extension is replaced; the same one in other letters is written as ext.
  return name.substr(0, dot + 1) + ext;
}

std::string MakeAutoFileName(const TRavorOderiri& component, int& counter,
                             const std::string& extension) {
  std::string part;
  if (component.AutoFileName() == fn_DateTime) {
    part = DateTimeNamePart();
  } else {
    if (counter == 0) {
      counter = FindLastSequenceNumber(component.StoragePath(), component.AutoFilePrefix(),
                                       extension.substr(extension.find_first_not_of('.')), counter);
    }
    ++counter;
    char digits[16];
    std::snprintf(digits, sizeof digits, "%06d", counter);
    part = digits;
  }
  return (fs::path(component.StoragePath()) / (component.AutoFilePrefix() + part + extension))
      .string();
}

int FindLastSequenceNumber(const std::string& folder, const std::string& prefix,
                           const std::string& ext, int current) {
  int last = current;
  bool found = false;
  std::error_code error;
  for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
    const std::string file = it->path().filename().string();
    // prefix + "*." + ext, the extension compared without regard to case as the file search does.
    const std::size_t dot = file.find('.');
    if (file.size() <= prefix.size() || file.compare(0, prefix.size(), prefix) != 0) continue;
    if (dot == std::string::npos || dot <= prefix.size()) continue;
    const std::size_t lastDot = file.rfind('.');
    if (!CaseEqual(file.substr(lastDot + 1), ext)) continue;
    if (!std::isdigit(static_cast<unsigned char>(file[prefix.size()]))) continue;
    int number = 0;
    const char* first = file.data() + prefix.size();
    const char* stop = file.data() + dot;
    const auto [ptr, ec] = std::from_chars(first, stop, number);
    if (ec != std::errc() || ptr != stop) continue;
    if (!found || number > last) last = number;
    found = true;
  }
  return found ? last : current;
}

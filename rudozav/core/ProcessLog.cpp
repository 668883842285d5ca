#include "rudozav/core/ProcessLog.h"

#include <filesystem>
#include <fstream>
#include <system_error>

namespace rudozav {
namespace {

struct TLogFile {
  std::string path;
  bool enabled = false;
};

TLogFile& TheLogFile() {
  static TLogFile file;
  return file;
}

constexpr std::size_t kSeparatorLength = 80;
constexpr char kLineEnd[] = "\n";  // a Linux text file

// Whether the last byte of the file ends a line; an empty file counts as ended.
bool EndsWithLineBreak(const std::string& path) {
  std::ifstream in(path, std::ios::binary | std::ios::ate);
  if (!in) return false;
  const std::streamoff size = in.tellg();
  if (size <= 0) return true;
  in.seekg(size - 1);
  char last = '\0';
  in.get(last);
  return last == '\n';
}

std::string FormatEntry(char separator, const std::string& message) {
  if (separator == kNoSeparator) return message + kLineEnd;
  const std::string rule(kSeparatorLength, separator);
  return std::string(kLineEnd) + rule + kLineEnd + message + kLineEnd + rule + kLineEnd + kLineEnd;
}

}  // namespace

const std::string& LogFilePath() {
  return TheLogFile().path;
}
bool LogEnabled() {
  return TheLogFile().enabled;
}

TProcessState& Process() {
  static TProcessState state;
  return state;
}

// Called by process start-up: the log is "log.txt" in the current directory when it exists now.
void OpenProcessLog() {
  std::error_code error;
  const std::filesystem::path dir = std::filesystem::current_path(error);
  TLogFile& file = TheLogFile();
  file.path = (dir / "log.txt").string();
  file.enabled = !error && std::filesystem::is_regular_file(file.path, error);
}

}  // namespace rudozav

void WriteProcessLog(char separator, const std::string& message) {
  using namespace rudozav;
  if (!LogEnabled() || Process().designMode) return;
  const std::string& path = LogFilePath();
  std::error_code error;
  if (!std::filesystem::is_regular_file(path, error)) return;
  if (message == "RESET") {
    std::ofstream(path, std::ios::binary | std::ios::trunc);
    return;
  }
  // Appending gives the same content as rewriting the file with the entry as a new last line:
  // a last line without its line end gets one first.
  std::string text = FormatEntry(separator, message);
  if (!EndsWithLineBreak(path)) {
    std::ifstream probe(path, std::ios::binary);
    if (!probe) return;  // unreadable: nothing is written
    text.insert(0, kLineEnd);
  }
  std::ofstream out(path, std::ios::binary | std::ios::app);
  out << text;
}

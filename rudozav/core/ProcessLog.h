#pragma once
// The process log "log.txt" and the process-wide state shared by all components. UI thread only.
//
// The log is switched on by the file's existence in the current directory at process start-up;
// the component never creates it. Each entry is appended with "\r\n" line ends.

#include <string>

#include "com/Types.h"

namespace rudozav {

inline constexpr char kVersionText[] = "5.2_1210021507";
inline constexpr char kNoSeparator = '\0';

// Path formed at start-up, and whether the file existed then.
const std::string& LogFilePath();
bool LogEnabled();
// Forms the path from the current directory and takes the enabled flag (process start-up).
void OpenProcessLog();

// Process-wide flags and the busy nesting counter for the cursor.
struct TProcessState {
  bool comInitialised = false;
  bool managerCreated = false;
  int busyCount = 0;
  bool designMode = false;
};
TProcessState& Process();

}  // namespace rudozav

// Appends an entry to the process log while logging is on, the file exists and the process is not
// in design mode. With a separator C the entry is framed by lines of 80 C and blank lines.
// "RESET" empties the file.
void WriteProcessLog(char separator, const std::string& message);
inline void WriteProcessLog(const std::string& message) {
  WriteProcessLog(rudozav::kNoSeparator, message);
}

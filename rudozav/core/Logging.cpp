#include "rudozav/core/Logging.h"

#include <string>

#include "rudozav/RudOzav.h"
#include "rudozav/core/ComponentState.h"
#include "rudozav/core/ProcessLog.h"
#include "ui/Application.h"

namespace rudozav {

bool LogCheck(TRavorOderiri& component, bool failed, const TLogEntry& entry,
              std::string_view suffix) {
  return component.LogCheck(failed, entry.Level, std::string(entry.Text) + std::string(suffix),
                            entry.Code);
}

bool LogResult(TRavorOderiri& component, HRESULT result, const TLogEntry& entry,
               std::string_view suffix) {
  return component.LogMessage(result, entry.Level, std::string(entry.Text) + std::string(suffix),
                              entry.Code);
}

}  // namespace rudozav

bool TRavorOderiri::LogMessage(HRESULT result, int level, const std::string& message, int code) {
  const bool success = SUCCEEDED(result);
  const char* prefix = success ? "ok: " : level == kLevelWarning ? "Warning: " : "Error: ";
  const std::string text = prefix + message;
  if (!DesignMode()) WriteProcessLog(std::to_string(code) + " " + text);
  const bool reported = level == kLevelWarning || level == kLevelError;
  if (!success && reported && state_->loaded && OnErrorLog) OnErrorLog(this, code, text);
  // Host events may run here; what they ask of a busy component is queued.
  if (!DesignMode()) ui::ProcessMessages();
  return success;
}

bool TRavorOderiri::LogCheck(bool failed, int level, const std::string& message, int code) {
  LogMessage(failed ? E_FAIL : S_OK, level, message, code);
  return failed;
}

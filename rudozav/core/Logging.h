#pragma once
// Logging a fixed entry of the code table through a component (TRavorOderiri::LogMessage).

#include <string_view>

#include "com/HResult.h"
#include "rudozav/core/ErrorCodes.h"

class TRavorOderiri;

namespace rudozav {

// LogCheck with the entry's level and code and its text followed by suffix; returns failed.
bool LogCheck(TRavorOderiri& component, bool failed, const TLogEntry& entry,
              std::string_view suffix = {});
// LogMessage of result in the same way; returns SUCCEEDED(result).
bool LogResult(TRavorOderiri& component, HRESULT result, const TLogEntry& entry,
               std::string_view suffix = {});

}  // namespace rudozav

#pragma once
// Diagnostics of the platform itself, written to standard error by category. Silent unless the
// variable RUDOZAV_DEBUG names the category ("registry,dshow") or is "all". Warnings always show.
// Any thread may call these.

#include <sstream>
#include <string_view>

namespace diag {

bool Enabled(std::string_view category);
void Write(std::string_view category, std::string_view text);
// Shown whatever RUDOZAV_DEBUG says: something went wrong that the user should know about.
void Warn(std::string_view category, std::string_view text);

// Debug("dshow", "connected ", name, " at ", width): the parts are streamed only when enabled.
template <class... Parts>
void Debug(std::string_view category, const Parts&... parts) {
  if (!Enabled(category)) return;
  std::ostringstream text;
  (text << ... << parts);
  Write(category, text.str());
}

}  // namespace diag

#pragma once
// Watches the description file for changes (internal to platform/devices). The watcher is a
// QFileSystemWatcher on the UI thread, owned by the application object so that it never
// outlives it. Editors often replace a file instead of writing it, which ends a watch on the
// file itself, so the folder is watched too and the file is watched again when it reappears.
//
// Any thread may call Watch and Stop; the work happens on the UI thread, and onChange is
// called there.

#include <functional>
#include <string>

namespace devices {

// Replaces an earlier watch. False when no application exists (nothing is watched then).
bool WatchDescriptionFile(const std::string& path, std::function<void()> onChange);
void StopWatchingDescriptionFile();

}  // namespace devices

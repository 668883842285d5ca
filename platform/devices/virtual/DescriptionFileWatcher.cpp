#include "devices/virtual/DescriptionFileWatcher.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QPointer>

#include "com/Diagnostics.h"
#include "ui/Application.h"

namespace devices {
namespace {

// UI thread only.
struct WatchState {
  QPointer<QFileSystemWatcher> watcher;
  QString path;
  std::function<void()> onChange;
};

WatchState& State() {
  static WatchState state;
  return state;
}

void Changed() {
  WatchState& state = State();
  // A replaced file drops out of the watch; take it back when it exists again.
  if (state.watcher && QFileInfo::exists(state.path) &&
      !state.watcher->files().contains(state.path)) {
    state.watcher->addPath(state.path);
  }
  if (state.onChange) state.onChange();
}

void StartOnUiThread(const QString& path, std::function<void()> onChange) {
  WatchState& state = State();
  delete state.watcher.data();
  state.watcher = new QFileSystemWatcher(QCoreApplication::instance());
  state.path = QFileInfo(path).absoluteFilePath();
  state.onChange = std::move(onChange);
  state.watcher->addPath(QFileInfo(state.path).absolutePath());
  if (QFileInfo::exists(state.path)) state.watcher->addPath(state.path);
  QObject::connect(state.watcher, &QFileSystemWatcher::fileChanged,
                   [](const QString&) { Changed(); });
  QObject::connect(state.watcher, &QFileSystemWatcher::directoryChanged,
                   [](const QString&) { Changed(); });
}

void StopOnUiThread() {
  WatchState& state = State();
  delete state.watcher.data();
  state.onChange = nullptr;
}

// Runs task on the UI thread: now when called there, else queued.
bool OnUiThread(std::function<void()> task) {
  if (ui::IsUiThread()) {
    task();
    return true;
  }
  return ui::PostToUiThread(std::move(task));
}

}  // namespace

bool WatchDescriptionFile(const std::string& path, std::function<void()> onChange) {
  const QString file = QString::fromStdString(path);
  const bool queued = OnUiThread([file, onChange = std::move(onChange)]() mutable {
    StartOnUiThread(file, std::move(onChange));
  });
  if (!queued) diag::Debug("devices", "no application: ", path, " is not watched");
  return queued;
}

void StopWatchingDescriptionFile() {
  // Without an application there is no watcher to stop.
  (void)OnUiThread(StopOnUiThread);
}

}  // namespace devices

#include "ui/MainWindowHook.h"

#include <mutex>
#include <utility>
#include <vector>

#include "com/Diagnostics.h"
#include "ui/Application.h"

namespace ui {
namespace {

struct Hooks {
  std::mutex mutex;
  int lastId = 0;
  std::vector<std::pair<int, MainWindowHook>> entries;  // in order of installation
};

Hooks& TheHooks() {
  static Hooks hooks;
  return hooks;
}

// The hook with this id while it is still installed, else an empty function.
MainWindowHook Find(int id) {
  Hooks& hooks = TheHooks();
  std::lock_guard lock(hooks.mutex);
  for (const auto& [entryId, hook] : hooks.entries) {
    if (entryId == id) return hook;
  }
  return {};
}

std::vector<int> Ids() {
  Hooks& hooks = TheHooks();
  std::lock_guard lock(hooks.mutex);
  std::vector<int> ids;
  ids.reserve(hooks.entries.size());
  for (const auto& entry : hooks.entries)
    ids.push_back(entry.first);
  return ids;
}

}  // namespace

int HookMainWindow(MainWindowHook hook) {
  Hooks& hooks = TheHooks();
  std::lock_guard lock(hooks.mutex);
  const int id = ++hooks.lastId;
  hooks.entries.emplace_back(id, std::move(hook));
  return id;
}

void UnhookMainWindow(int id) {
  Hooks& hooks = TheHooks();
  std::lock_guard lock(hooks.mutex);
  std::erase_if(hooks.entries, [id](const auto& entry) { return entry.first == id; });
}

bool CallMainWindowHooks(const Message& message) {
  // Hooks run without the lock held: they may hook and unhook. Those installed during this
  // delivery see the next message.
  for (int id : Ids()) {
    const MainWindowHook hook = Find(id);
    if (hook && hook(message)) return true;
  }
  return false;
}

bool BroadcastDeviceChange(WPARAM event) {
  const Message message{nullptr, WM_DEVICECHANGE, event, 0};
  if (!PostToUiThread([message] { CallMainWindowHooks(message); })) {
    diag::Debug("ui", "device change dropped: no application");
    return false;
  }
  return true;
}

}  // namespace ui

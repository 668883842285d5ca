#pragma once
// Hooks on the main window's messages: process-wide listeners for messages addressed to the
// application as a whole, chiefly WM_DEVICECHANGE when a device is plugged in or removed.
//
// Hooks run on the UI thread in the order they were installed, until one returns true (consumes
// the message). A hook may install or remove hooks while it runs; one removed during a delivery is
// not called after its removal.

#include <functional>

#include "ui/Message.h"

namespace ui {

using MainWindowHook = std::function<bool(const Message&)>;

// Returns the id that removes the hook again (never 0). Any thread may call these two.
int HookMainWindow(MainWindowHook hook);
void UnhookMainWindow(int id);

// Delivers message to the hooks now and returns whether one consumed it. UI thread only.
bool CallMainWindowHooks(const Message& message);

// Queues a WM_DEVICECHANGE with wParam event for the hooks, delivered on the UI thread in the
// order of posting. Any thread may call it (the device monitor's thread does). Returns false when
// no application exists to deliver it.
bool BroadcastDeviceChange(WPARAM event = DBT_DEVNODES_CHANGED);

}  // namespace ui

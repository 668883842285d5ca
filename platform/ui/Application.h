#pragma once
// The application object as the platform sees it: whether one exists, its thread, and running
// work there. The program owns the QApplication; nothing here creates one.

#include <functional>

namespace ui {

// Whether a QApplication (not just a core application) exists, so that widgets can.
bool HasGuiApplication();
// Whether a person can see and answer a dialog: a GUI application on a real display (not the
// offscreen or minimal platform of tests and scripted runs).
bool CanAskUser();
// Whether the caller runs on the application's thread. False when no application exists.
bool IsUiThread();

// Processes the pending events of the calling thread, as the toolkit's "process messages" does.
// Does nothing when no application exists.
void ProcessMessages();

// Queues task to run on the application's thread in the order of posting. Any thread may call it.
// Every platform hand-over to the UI thread goes this way rather than through Qt's posting, whose
// locking the thread checker cannot see. Tasks run when that thread processes events, also from a
// nested ProcessMessages.
// Returns false, dropping the task, when no application exists. Tasks still queued when the
// application object is destroyed are dropped with it.
bool PostToUiThread(std::function<void()> task);

// Runs task on the application's thread and waits for it: at once on the UI thread, else through
// the queue. Returns false when the task was dropped unrun. Must not be called while the UI thread
// waits for the calling thread.
bool RunOnUiThread(const std::function<void()>& task);

}  // namespace ui

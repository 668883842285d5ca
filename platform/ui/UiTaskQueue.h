#pragma once
// The queue of work for the UI thread that other threads fill (internal to platform/ui).
//
// Qt's own cross-thread posting synchronises through locks that the thread checker cannot see,
// so every hand-over to the UI thread goes through this queue instead: a std::mutex guards the
// tasks, and an eventfd watched by a QSocketNotifier on the UI thread wakes it. The queue
// accepts tasks while an application object exists; it is started from the application's
// constructor and stopped (pending tasks dropped) in its destructor.

#include <deque>
#include <functional>
#include <mutex>
#include <thread>

class QSocketNotifier;

namespace ui {

class UiTaskQueue {
 public:
  static UiTaskQueue& Instance();

  // Any thread. False (task dropped) while no application exists.
  bool Post(std::function<void()> task);
  // Any thread. False before the first Start and after Stop.
  bool IsUiThread();

  // UI thread only: the application's start and end.
  void Start();
  void Stop();

 private:
  UiTaskQueue() = default;
  void Wake();
  void RunPending();  // UI thread

  std::mutex mutex_;
  std::deque<std::function<void()>> tasks_;  // guarded by mutex_
  bool accepting_ = false;                   // guarded by mutex_
  std::thread::id uiThread_;                 // guarded by mutex_
  int eventFd_ = -1;                         // created once by Start, kept for the process
  QSocketNotifier* notifier_ = nullptr;      // UI thread only
};

}  // namespace ui

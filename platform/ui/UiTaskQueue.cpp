#include "ui/UiTaskQueue.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QSocketNotifier>
#include <cerrno>
#include <cstdint>
#include <cstring>

#include "com/Diagnostics.h"

namespace ui {
namespace {

void StopQueue() {
  UiTaskQueue::Instance().Stop();
}

// Runs in every application object's constructor, on its thread.
void StartQueue() {
  UiTaskQueue::Instance().Start();
  qAddPostRoutine(&StopQueue);
}

}  // namespace

Q_COREAPP_STARTUP_FUNCTION(StartQueue)

UiTaskQueue& UiTaskQueue::Instance() {
  // Never destroyed: threads may still post while the process exits.
  static auto* queue = new UiTaskQueue;
  return *queue;
}

bool UiTaskQueue::Post(std::function<void()> task) {
  {
    std::lock_guard lock(mutex_);
    if (!accepting_) return false;
    tasks_.push_back(std::move(task));
  }
  Wake();
  return true;
}

bool UiTaskQueue::IsUiThread() {
  std::lock_guard lock(mutex_);
  return accepting_ && uiThread_ == std::this_thread::get_id();
}

void UiTaskQueue::Wake() {
  const std::uint64_t one = 1;
  // The counter only fails to grow when it is about to overflow: it is read long before that.
  if (write(eventFd_, &one, sizeof one) < 0 && errno != EAGAIN) {
    diag::Warn("ui", std::string("cannot wake the UI thread: ") + std::strerror(errno));
  }
}

void UiTaskQueue::Start() {
  if (notifier_ != nullptr) return;
  if (eventFd_ < 0) eventFd_ = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
  if (eventFd_ < 0) {
    diag::Warn("ui", std::string("no eventfd: ") + std::strerror(errno));
    return;
  }
  notifier_ = new QSocketNotifier(eventFd_, QSocketNotifier::Read);
  QObject::connect(notifier_, &QSocketNotifier::activated, [this] { RunPending(); });
  std::lock_guard lock(mutex_);
  uiThread_ = std::this_thread::get_id();
  accepting_ = true;
}

void UiTaskQueue::Stop() {
  std::deque<std::function<void()>> dropped;
  {
    std::lock_guard lock(mutex_);
    accepting_ = false;
    dropped.swap(tasks_);
  }
  dropped.clear();  // outside the lock: a dropped task may wake a thread that waits for it
  delete notifier_;
  notifier_ = nullptr;
}

void UiTaskQueue::RunPending() {
  std::uint64_t count = 0;
  // Nothing to read means another activation already took the count; the tasks are what count.
  (void)read(eventFd_, &count, sizeof count);
  // One task at a time: a task that processes events may run later tasks itself, in order.
  for (;;) {
    std::function<void()> task;
    {
      std::lock_guard lock(mutex_);
      if (tasks_.empty()) return;
      task = std::move(tasks_.front());
      tasks_.pop_front();
    }
    task();
  }
}

}  // namespace ui

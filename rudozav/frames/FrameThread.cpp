#include "rudozav/frames/FrameThread.h"

#include <condition_variable>
#include <mutex>
#include <utility>

#include "clock/Clock.h"
#include "ui/Application.h"

// What the frame thread and the hand-over it queued on the UI thread share.
struct TFrameThread::Channel {
  std::mutex mutex;
  std::condition_variable changed;
  std::function<void()> handler;  // called on the UI thread only
  bool terminate = false;         // guarded by mutex
  bool queued = false;            // a hand-over waits in the UI thread's queue; guarded
  bool running = false;           // the UI thread runs the handler; guarded
  std::atomic<unsigned long long> served{0};
};

TFrameThread::TFrameThread(const std::atomic<TGraphMode>& runState, TGrabberControl& record,
                           std::function<void()> handler)
    : runState_(runState), record_(record), channel_(std::make_shared<Channel>()) {
  channel_->handler = std::move(handler);
}

TFrameThread::~TFrameThread() {
  Stop();
}

void TFrameThread::Start(ThreadPriority priority) {
  if (thread_.joinable()) return;
  thread_ = std::thread([this, priority] { Run(priority); });
}

void TFrameThread::Stop() {
  {
    std::lock_guard lock(channel_->mutex);
    channel_->terminate = true;
    channel_->queued = false;  // a queued hand-over finds this and does nothing
  }
  channel_->changed.notify_all();
  if (thread_.joinable()) thread_.join();
}

unsigned long long TFrameThread::HandOvers() const {
  return channel_->served.load();
}

void TFrameThread::Run(ThreadPriority priority) {
  (void)SetCurrentThreadPriority(priority);  // a refused priority leaves the thread as it is
  for (;;) {
    {
      std::lock_guard lock(channel_->mutex);
      if (channel_->terminate) return;
    }
    if (runState_.load() != gm_Stop && record_.FramePending.load() != 0) {
      record_.FramePending.store(0);
      HandOver();
    }
    Sleep(1);
  }
}

void TFrameThread::HandOver() {
  std::shared_ptr<Channel> channel = channel_;
  {
    std::lock_guard lock(channel->mutex);
    if (channel->terminate) return;
    channel->queued = true;
  }
  const bool posted = ui::PostToUiThread([channel] {
    {
      std::lock_guard lock(channel->mutex);
      if (!channel->queued || channel->terminate) return;
      channel->queued = false;
      channel->running = true;
    }
    channel->handler();
    {
      std::lock_guard lock(channel->mutex);
      channel->running = false;
    }
    channel->served.fetch_add(1);
    channel->changed.notify_all();
  });
  std::unique_lock lock(channel->mutex);
  if (!posted) {
    channel->queued = false;
    return;
  }
  channel->changed.wait(
      lock, [&] { return channel->terminate || (!channel->queued && !channel->running); });
}

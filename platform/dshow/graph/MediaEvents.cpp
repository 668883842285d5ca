#include "dshow/graph/MediaEvents.h"

#include <algorithm>
#include <chrono>

#include "com/Diagnostics.h"
#include "ui/MessageEvent.h"

namespace dshow {

template <class Done>
bool MediaEvents::WaitLocked(std::unique_lock<std::mutex>& lock, LONG msTimeout, Done done) {
  if (msTimeout < 0) {
    changed_.wait(lock, done);
    return true;
  }
  return changed_.wait_for(lock, std::chrono::milliseconds(msTimeout), done);
}

void MediaEvents::Notify(LONG code, LONG_PTR param1, LONG_PTR param2) {
  std::lock_guard lock(lock_);
  if (code == EC_COMPLETE && !cancelled_.contains(EC_COMPLETE)) {
    if (std::find(completedRenderers_.begin(), completedRenderers_.end(), param2) ==
        completedRenderers_.end()) {
      completedRenderers_.push_back(param2);
    }
    if (completeQueued_ || static_cast<int>(completedRenderers_.size()) < renderers_) return;
    completeQueued_ = true;
    QueueLocked({EC_COMPLETE, S_OK, 0});
    return;
  }
  QueueLocked({code, param1, param2});
}

void MediaEvents::QueueLocked(const Event& event) {
  diag::Debug("dshow", "graph event 0x", std::hex, event.code, " (", event.param1, ", ",
              event.param2, ")");
  if (event.code == EC_COMPLETE || event.code == EC_ERRORABORT || event.code == EC_USERABORT) {
    if (!completion_) completion_ = event.code;
  }
  if ((flags_ & AM_MEDIAEVENT_NONOTIFY) == 0) {
    queue_.push_back(event);
    if (window_ != 0) {
      // Posted under the lock, so that the messages keep the order of the queue.
      (void)PostMessage(reinterpret_cast<HWND>(window_), static_cast<UINT>(message_), 0,
                        instanceData_);  // a window that is gone reads no events anyway
    }
  }
  changed_.notify_all();
}

void MediaEvents::ExpectRenderers(int count) {
  std::lock_guard lock(lock_);
  renderers_ = count;
  completedRenderers_.clear();
  completeQueued_ = false;
  completion_.reset();
}

HRESULT MediaEvents::GetEvent(LONG* code, LONG_PTR* param1, LONG_PTR* param2, LONG msTimeout) {
  if (code == nullptr || param1 == nullptr || param2 == nullptr) return E_POINTER;
  std::unique_lock lock(lock_);
  if (!WaitLocked(lock, msTimeout, [this] { return !queue_.empty(); })) {
    *code = 0;
    *param1 = *param2 = 0;
    return E_ABORT;
  }
  const Event event = queue_.front();
  queue_.pop_front();
  *code = event.code;
  *param1 = event.param1;
  *param2 = event.param2;
  return S_OK;
}

HRESULT MediaEvents::WaitForCompletion(LONG msTimeout, LONG* code) {
  if (code == nullptr) return E_POINTER;
  std::unique_lock lock(lock_);
  if (!WaitLocked(lock, msTimeout, [this] { return completion_.has_value(); })) {
    *code = 0;
    return E_ABORT;
  }
  *code = *completion_;
  return S_OK;
}

void MediaEvents::SetNotifyWindow(OAHWND window, LONG message, LONG_PTR instanceData) {
  std::lock_guard lock(lock_);
  window_ = window;
  message_ = message;
  instanceData_ = instanceData;
  // Events queued before the window was set are announced too.
  if (window_ != 0 && !queue_.empty()) {
    (void)PostMessage(reinterpret_cast<HWND>(window_), static_cast<UINT>(message_), 0,
                      instanceData_);  // a window that is gone reads no events anyway
  }
}

void MediaEvents::SetNotifyFlags(LONG flags) {
  std::lock_guard lock(lock_);
  flags_ = flags;
  if ((flags_ & AM_MEDIAEVENT_NONOTIFY) != 0) queue_.clear();
}

LONG MediaEvents::NotifyFlags() {
  std::lock_guard lock(lock_);
  return flags_;
}

void MediaEvents::CancelDefaultHandling(LONG code) {
  std::lock_guard lock(lock_);
  cancelled_.insert(code);
}

void MediaEvents::RestoreDefaultHandling(LONG code) {
  std::lock_guard lock(lock_);
  cancelled_.erase(code);
}

}  // namespace dshow

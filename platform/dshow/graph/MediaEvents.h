#pragma once
// The event queue of a filter graph. Filters notify from any thread; events are queued in the
// order the notifications arrive and each queued event posts the notification message to the
// notification window (platform/ui PostMessage), so that the window's thread reads them with
// GetEvent. AM_MEDIAEVENT_NONOTIFY drops events (and empties the queue) instead.
//
// Default handling of EC_COMPLETE: the renderers' own EC_COMPLETE notifications are collected and
// one EC_COMPLETE (S_OK, 0) is queued when every renderer the graph expects has sent one. With the
// default handling cancelled each renderer's EC_COMPLETE is queued as it comes.
// WaitForCompletion ends at that EC_COMPLETE, EC_ERRORABORT or EC_USERABORT, whether or not the
// queue keeps events.
//
// Threads: Notify from any thread; the rest from the application's thread. One lock, which is
// never held while calling out of this class except to post the message.

#include <condition_variable>
#include <deque>
#include <mutex>
#include <optional>
#include <set>
#include <vector>

#include "dshow/DShowTypes.h"
#include "dshow/GraphInterfaces.h"

namespace dshow {

class MediaEvents {
 public:
  void Notify(LONG code, LONG_PTR param1, LONG_PTR param2);

  // A new run begins: completion starts over, with this many renderers to wait for.
  void ExpectRenderers(int count);
  // E_ABORT when nothing arrives within msTimeout (-1 waits without a limit).
  HRESULT GetEvent(LONG* code, LONG_PTR* param1, LONG_PTR* param2, LONG msTimeout);
  // E_ABORT after msTimeout without completion.
  HRESULT WaitForCompletion(LONG msTimeout, LONG* code);
  void SetNotifyWindow(OAHWND window, LONG message, LONG_PTR instanceData);
  void SetNotifyFlags(LONG flags);
  LONG NotifyFlags();
  void CancelDefaultHandling(LONG code);
  void RestoreDefaultHandling(LONG code);

 private:
  struct Event {
    LONG code;
    LONG_PTR param1;
    LONG_PTR param2;
  };

  void QueueLocked(const Event& event);
  // Waits on changed_ until done() or the timeout; whether done() holds.
  template <class Done>
  bool WaitLocked(std::unique_lock<std::mutex>& lock, LONG msTimeout, Done done);

  std::mutex lock_;
  std::condition_variable changed_;
  std::deque<Event> queue_;
  OAHWND window_ = 0;
  LONG message_ = 0;
  LONG_PTR instanceData_ = 0;
  LONG flags_ = 0;
  std::set<LONG> cancelled_;
  int renderers_ = 0;
  std::vector<LONG_PTR> completedRenderers_;
  bool completeQueued_ = false;
  std::optional<LONG> completion_;
};

}  // namespace dshow

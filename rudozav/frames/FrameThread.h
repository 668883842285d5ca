#pragma once
// The frame thread: watches the active grabber record and hands each new frame to the UI thread.
//
// Threads: the UI thread creates, starts and stops the thread; the thread itself only reads the
// graph run state and the record's FramePending, clears FramePending, and waits while the UI
// thread runs the handler. Stopping from the UI thread never waits for a hand-over: one still
// queued is cancelled, and one running further up the UI thread's stack (a handler that stops
// the graph) lets the thread end without it.

#include <atomic>
#include <functional>
#include <memory>
#include <thread>

#include "clock/ThreadPriority.h"
#include "filters/common/GrabberControl.h"
#include "rudozav/core/GraphMode.h"

class TFrameThread {
 public:
  // runState: the graph running mode the thread tests before each hand-over; handler runs on the
  // UI thread. Both must outlive the thread (Stop before they go).
  TFrameThread(const std::atomic<TGraphMode>& runState, TGrabberControl& record,
               std::function<void()> handler);
  // Stops the thread if it still runs.
  ~TFrameThread();
  TFrameThread(const TFrameThread&) = delete;
  TFrameThread& operator=(const TFrameThread&) = delete;

  // UI thread.
  void Start(ThreadPriority priority);
  // UI thread: tells the thread to end, cancels a queued hand-over and joins the thread.
  void Stop();

  // Hand-overs the UI thread has run (for tests and diagnostics). Any thread.
  unsigned long long HandOvers() const;

 private:
  struct Channel;
  void Run(ThreadPriority priority);
  void HandOver();

  const std::atomic<TGraphMode>& runState_;
  TGrabberControl& record_;
  std::shared_ptr<Channel> channel_;  // shared with queued hand-overs, which may outlive us
  std::thread thread_;
};

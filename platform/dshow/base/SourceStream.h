#pragma once
// CSourceStream: an output pin of a CSource with a streaming thread of its own. The thread
// starts when the filter leaves Stopped and is joined when it stops. It takes a buffer from the
// allocator, has FillBuffer fill it and delivers it downstream, for as long as the filter is
// Paused or Running (a live source: only while Running).
//
// FillBuffer answers S_OK to deliver the sample, S_FALSE at the end of the stream (end of stream
// is then delivered and the thread idles until stopped), a failure to abort (EC_ERRORABORT is
// notified and end of stream delivered). When the downstream pin refuses a sample the thread
// stops delivering quietly until the filter is stopped: that happens while the graph stops, since
// the graph stops filters downstream first.
//
// Threads: FillBuffer and the OnThread... hooks run on the pin's thread. They may take the filter
// lock: the filter does not hold it while it waits for the thread.

#include <condition_variable>
#include <mutex>
#include <thread>

#include "dshow/base/BaseOutputPin.h"

class CSource;

class CSourceStream : public CBaseOutputPin {
 public:
  CSourceStream(CSource* filter, std::string name);
  ~CSourceStream() override;

  HRESULT Active() override;
  HRESULT Inactive() override;

  // Application thread: ends the thread and waits for it (Stop calls it before the filter lock
  // is taken). Harmless when no thread runs.
  void StopThread();
  // Application thread: the filter's state changed; the thread looks at it again.
  void Wake();
  // Whether the pin's thread is running (for tests and diagnostics).
  bool ThreadRunning() const;

 protected:
  virtual HRESULT FillBuffer(IMediaSample* sample) = 0;
  // On the new thread, before the first buffer; a failure ends the thread with EC_ERRORABORT.
  virtual HRESULT OnThreadCreate() { return S_OK; }
  // On the thread, after the last buffer.
  virtual HRESULT OnThreadDestroy() { return S_OK; }
  // On the thread, before the first buffer it delivers after the thread started.
  virtual HRESULT OnThreadStartPlay() { return S_OK; }

  CSource* Source() const { return source_; }

 private:
  void ThreadProc();
  // Waits until the thread may deliver or must end; false when it must end.
  bool WaitUntilDeliverable();
  // Waits until the thread must end.
  void WaitForExit();
  bool Deliverable() const;

  CSource* const source_;
  std::thread thread_;
  mutable std::mutex commandLock_;
  std::condition_variable wake_;
  bool exit_ = false;     // under commandLock_
  bool stalled_ = false;  // streaming thread only
};

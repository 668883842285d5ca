#include "dshow/base/SourceStream.h"

#include "com/Diagnostics.h"
#include "dshow/GraphInterfaces.h"
#include "dshow/base/Source.h"

CSourceStream::CSourceStream(CSource* filter, std::string name)
    : CBaseOutputPin(filter, std::move(name)), source_(filter) {}

CSourceStream::~CSourceStream() {
  if (thread_.joinable()) {
    // The filter should have been stopped before its last release; the derived pin is gone
    // already, so this is a last resort.
    diag::Warn("dshow", "source pin " + Name() + " destroyed with its thread running");
    StopThread();
  }
}

HRESULT CSourceStream::Active() {
  const HRESULT hr = CBaseOutputPin::Active();
  if (FAILED(hr)) return hr;
  if (thread_.joinable()) return S_OK;
  {
    std::lock_guard lock(commandLock_);
    exit_ = false;
  }
  stalled_ = false;
  thread_ = std::thread([this] { ThreadProc(); });
  return S_OK;
}

HRESULT CSourceStream::Inactive() {
  StopThread();
  return CBaseOutputPin::Inactive();
}

void CSourceStream::StopThread() {
  {
    std::lock_guard lock(commandLock_);
    exit_ = true;
  }
  wake_.notify_all();
  // Decommitting wakes the thread if it waits for a buffer; Active commits again.
  if (Allocator() != nullptr) (void)Allocator()->Decommit();
  if (thread_.joinable()) thread_.join();
}

void CSourceStream::Wake() {
  { std::lock_guard lock(commandLock_); }
  wake_.notify_all();
}

bool CSourceStream::ThreadRunning() const {
  return thread_.joinable();
}

bool CSourceStream::Deliverable() const {
  const FILTER_STATE state = source_->State();
  return state == State_Running || (state == State_Paused && !source_->IsLive());
}

bool CSourceStream::WaitUntilDeliverable() {
  std::unique_lock lock(commandLock_);
  wake_.wait(lock, [this] { return exit_ || (!stalled_ && Deliverable()); });
  return !exit_;
}

void CSourceStream::WaitForExit() {
  std::unique_lock lock(commandLock_);
  wake_.wait(lock, [this] { return exit_; });
}

void CSourceStream::ThreadProc() {
  HRESULT hr = OnThreadCreate();
  if (FAILED(hr)) {
    (void)source_->NotifyEvent(EC_ERRORABORT, hr, 0);  // the graph reports it; nothing else to do
    WaitForExit();
    (void)OnThreadDestroy();  // cleanup of a thread that never delivered
    return;
  }
  bool started = false;
  while (WaitUntilDeliverable()) {
    if (!started) {
      started = true;
      (void)OnThreadStartPlay();  // a hook for the derived pin; its result changes nothing
    }
    ComPtr<IMediaSample> sample;
    hr = GetDeliveryBuffer(sample.ReleaseAndGetAddressOf(), nullptr, nullptr, 0);
    if (FAILED(hr)) {
      // Decommitted: the filter, or the pin downstream, is stopping.
      WaitForExit();
      break;
    }
    hr = FillBuffer(sample.Get());
    if (hr == S_OK) {
      hr = Deliver(sample.Get());
      sample.Reset();
      if (hr != S_OK) {
        diag::Debug("dshow", Name(), ": downstream refused a sample: ", HResultText(hr));
        stalled_ = true;
      }
      continue;
    }
    sample.Reset();
    if (FAILED(hr)) (void)source_->NotifyEvent(EC_ERRORABORT, hr, 0);  // the graph reports it
    (void)DeliverEndOfStream();  // nothing follows whatever the peer answers
    stalled_ = true;
  }
  (void)OnThreadDestroy();  // a hook; the thread ends either way
}

#pragma once
// The Smart Tee: one input and two outputs, "Capture" (PIN_CATEGORY_CAPTURE) and "Preview"
// (PIN_CATEGORY_PREVIEW). The capture output passes every input sample on as it is, on the
// upstream's thread. The preview output gets copies without time stamps, delivered by a thread
// of its own from a one-frame mailbox: when the preview side is slow or stalled, frames are
// dropped there and the capture side never waits for it.

#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

#include "dshow/Uuids.h"
#include "dshow/filters/TeeFilter.h"

class SmartTeePreviewPin final : public TeeOutputPin {
 public:
  SmartTeePreviewPin(CBaseFilter* filter, CBaseInputPin* input);
  ~SmartTeePreviewPin() override;

  HRESULT Active() override;
  HRESULT Inactive() override;

  // Upstream's streaming thread: copies the sample for the preview if a buffer is free at once;
  // otherwise the frame is dropped.
  void Offer(IMediaSample* sample);
  // Upstream's streaming thread: end of stream follows the frame in the mailbox.
  void OfferEndOfStream();
  // Upstream's streaming thread: a frame in the mailbox is dropped.
  void Flush();

  // Frames dropped because the preview side was busy. Any thread.
  long FramesDropped() const;

 private:
  void ThreadProc();
  void StopThread();

  std::thread thread_;
  mutable std::mutex lock_;
  std::condition_variable wake_;
  bool running_ = false;          // under lock_: the thread takes frames
  ComPtr<IMediaSample> mailbox_;  // under lock_
  bool endOfStream_ = false;      // under lock_
  long dropped_ = 0;              // under lock_
};

class SmartTee final : public TeeFilter {
 public:
  SmartTee();

  int GetPinCount() override { return 3; }
  CBasePin* GetPin(int index) override;

  HRESULT DeliverSample(IMediaSample* sample) override;
  HRESULT DeliverEndOfStream() override;
  HRESULT DeliverBeginFlush() override;
  HRESULT DeliverEndFlush() override;
  HRESULT DeliverNewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) override;
  bool OutputsAccept(const AM_MEDIA_TYPE& mediaType) override;

  SmartTeePreviewPin* PreviewPin() { return preview_.get(); }

 private:
  ~SmartTee() override;

  std::unique_ptr<TeeInputPin> input_;
  std::unique_ptr<TeeOutputPin> capture_;
  std::unique_ptr<SmartTeePreviewPin> preview_;
};

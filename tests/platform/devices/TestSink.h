#pragma once
// A renderer for the graph tests that takes the types a predicate accepts and records every
// sample it renders. Samples arrive on the streaming thread; the test reads under the lock.

#include <functional>
#include <mutex>
#include <vector>

#include "dshow/base/BaseRenderer.h"

namespace devices_test {

class TestSink : public CBaseRenderer {
 public:
  struct Frame {
    REFERENCE_TIME start = 0;
    REFERENCE_TIME stop = 0;
    LONGLONG mediaStart = -1;
    LONG length = 0;
    bool discontinuity = false;
    std::vector<BYTE> head;  // the first bytes
  };

  explicit TestSink(std::function<bool(const AM_MEDIA_TYPE&)> accepts)
      : CBaseRenderer(MakeGuid("8A201C63-FC5D-441D-9466-4A2034263822")),
        accepts_(std::move(accepts)) {}

  HRESULT CheckMediaType(const AM_MEDIA_TYPE* mediaType) override {
    return mediaType != nullptr && accepts_(*mediaType) ? S_OK : S_FALSE;
  }

  HRESULT DoRenderSample(IMediaSample* sample) override {
    Frame frame;
    (void)sample->GetTime(&frame.start, &frame.stop);  // untimed samples keep zeros
    LONGLONG mediaStop = 0;
    (void)sample->GetMediaTime(&frame.mediaStart, &mediaStop);  // likewise
    frame.length = sample->GetActualDataLength();
    frame.discontinuity = sample->IsDiscontinuity() == S_OK;
    BYTE* bytes = nullptr;
    if (SUCCEEDED(sample->GetPointer(&bytes))) {
      frame.head.assign(bytes, bytes + std::min<LONG>(frame.length, 64));
    }
    std::lock_guard lock(mutex_);
    frames_.push_back(std::move(frame));
    return S_OK;
  }

  std::vector<Frame> Frames() const {
    std::lock_guard lock(mutex_);
    return frames_;
  }
  std::size_t Count() const {
    std::lock_guard lock(mutex_);
    return frames_.size();
  }

 private:
  const std::function<bool(const AM_MEDIA_TYPE&)> accepts_;
  mutable std::mutex mutex_;
  std::vector<Frame> frames_;  // guarded by mutex_
};

inline std::function<bool(const AM_MEDIA_TYPE&)> SubtypeIs(GUID subtype) {
  return [subtype](const AM_MEDIA_TYPE& type) { return type.subtype == subtype; };
}

}  // namespace devices_test

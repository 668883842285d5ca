#pragma once
// CMediaSample: one buffer of a CMemAllocator with its times and flags. When the last reference
// goes, the sample returns to its allocator instead of being destroyed; a sample made without an
// allocator (for tests or private use) destroys itself.
//
// Threads: a sample is used by one thread at a time (the one that holds it); its reference count
// is atomic because it is handed from thread to thread.

#include <atomic>

#include "dshow/MediaType.h"
#include "dshow/SampleInterfaces.h"

class CMemAllocator;

class CMediaSample final : public IMediaSample {
 public:
  // buffer is owned by whoever made the sample and outlives it.
  CMediaSample(CMemAllocator* allocator, BYTE* buffer, LONG size);
  CMediaSample(const CMediaSample&) = delete;
  CMediaSample& operator=(const CMediaSample&) = delete;
  ~CMediaSample() override;

  // IUnknown
  HRESULT QueryInterface(REFIID riid, void** object) override;
  ULONG AddRef() override;
  ULONG Release() override;

  // IMediaSample
  HRESULT GetPointer(BYTE** buffer) override;
  LONG GetSize() override { return size_; }
  HRESULT GetTime(REFERENCE_TIME* start, REFERENCE_TIME* stop) override;
  HRESULT SetTime(REFERENCE_TIME* start, REFERENCE_TIME* stop) override;
  HRESULT IsSyncPoint() override { return syncPoint_ ? S_OK : S_FALSE; }
  HRESULT SetSyncPoint(BOOL syncPoint) override;
  HRESULT IsPreroll() override { return preroll_ ? S_OK : S_FALSE; }
  HRESULT SetPreroll(BOOL preroll) override;
  LONG GetActualDataLength() override { return actualLength_; }
  HRESULT SetActualDataLength(LONG length) override;
  HRESULT GetMediaType(AM_MEDIA_TYPE** mediaType) override;
  HRESULT SetMediaType(AM_MEDIA_TYPE* mediaType) override;
  HRESULT IsDiscontinuity() override { return discontinuity_ ? S_OK : S_FALSE; }
  HRESULT SetDiscontinuity(BOOL discontinuity) override;
  HRESULT GetMediaTime(LONGLONG* start, LONGLONG* stop) override;
  HRESULT SetMediaTime(LONGLONG* start, LONGLONG* stop) override;

  // The allocator hands the sample out with one reference and clears what the last user set.
  void PrepareForUse();

 private:
  CMemAllocator* allocator_;  // not owned: it keeps itself alive while the sample is out
  BYTE* buffer_;
  LONG size_;
  std::atomic<ULONG> refs_{0};

  LONG actualLength_;
  bool timeValid_ = false;
  bool stopValid_ = false;
  REFERENCE_TIME start_ = 0;
  REFERENCE_TIME stop_ = 0;
  bool mediaTimeValid_ = false;
  LONGLONG mediaStart_ = 0;
  LONGLONG mediaStop_ = 0;
  bool syncPoint_ = false;
  bool preroll_ = false;
  bool discontinuity_ = false;
  bool typeChanged_ = false;
  MediaType mediaType_;
};

#pragma once
// CMemAllocator: a fixed pool of equal buffers in ordinary memory, the allocator that pins use
// unless a peer offers its own. Commit allocates the buffers, Decommit wakes every thread waiting
// in GetBuffer and frees the buffers once all samples are back.
//
// Threads: SetProperties, Commit and Decommit come from the application's thread (through the
// pins); GetBuffer and the samples' release from streaming threads. Everything is under one lock.

#include <condition_variable>
#include <memory>
#include <mutex>
#include <vector>

#include "com/Com.h"
#include "dshow/base/MediaSample.h"

class CMemAllocator final : public ComObject<CMemAllocator, IMemAllocator> {
 public:
  CMemAllocator();
  ~CMemAllocator() override;

  HRESULT SetProperties(ALLOCATOR_PROPERTIES* request, ALLOCATOR_PROPERTIES* actual) override;
  HRESULT GetProperties(ALLOCATOR_PROPERTIES* properties) override;
  HRESULT Commit() override;
  HRESULT Decommit() override;
  HRESULT GetBuffer(IMediaSample** sample, REFERENCE_TIME* start, REFERENCE_TIME* stop,
                    DWORD flags) override;
  HRESULT ReleaseBuffer(IMediaSample* sample) override;

  // Samples handed out and not yet returned (for tests and diagnostics).
  int OutstandingSamples();

 private:
  struct Buffer {
    std::unique_ptr<BYTE[]> storage;
    std::unique_ptr<CMediaSample> sample;
  };

  void FreeBuffersLocked();

  std::mutex lock_;
  std::condition_variable sampleFree_;
  ALLOCATOR_PROPERTIES properties_;
  bool propertiesSet_ = false;
  bool committed_ = false;
  std::vector<Buffer> buffers_;
  std::vector<CMediaSample*> free_;
  int outstanding_ = 0;
};

// Asks an allocator for the wanted buffers: fails when it refuses or gives smaller buffers than
// wanted. For output pins deciding their buffer size.
HRESULT SetAllocatorProperties(IMemAllocator& allocator, const ALLOCATOR_PROPERTIES& wanted);

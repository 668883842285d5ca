#pragma once
// A virtual compressor: a transform that passes the bytes through unchanged and labels them
// with the described FourCC (video) or format tag (audio). It may offer the dialogs and the
// opaque state of an older codec (IAMVfwCompressDialogs) and save that state in a stream
// (IPersistStream), as the descriptions say.
//
// Threads: connection, dialogs and state on the application's thread; Transform on the
// upstream filter's streaming thread.

#include <memory>
#include <mutex>
#include <vector>

#include "devices/virtual/DeviceDescription.h"
#include "dshow/base/TransformFilter.h"

namespace devices {

class VirtualCompressor : public CTransformFilter {
 public:
  explicit VirtualCompressor(std::shared_ptr<const DeviceDescription> device);

  HRESULT CheckInputType(const AM_MEDIA_TYPE* mediaType) override;
  HRESULT CheckTransform(const AM_MEDIA_TYPE* in, const AM_MEDIA_TYPE* out) override;
  HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) override;
  HRESULT GetMediaType(int position, MediaType* mediaType) override;
  HRESULT Transform(IMediaSample* in, IMediaSample* out) override;
  HRESULT JoinFilterGraph(IFilterGraph* graph, LPCOLESTR name) override;

  // The codec's opaque state (application thread).
  std::vector<BYTE> State() const;
  bool SetState(const std::vector<BYTE>& state);

 protected:
  ~VirtualCompressor() override;
  HRESULT QueryFilterInterface(REFIID riid, void** object) override;

 private:
  class Dialogs;
  class Persist;

  bool IsVideo() const { return device_->category == DeviceCategory::kVideoCompressor; }
  // The output type for an input type.
  MediaType OutputFor(const AM_MEDIA_TYPE& input) const;

  const std::shared_ptr<const DeviceDescription> device_;
  mutable std::mutex stateLock_;
  std::vector<BYTE> state_;  // guarded by stateLock_
  bool dirty_ = false;       // guarded by stateLock_
  std::unique_ptr<Dialogs> dialogs_;
  std::unique_ptr<Persist> persist_;

  friend class Persist;
};

}  // namespace devices

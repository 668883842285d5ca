#pragma once
// The overlay mixer: ends a device's overlay connection (MEDIATYPE_Video with
// MEDIASUBTYPE_Overlay), over which no samples travel because the device puts its picture on the
// screen itself, and gives the video renderer an RGB32 stream of the device's picture size. The
// renderer's window thus stands where the device's picture goes. A sample that does arrive on
// the overlay connection becomes a black frame (the colour key) of that size.
//
// Threads: connection hooks on the application's thread; Transform on the upstream's streaming
// thread, reading the size fixed while connecting.

#include <memory>

#include "dshow/Uuids.h"
#include "dshow/base/TransformFilter.h"

class OverlayMixer final : public CTransformFilter {
 public:
  // The picture size offered when the device names none.
  static constexpr LONG kDefaultWidth = 320;
  static constexpr LONG kDefaultHeight = 240;

  OverlayMixer();

  // Whether the input takes that type: only the overlay connection.
  static bool IsOverlayType(const AM_MEDIA_TYPE& mediaType);

  HRESULT CheckInputType(const AM_MEDIA_TYPE* mediaType) override;
  HRESULT CheckTransform(const AM_MEDIA_TYPE* in, const AM_MEDIA_TYPE* out) override;
  HRESULT GetMediaType(int position, MediaType* mediaType) override;
  HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) override;
  HRESULT CompleteConnect(PIN_DIRECTION direction, IPin* pin) override;
  HRESULT Transform(IMediaSample* in, IMediaSample* out) override;

  // The picture size the output offers. Application thread.
  LONG Width() const { return width_; }
  LONG Height() const { return height_; }

 protected:
  // An input that offers the overlay type, so that a device pin that lists only its video
  // types still connects with it.
  std::unique_ptr<CTransformInputPin> CreateInputPin() override;

 private:
  ~OverlayMixer() override;

  // Application thread, while connecting.
  LONG width_ = kDefaultWidth;
  LONG height_ = kDefaultHeight;
};

#pragma once
// CTransInPlaceFilter: a transform whose output carries the input's samples, changed in place.
// Input and output have the same media type. When the output connects with a type other than
// the input's, the input is reconnected with the output's type (the upstream pin must accept it).
//
// Allocators: the input offers the downstream pin's allocator when the output is connected, and
// the output offers the input's allocator downstream, so that normally one allocator serves both
// connections and each sample goes downstream as it came. When the two connections use different
// allocators, or the upstream marked its buffers read-only, each sample is first copied into an
// output buffer (with its times and flags). Either way Transform(sample) changes the sample that
// is then delivered; S_FALSE drops it.
//
// A derived filter that overrides CompleteConnect calls CTransInPlaceFilter::CompleteConnect.

#include "dshow/base/TransformFilter.h"

class CTransInPlaceFilter : public CTransformFilter {
 public:
  explicit CTransInPlaceFilter(const CLSID& clsid);

  using CTransformFilter::Transform;
  // Streaming thread: the sample about to go downstream.
  virtual HRESULT Transform(IMediaSample* sample) = 0;

  // Any output type is the input's: nothing to check by default.
  HRESULT CheckTransform(const AM_MEDIA_TYPE* in, const AM_MEDIA_TYPE* out) override;
  // No types of its own: the pins offer the type of the other side's connection.
  HRESULT GetMediaType(int position, MediaType* mediaType) override;
  // For the copying case: buffers as large and as many as the input's.
  HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) override;
  HRESULT CompleteConnect(PIN_DIRECTION direction, IPin* pin) override;
  HRESULT Receive(IMediaSample* sample) override;

  // Whether samples go downstream without a copy (one allocator for both connections).
  bool UsingSameAllocator();

 protected:
  std::unique_ptr<CTransformInputPin> CreateInputPin() override;
  std::unique_ptr<CTransformOutputPin> CreateOutputPin() override;

 private:
  HRESULT CopySample(IMediaSample* source, IMediaSample** copy);
};

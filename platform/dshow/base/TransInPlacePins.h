#pragma once
// The pins of CTransInPlaceFilter: both offer the other side's connection type, and they pass
// one allocator through the filter when they can.

#include "dshow/base/TransformPins.h"

class CTransInPlaceInputPin : public CTransformInputPin {
 public:
  explicit CTransInPlaceInputPin(CTransformFilter* filter);

  // The downstream pin's allocator when the output is connected.
  HRESULT GetAllocator(IMemAllocator** allocator) override;
  // Acceptable as input and, when the output is connected, to the downstream pin.
  HRESULT CheckMediaType(const AM_MEDIA_TYPE* mediaType) override;
  // The output's connection type, when there is one.
  HRESULT GetMediaType(int position, MediaType* mediaType) override;
};

class CTransInPlaceOutputPin : public CTransformOutputPin {
 public:
  explicit CTransInPlaceOutputPin(CTransformFilter* filter);

  // Acceptable as input to the filter; a type other than the input's must also be acceptable
  // to the upstream pin (the input is then reconnected).
  HRESULT CheckMediaType(const AM_MEDIA_TYPE* mediaType) override;
  // The input's connection type.
  HRESULT GetMediaType(int position, MediaType* mediaType) override;
  // Offers the input's allocator first.
  HRESULT DecideAllocator(IMemInputPin* input, IMemAllocator** allocator) override;
};

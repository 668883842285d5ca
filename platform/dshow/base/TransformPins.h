#pragma once
// The pins of CTransformFilter. They forward type, connection and stream calls to the filter's
// hooks; the output pin answers IMediaSeeking by passing it upstream of the input pin.

#include "dshow/base/BaseInputPin.h"
#include "dshow/base/BaseOutputPin.h"
#include "dshow/base/SeekingPassThru.h"

class CTransformFilter;

class CTransformInputPin : public CBaseInputPin {
 public:
  CTransformInputPin(CTransformFilter* filter, std::string name = "Input");

  // Acceptable as input, and, when the output is connected, a transform to its type.
  HRESULT CheckMediaType(const AM_MEDIA_TYPE* mediaType) override;
  HRESULT SetMediaType(const AM_MEDIA_TYPE& mediaType) override;
  HRESULT CheckConnect(IPin* pin) override;
  HRESULT BreakConnect() override;
  HRESULT CompleteConnect(IPin* receivePin) override;

  HRESULT Receive(IMediaSample* sample) override;
  HRESULT EndOfStream() override;
  HRESULT BeginFlush() override;
  HRESULT EndFlush() override;
  HRESULT NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) override;

 protected:
  CTransformFilter* TransformFilter() const { return transform_; }

 private:
  CTransformFilter* const transform_;
};

class CTransformOutputPin : public CBaseOutputPin {
 public:
  CTransformOutputPin(CTransformFilter* filter, std::string name = "Output");

  // Both need a connected input: E_UNEXPECTED otherwise.
  HRESULT CheckMediaType(const AM_MEDIA_TYPE* mediaType) override;
  HRESULT GetMediaType(int position, MediaType* mediaType) override;
  HRESULT SetMediaType(const AM_MEDIA_TYPE& mediaType) override;
  HRESULT CheckConnect(IPin* pin) override;
  HRESULT BreakConnect() override;
  HRESULT CompleteConnect(IPin* receivePin) override;
  HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) override;

 protected:
  HRESULT QueryPinInterface(REFIID riid, void** object) override;
  CTransformFilter* TransformFilter() const { return transform_; }

 private:
  CTransformFilter* const transform_;
  CSeekingPassThru seeking_;
};

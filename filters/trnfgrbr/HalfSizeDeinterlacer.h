#pragma once
// The half-size deinterlacer: turns an RGB24 or RGB32 picture into one of half its width and
// height (one field, every second column) while the record's Mode is non-zero; with Mode 0 the
// output samples carry the times and flags but no picture. It always applies the strict format
// test to its input and remembers the depth it first accepted.
//
// Threads: type checks, media type setting and GetControlRecord run on the application's thread
// under the filter lock; Transform runs on the streaming thread, which owns the column phase.

#include "dshow/base/TransformFilter.h"
#include "filters/common/FilterModule.h"
#include "filters/common/GrabberControl.h"
#include "filters/trnfgrbr/HalfSizeWalk.h"

class CHalfSizeDeinterlacer final : public CTransformFilter, public IGrabberControl {
 public:
  CHalfSizeDeinterlacer();

  // IUnknown, shared by both bases.
  HRESULT QueryInterface(REFIID riid, void** object) override;
  ULONG AddRef() override { return CTransformFilter::AddRef(); }
  ULONG Release() override { return CTransformFilter::Release(); }

  // IGrabberControl
  HRESULT GetControlRecord(TGrabberControl** record) override;

  HRESULT CheckInputType(const AM_MEDIA_TYPE* mediaType) override;
  HRESULT CheckTransform(const AM_MEDIA_TYPE* in, const AM_MEDIA_TYPE* out) override;
  HRESULT GetMediaType(int position, MediaType* mediaType) override;
  HRESULT SetMediaType(PIN_DIRECTION direction, const AM_MEDIA_TYPE* mediaType) override;
  HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) override;
  HRESULT Transform(IMediaSample* in, IMediaSample* out) override;

 protected:
  ~CHalfSizeDeinterlacer() override = default;
  HRESULT QueryFilterInterface(REFIID riid, void** object) override;

 private:
  // What the input connection fixed: sizes, depth and the header fields passed on.
  struct InputFormat {
    HalfSizeGeometry geometry;
    bool videoInfo2 = false;
    WORD planes = 0;
    DWORD compression = 0;
    LONG xPelsPerMeter = 0;
    LONG yPelsPerMeter = 0;
    DWORD clrUsed = 0;
    DWORD clrImportant = 0;
    REFERENCE_TIME avgTimePerFrame = 0;
  };

  // The output type for an input format, with a format block of the given kind.
  MediaType OutputType(const InputFormat& input, bool videoInfo2) const;
  // The input format a video type describes, at the remembered depth; nullopt if it is none.
  std::optional<InputFormat> ReadInputFormat(const AM_MEDIA_TYPE& mediaType) const;
  HRESULT CheckOutputType(const AM_MEDIA_TYPE* in, const AM_MEDIA_TYPE* out);
  static HRESULT CopySampleProperties(IMediaSample* in, IMediaSample* out);

  filter_module::ModuleReference moduleReference_;
  TGrabberControl record_;
  WORD bitDepth_ = 0;    // the remembered depth; under the filter lock
  InputFormat input_;    // set with the input connection, read while streaming
  int columnPhase_ = 0;  // streaming thread
};

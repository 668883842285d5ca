#pragma once
// The colour space converter: turns uncompressed video of the YUV FourCC family or the RGB
// family into RGB32, RGB24, RGB565, RGB555 or YUY2 of the same size (FrameConverter does the
// work). The graph manager places it between pins that cannot connect directly.
//
// Threads: connection hooks on the application's thread; Transform on the upstream's streaming
// thread, which alone uses the converter while the filter runs.

#include "dshow/Uuids.h"
#include "dshow/base/TransformFilter.h"
#include "dshow/filters/FrameConverter.h"

class ColourSpaceConverter final : public CTransformFilter {
 public:
  // The name under which the graph manager adds it to graphs.
  static constexpr char kGraphName[] = "Color Space Converter";

  ColourSpaceConverter();

  // Whether it takes `from` and can give `to`; a null type is not known and fits.
  static bool CanConvert(const AM_MEDIA_TYPE* from, const AM_MEDIA_TYPE* to);

  HRESULT CheckInputType(const AM_MEDIA_TYPE* mediaType) override;
  HRESULT CheckTransform(const AM_MEDIA_TYPE* in, const AM_MEDIA_TYPE* out) override;
  HRESULT GetMediaType(int position, MediaType* mediaType) override;
  HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) override;
  HRESULT StartStreaming() override;
  HRESULT Transform(IMediaSample* in, IMediaSample* out) override;

 private:
  ~ColourSpaceConverter() override;
  // Sets the converter up for the pins' current types.
  HRESULT Configure();

  FrameConverter converter_;
};

#pragma once
// The DV video codec: decodes DV video frames (dvsd, dv25; 525 or 625 lines) with libavcodec
// into bottom-up RGB24 or RGB32 pictures at the display size IIPDVDec chooses: full, half (the
// default), quarter or the DC size. IDVRGB219 selects studio-range RGB (16-235).
//
// Threads: connection hooks and the interfaces on the application's thread (the size and range
// apply from the next connection or start); Transform on the upstream's streaming thread, which
// alone uses the decoder while the filter runs.

#include <memory>

#include "dshow/CodecInterfaces.h"
#include "dshow/Uuids.h"
#include "dshow/base/TransformFilter.h"

class DVFrameDecoder;

class DVVideoCodec final : public CTransformFilter, public IIPDVDec, public IDVRGB219 {
 public:
  static constexpr char kGraphName[] = "DV Video Decoder";

  DVVideoCodec();

  // Whether it takes `from` and can give `to`; a null type is not known and fits.
  static bool CanDecode(const AM_MEDIA_TYPE* from, const AM_MEDIA_TYPE* to);

  HRESULT QueryInterface(REFIID riid, void** object) override {
    return CTransformFilter::QueryInterface(riid, object);
  }
  ULONG AddRef() override { return CTransformFilter::AddRef(); }
  ULONG Release() override { return CTransformFilter::Release(); }

  // IIPDVDec
  HRESULT get_IPDisplay(int* displayPix) override;
  HRESULT put_IPDisplay(int displayPix) override;
  // IDVRGB219
  HRESULT SetRGB219(BOOL state) override;

  HRESULT CheckInputType(const AM_MEDIA_TYPE* mediaType) override;
  HRESULT CheckTransform(const AM_MEDIA_TYPE* in, const AM_MEDIA_TYPE* out) override;
  HRESULT GetMediaType(int position, MediaType* mediaType) override;
  HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) override;
  HRESULT StartStreaming() override;
  HRESULT StopStreaming() override;
  HRESULT Transform(IMediaSample* in, IMediaSample* out) override;

 protected:
  HRESULT QueryFilterInterface(REFIID riid, void** object) override;

 private:
  ~DVVideoCodec() override;

  int display_ = DVRESOLUTION_HALF;  // guarded by the filter lock
  bool rgb219_ = false;              // guarded by the filter lock
  std::unique_ptr<DVFrameDecoder> decoder_;
};

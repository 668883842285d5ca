#pragma once
// The in-place grabber: passes every frame on unchanged but for the caption it may draw into it,
// and meanwhile copies, counts and time-stamps the frames into its control record. Its role
// (frame grabber, raw frame grabber, frame notifier) comes from the record's two option bytes
// and the required subtype, which the component writes before the pins connect.
//
// Threads: type checks, media type setting and GetControlRecord run on the application's thread
// under the filter lock; Transform runs on the streaming thread without it and shares the record
// with the component only as GrabberControl.h describes.

#include "dshow/base/TransInPlaceFilter.h"
#include "filters/common/FilterModule.h"
#include "filters/common/GrabberControl.h"

class CInplaceGrabber final : public CTransInPlaceFilter, public IGrabberControl {
 public:
  CInplaceGrabber();

  // IUnknown, shared by both bases.
  HRESULT QueryInterface(REFIID riid, void** object) override;
  ULONG AddRef() override { return CTransInPlaceFilter::AddRef(); }
  ULONG Release() override { return CTransInPlaceFilter::Release(); }

  // IGrabberControl
  HRESULT GetControlRecord(TGrabberControl** record) override;

  HRESULT CheckInputType(const AM_MEDIA_TYPE* mediaType) override;
  HRESULT SetMediaType(PIN_DIRECTION direction, const AM_MEDIA_TYPE* mediaType) override;
  HRESULT Transform(IMediaSample* sample) override;

 protected:
  ~CInplaceGrabber() override;
  HRESULT QueryFilterInterface(REFIID riid, void** object) override;

 private:
  void DrawCaption(IMediaSample* sample);
  void CopyFrame(IMediaSample* sample);

  filter_module::ModuleReference moduleReference_;
  TGrabberControl record_;
  WORD acceptedBitDepth_ = 0;  // under the filter lock
};

#include "filters/inplgrbr/InplaceGrabber.h"

#include <algorithm>
#include <cstring>

#include "filters/common/FormatTest.h"
#include "filters/common/GrabberClasses.h"
#include "filters/inplgrbr/CaptionPainter.h"

CInplaceGrabber::CInplaceGrabber() : CTransInPlaceFilter(CLSID_InplGrabber) {}

CInplaceGrabber::~CInplaceGrabber() {
  if (record_.FrameMediaTypeValid != 0) FreeMediaType(record_.FrameMediaType);
  CoTaskMemFree(record_.FrameBuffer);
}

HRESULT CInplaceGrabber::QueryInterface(REFIID riid, void** object) {
  return CTransInPlaceFilter::QueryInterface(riid, object);
}

HRESULT CInplaceGrabber::QueryFilterInterface(REFIID riid, void** object) {
  if (riid == IID_IGrabberControl) {
    *object = static_cast<IGrabberControl*>(this);
    AddRef();
    return S_OK;
  }
  return CTransInPlaceFilter::QueryFilterInterface(riid, object);
}

HRESULT CInplaceGrabber::GetControlRecord(TGrabberControl** record) {
  if (record == nullptr) return E_POINTER;
  std::lock_guard lock(FilterLock());
  *record = &record_;
  return S_OK;
}

HRESULT CInplaceGrabber::CheckInputType(const AM_MEDIA_TYPE* mediaType) {
  std::lock_guard lock(FilterLock());
  if (mediaType == nullptr) return E_FAIL;
  // A notifier or raw grabber takes whatever comes.
  if (record_.CopyFrames == 0) return S_OK;
  if (!IsVideoInfoFormat(*mediaType)) return VFW_E_TYPE_NOT_ACCEPTED;
  if (record_.CheckInputFormat == 0) return S_OK;
  return StrictFormatTest(record_.RequiredSubtype, mediaType, false, &acceptedBitDepth_)
             ? S_OK
             : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT CInplaceGrabber::SetMediaType(PIN_DIRECTION direction, const AM_MEDIA_TYPE* mediaType) {
  HRESULT hr = CTransInPlaceFilter::SetMediaType(direction, mediaType);
  if (FAILED(hr) || direction != PINDIR_OUTPUT) return hr;
  std::lock_guard lock(FilterLock());
  if (record_.FrameMediaTypeValid != 0) {
    FreeMediaType(record_.FrameMediaType);
    record_.FrameMediaTypeValid = 0;
  }
  // The output's connection type: what the frames that are copied look like.
  hr = OutputPin()->ConnectionMediaType(&record_.FrameMediaType);
  if (SUCCEEDED(hr)) record_.FrameMediaTypeValid = 1;
  return S_OK;
}

HRESULT CInplaceGrabber::Transform(IMediaSample* sample) {
  if (record_.TextEnabled.load() != 0) DrawCaption(sample);
  if (record_.CopyFrames != 0) CopyFrame(sample);
  record_.FrameCount.fetch_add(1);
  REFERENCE_TIME start = 0;
  REFERENCE_TIME stop = 0;
  if (SUCCEEDED(sample->GetTime(&start, &stop))) {
    record_.SampleTime.store(start);
    record_.SampleTime2.store(stop);
  }
  record_.FramePending.store(1);
  return S_OK;
}

void CInplaceGrabber::DrawCaption(IMediaSample* sample) {
  // Raise our flag before looking at the component's, so that one of us always yields.
  record_.FilterUsingText.store(1);
  if (record_.ComponentWritingText.load() == 0) {
    BYTE* data = nullptr;
    if (SUCCEEDED(sample->GetPointer(&data)) && data != nullptr) {
      const MediaType& type = InputPin()->ConnectionType();
      // Never past the sample's own bytes, whatever the connection type says.
      const auto available = static_cast<std::size_t>(std::max<LONG>(sample->GetSize(), 0));
      std::size_t length = type->lSampleSize != 0 ? type->lSampleSize : available;
      length = std::min(length, available);
      (void)DrawCaptionInto(type.Get(), data, length, record_);  // a frame it cannot draw on
                                                                 // passes on unchanged
    }
  }
  record_.FilterUsingText.store(0);
}

void CInplaceGrabber::CopyFrame(IMediaSample* sample) {
  const LONG length = sample->GetActualDataLength();
  if (record_.FrameBuffer == nullptr) {
    // The buffer is made once, at the size of the first frame.
    auto* buffer =
        static_cast<BYTE*>(CoTaskMemAlloc(static_cast<SIZE_T>(std::max<LONG>(length, 0))));
    if (buffer == nullptr) return;
    record_.FrameSize = length;
    record_.FrameBuffer = buffer;
  }
  BYTE* data = nullptr;
  if (FAILED(sample->GetPointer(&data)) || data == nullptr || length != record_.FrameSize) return;
  record_.FilterWritingFrame.store(1);
  if (record_.ComponentReadingFrame.load() == 0) {
    std::memcpy(record_.FrameBuffer, data, static_cast<std::size_t>(length));
    record_.FrameAvailable.store(1);
  }
  record_.FilterWritingFrame.store(0);
}

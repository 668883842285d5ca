#include "devices/capture/VideoCapturePin.h"

#include <algorithm>

#include "dshow/Uuids.h"
#include "dshow/VideoMediaType.h"
#include "dshow/base/MemAllocator.h"

namespace devices {

VideoCapturePin::VideoCapturePin(CaptureFilter* filter, std::string name, bool countsFrames)
    : StreamConfigPin(filter, std::move(name)), countsFrames_(countsFrames) {}

HRESULT VideoCapturePin::QueryPinInterface(REFIID riid, void** object) {
  if (riid != IID_IAMDroppedFrames || !countsFrames_)
    return StreamConfigPin::QueryPinInterface(riid, object);
  *object = static_cast<IAMDroppedFrames*>(this);
  AddRef();
  return S_OK;
}

void VideoCapturePin::ResetFrameCounts() {
  delivered_.store(0);
  dropped_.store(0);
}

HRESULT VideoCapturePin::DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) {
  const AM_MEDIA_TYPE& type = ConnectionType().Get();
  DWORD size = type.lSampleSize;
  if (const auto video = ReadVideoFormat(type)) {
    size = std::max(
        {size, video->imageSize, VideoImageSize(type.subtype, video->width, video->height)});
  }
  ALLOCATOR_PROPERTIES wanted = *request;
  wanted.cBuffers = std::max<LONG>(request->cBuffers, 3);
  wanted.cbBuffer = std::max<LONG>(request->cbBuffer, static_cast<LONG>(std::max<DWORD>(size, 1)));
  wanted.cbAlign = std::max<LONG>(request->cbAlign, 1);
  return SetAllocatorProperties(*allocator, wanted);
}

HRESULT VideoCapturePin::GetNumDropped(LONG* dropped) {
  if (dropped == nullptr) return E_POINTER;
  *dropped = dropped_.load();
  return S_OK;
}

HRESULT VideoCapturePin::GetNumNotDropped(LONG* notDropped) {
  if (notDropped == nullptr) return E_POINTER;
  *notDropped = delivered_.load();
  return S_OK;
}

HRESULT VideoCapturePin::GetDroppedInfo(LONG /*size*/, LONG* frames, LONG* copied) {
  if (frames == nullptr || copied == nullptr) return E_POINTER;
  *copied = 0;
  return E_NOTIMPL;
}

HRESULT VideoCapturePin::GetAverageFrameSize(LONG* averageSize) {
  if (averageSize == nullptr) return E_POINTER;
  const MediaType type = CurrentMediaType();
  const auto video = ReadVideoFormat(type.Get());
  *averageSize = static_cast<LONG>(video ? video->imageSize : type->lSampleSize);
  return S_OK;
}

}  // namespace devices

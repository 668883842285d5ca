#include "dshow/filters/SampleGrabber.h"

#include <cstring>

#include "dshow/GraphInterfaces.h"

namespace {

// The sample's start as stream time in seconds; 0 when it has none.
double SampleSeconds(IMediaSample* sample) {
  REFERENCE_TIME start = 0;
  REFERENCE_TIME stop = 0;
  if (FAILED(sample->GetTime(&start, &stop))) return 0.0;
  return static_cast<double>(start) / static_cast<double>(kUnitsPerSecond);
}

}  // namespace

SampleGrabber::SampleGrabber() : CTransInPlaceFilter(CLSID_SampleGrabber) {}

HRESULT SampleGrabber::QueryFilterInterface(REFIID riid, void** object) {
  if (riid == IID_ISampleGrabber) {
    *object = static_cast<ISampleGrabber*>(this);
  } else if (riid == IID_IAMFilterMiscFlags) {
    *object = static_cast<IAMFilterMiscFlags*>(this);
  } else {
    return CTransInPlaceFilter::QueryFilterInterface(riid, object);
  }
  AddRef();
  return S_OK;
}

ULONG SampleGrabber::GetMiscFlags() {
  std::lock_guard lock(FilterLock());
  const bool endsStream = InputPin()->IsConnected() && !OutputPin()->IsConnected();
  return endsStream ? AM_FILTER_MISC_FLAGS_IS_RENDERER : 0;
}

// ---- ISampleGrabber --------------------------------------------------------------------------

HRESULT SampleGrabber::SetOneShot(BOOL oneShot) {
  std::lock_guard lock(lock_);
  oneShot_ = oneShot != FALSE;
  return S_OK;
}

HRESULT SampleGrabber::SetMediaType(const AM_MEDIA_TYPE* mediaType) {
  std::lock_guard lock(lock_);
  if (mediaType == nullptr) {
    wanted_.Reset();
  } else {
    wanted_ = MediaType(*mediaType);
  }
  return S_OK;
}

HRESULT SampleGrabber::GetConnectedMediaType(AM_MEDIA_TYPE* mediaType) {
  if (mediaType == nullptr) return E_POINTER;
  return InputPin()->ConnectionMediaType(mediaType);
}

HRESULT SampleGrabber::SetBufferSamples(BOOL bufferThem) {
  std::lock_guard lock(lock_);
  bufferSamples_ = bufferThem != FALSE;
  return S_OK;
}

HRESULT SampleGrabber::GetCurrentBuffer(LONG* size, LONG* buffer) {
  if (size == nullptr) return E_POINTER;
  std::lock_guard lock(lock_);
  if (!bufferSamples_ || !haveBuffer_) return VFW_E_WRONG_STATE;
  const auto needed = static_cast<LONG>(buffer_.size());
  if (buffer == nullptr) {
    *size = needed;
    return S_OK;
  }
  if (*size < needed) return E_OUTOFMEMORY;
  std::memcpy(buffer, buffer_.data(), buffer_.size());
  *size = needed;
  return S_OK;
}

HRESULT SampleGrabber::GetCurrentSample(IMediaSample** sample) {
  if (sample == nullptr) return E_POINTER;
  *sample = nullptr;
  return E_NOTIMPL;  // the buffered copy is bytes only
}

HRESULT SampleGrabber::SetCallback(ISampleGrabberCB* callback, LONG which) {
  if (which != 0 && which != 1) return E_INVALIDARG;
  std::lock_guard lock(lock_);
  callback_ = callback;
  callbackKind_ = which;
  return S_OK;
}

// ---- Streaming -------------------------------------------------------------------------------

HRESULT SampleGrabber::CheckInputType(const AM_MEDIA_TYPE* mediaType) {
  if (mediaType == nullptr) return E_POINTER;
  std::lock_guard lock(lock_);
  return MediaTypeMatchesPartial(*mediaType, wanted_.Get()) ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT SampleGrabber::StartStreaming() {
  std::lock_guard lock(lock_);
  shotTaken_ = false;
  return S_OK;
}

void SampleGrabber::Grab(IMediaSample* sample) {
  BYTE* data = nullptr;
  if (FAILED(sample->GetPointer(&data))) return;
  const LONG length = sample->GetActualDataLength();
  ComPtr<ISampleGrabberCB> callback;
  LONG kind = 0;
  {
    std::lock_guard lock(lock_);
    if (bufferSamples_) {
      buffer_.assign(data, data + length);
      haveBuffer_ = true;
    }
    callback = callback_;
    kind = callbackKind_;
  }
  if (!callback) return;
  const double seconds = SampleSeconds(sample);
  if (kind == 0) {
    (void)callback->SampleCB(seconds, sample);  // the application's answer changes nothing
  } else {
    // A copy: the application may keep or change it during the call without touching the
    // sample that goes downstream.
    std::vector<BYTE> copy(data, data + length);
    (void)callback->BufferCB(seconds, copy.data(), length);
  }
}

HRESULT SampleGrabber::Transform(IMediaSample* sample) {
  Grab(sample);
  return S_OK;
}

void SampleGrabber::EndStream() {
  if (OutputPin()->IsConnected()) {
    (void)OutputPin()->DeliverEndOfStream();  // downstream completes; nothing to add
  } else {
    (void)NotifyEvent(EC_COMPLETE, S_OK, 0);  // outside a graph nobody waits
  }
}

HRESULT SampleGrabber::Receive(IMediaSample* sample) {
  bool oneShot = false;
  {
    std::lock_guard lock(lock_);
    if (shotTaken_) return S_FALSE;
    oneShot = oneShot_;
    shotTaken_ = oneShot;
  }
  HRESULT hr = S_OK;
  if (OutputPin()->IsConnected()) {
    hr = CTransInPlaceFilter::Receive(sample);
  } else {
    Grab(sample);
  }
  if (!oneShot) return hr;
  EndStream();
  return S_FALSE;  // the one shot is taken: upstream may stop delivering
}

HRESULT SampleGrabber::EndOfStream() {
  {
    std::lock_guard lock(lock_);
    if (shotTaken_) return S_OK;  // the stream ended here already
  }
  if (OutputPin()->IsConnected()) return CTransInPlaceFilter::EndOfStream();
  return NotifyEvent(EC_COMPLETE, S_OK, 0);
}

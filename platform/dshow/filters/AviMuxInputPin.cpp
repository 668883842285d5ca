#include "dshow/filters/AviMuxInputPin.h"

#include <utility>

#include "av/AvOwners.h"
#include "av/CodecParameters.h"
#include "dshow/filters/AviMux.h"

AviMuxInputPin::AviMuxInputPin(AviMux* mux, std::string name)
    : CBaseInputPin(mux, std::move(name)), mux_(mux) {}

HRESULT AviMuxInputPin::QueryPinInterface(REFIID riid, void** object) {
  if (riid == IID_IAMStreamControl) {
    *object = static_cast<IAMStreamControl*>(this);
    AddRef();
    return S_OK;
  }
  return CBaseInputPin::QueryPinInterface(riid, object);
}

HRESULT AviMuxInputPin::CheckMediaType(const AM_MEDIA_TYPE* mediaType) {
  if (mediaType == nullptr) return E_POINTER;
  AVCodecParameters* parameters = avcodec_parameters_alloc();
  if (parameters == nullptr) return E_OUTOFMEMORY;
  const bool carried = av::ToCodecParameters(*mediaType, *parameters);
  avcodec_parameters_free(&parameters);
  return carried ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT AviMuxInputPin::CompleteConnect(IPin* receivePin) {
  const HRESULT hr = CBaseInputPin::CompleteConnect(receivePin);
  if (FAILED(hr)) return hr;
  std::lock_guard lock(Filter()->FilterLock());
  completed_ = true;
  mux_->InputConnected();
  return S_OK;
}

HRESULT AviMuxInputPin::BreakConnect() {
  const HRESULT hr = CBaseInputPin::BreakConnect();
  std::lock_guard lock(Filter()->FilterLock());
  // Failed attempts break connections that never completed: they change nothing.
  if (std::exchange(completed_, false)) mux_->InputDisconnected(this);
  return hr;
}

HRESULT AviMuxInputPin::Receive(IMediaSample* sample) {
  HRESULT hr = CBaseInputPin::Receive(sample);
  if (hr != S_OK) return hr;
  const int stream = Stream();
  if (stream < 0) return S_OK;  // no file is being written
  REFERENCE_TIME start = 0;
  REFERENCE_TIME stop = 0;
  const bool timed = SUCCEEDED(sample->GetTime(&start, &stop));
  if (!Passes(timed ? start : Now())) return S_OK;
  return mux_->WriteSample(stream, sample, timed ? &start : nullptr);
}

HRESULT AviMuxInputPin::EndOfStream() {
  const int stream = Stream();
  if (stream >= 0) mux_->InputEnded(stream);
  return S_OK;
}

// ---- Stream control --------------------------------------------------------------------------

REFERENCE_TIME AviMuxInputPin::Now() {
  REFERENCE_TIME now = 0;
  return SUCCEEDED(Filter()->StreamTime(&now)) ? now : kBeginning;
}

bool AviMuxInputPin::Passes(REFERENCE_TIME time) {
  std::lock_guard lock(controlLock_);
  return time >= start_ && time < stop_;
}

HRESULT AviMuxInputPin::StartAt(const REFERENCE_TIME* start, DWORD cookie) {
  const REFERENCE_TIME when = start != nullptr ? *start : Now();
  std::lock_guard lock(controlLock_);
  start_ = when;
  startCookie_ = cookie;
  startDefined_ = when != MAX_TIME;
  // A stop that has passed by the new start no longer holds.
  if (stop_ <= when && when != MAX_TIME) {
    stop_ = MAX_TIME;
    stopDefined_ = false;
  }
  return S_OK;
}

HRESULT AviMuxInputPin::StopAt(const REFERENCE_TIME* stop, BOOL sendExtra, DWORD cookie) {
  const REFERENCE_TIME when = stop != nullptr ? *stop : Now();
  std::lock_guard lock(controlLock_);
  stop_ = when;
  stopCookie_ = cookie;
  stopDefined_ = when != MAX_TIME;
  sendExtra_ = sendExtra != FALSE;
  return S_OK;
}

HRESULT AviMuxInputPin::GetInfo(AM_STREAM_INFO* info) {
  if (info == nullptr) return E_POINTER;
  const REFERENCE_TIME now = Now();
  std::lock_guard lock(controlLock_);
  *info = AM_STREAM_INFO{};
  info->tStart = start_ == kBeginning ? 0 : start_;
  info->tStop = stop_;
  info->dwStartCookie = startCookie_;
  info->dwStopCookie = stopCookie_;
  if (startDefined_) info->dwFlags |= AM_STREAM_INFO_START_DEFINED;
  if (stopDefined_) info->dwFlags |= AM_STREAM_INFO_STOP_DEFINED;
  if (sendExtra_) info->dwFlags |= AM_STREAM_INFO_STOP_SEND_EXTRA;
  if (now < start_ || now >= stop_) info->dwFlags |= AM_STREAM_INFO_DISCARDING;
  return S_OK;
}

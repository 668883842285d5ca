#include "dshow/base/SeekingPassThru.h"

#include "dshow/base/BasePin.h"

CSeekingPassThru::CSeekingPassThru(IUnknown* owner, std::function<CBasePin*()> input)
    : owner_(owner), input_(std::move(input)) {}

HRESULT CSeekingPassThru::QueryInterface(REFIID riid, void** object) {
  return owner_->QueryInterface(riid, object);
}

HRESULT CSeekingPassThru::Upstream(ComPtr<IMediaSeeking>* seeking) {
  seeking->Reset();
  ComPtr<IPin> peer;
  CBasePin* input = input_();
  if (input == nullptr || FAILED(input->ConnectedTo(peer.ReleaseAndGetAddressOf())))
    return E_NOTIMPL;
  if (FAILED(peer.As(seeking))) return E_NOTIMPL;
  return S_OK;
}

// Each call: the upstream answer, or E_NOTIMPL when nothing upstream seeks.
#define PASS_UPSTREAM(call)                          \
  ComPtr<IMediaSeeking> upstream;                    \
  if (FAILED(Upstream(&upstream))) return E_NOTIMPL; \
  return upstream->call

HRESULT CSeekingPassThru::GetCapabilities(DWORD* capabilities) {
  PASS_UPSTREAM(GetCapabilities(capabilities));
}
HRESULT CSeekingPassThru::CheckCapabilities(DWORD* capabilities) {
  PASS_UPSTREAM(CheckCapabilities(capabilities));
}
HRESULT CSeekingPassThru::IsFormatSupported(const GUID* format) {
  PASS_UPSTREAM(IsFormatSupported(format));
}
HRESULT CSeekingPassThru::QueryPreferredFormat(GUID* format) {
  PASS_UPSTREAM(QueryPreferredFormat(format));
}
HRESULT CSeekingPassThru::GetTimeFormat(GUID* format) {
  PASS_UPSTREAM(GetTimeFormat(format));
}
HRESULT CSeekingPassThru::IsUsingTimeFormat(const GUID* format) {
  PASS_UPSTREAM(IsUsingTimeFormat(format));
}
HRESULT CSeekingPassThru::SetTimeFormat(const GUID* format) {
  PASS_UPSTREAM(SetTimeFormat(format));
}
HRESULT CSeekingPassThru::GetDuration(LONGLONG* duration) {
  PASS_UPSTREAM(GetDuration(duration));
}
HRESULT CSeekingPassThru::GetStopPosition(LONGLONG* stop) {
  PASS_UPSTREAM(GetStopPosition(stop));
}
HRESULT CSeekingPassThru::GetCurrentPosition(LONGLONG* current) {
  PASS_UPSTREAM(GetCurrentPosition(current));
}
HRESULT CSeekingPassThru::ConvertTimeFormat(LONGLONG* target, const GUID* targetFormat,
                                            LONGLONG source, const GUID* sourceFormat) {
  PASS_UPSTREAM(ConvertTimeFormat(target, targetFormat, source, sourceFormat));
}
HRESULT CSeekingPassThru::SetPositions(LONGLONG* current, DWORD currentFlags, LONGLONG* stop,
                                       DWORD stopFlags) {
  PASS_UPSTREAM(SetPositions(current, currentFlags, stop, stopFlags));
}
HRESULT CSeekingPassThru::GetPositions(LONGLONG* current, LONGLONG* stop) {
  PASS_UPSTREAM(GetPositions(current, stop));
}
HRESULT CSeekingPassThru::GetAvailable(LONGLONG* earliest, LONGLONG* latest) {
  PASS_UPSTREAM(GetAvailable(earliest, latest));
}
HRESULT CSeekingPassThru::SetRate(double rate) {
  PASS_UPSTREAM(SetRate(rate));
}
HRESULT CSeekingPassThru::GetRate(double* rate) {
  PASS_UPSTREAM(GetRate(rate));
}
HRESULT CSeekingPassThru::GetPreroll(LONGLONG* preroll) {
  PASS_UPSTREAM(GetPreroll(preroll));
}

#undef PASS_UPSTREAM

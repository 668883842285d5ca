#include "dshow/base/Source.h"

CSource::CSource(const CLSID& clsid) : CBaseFilter(clsid) {}

CSource::~CSource() = default;

CBasePin* CSource::GetPin(int index) {
  if (index < 0 || index >= GetPinCount()) return nullptr;
  return pins_[static_cast<std::size_t>(index)].get();
}

void CSource::WakePins() {
  for (auto& pin : pins_)
    pin->Wake();
}

HRESULT CSource::Stop() {
  if (IsStopped()) return S_OK;
  // The threads end before the filter lock is taken: they may need it to finish a buffer.
  SetState(State_Stopped);
  for (auto& pin : pins_)
    pin->StopThread();
  std::lock_guard lock(FilterLock());
  return DeactivatePins();
}

HRESULT CSource::Pause() {
  const HRESULT hr = CBaseFilter::Pause();
  if (FAILED(hr)) return hr;
  // The threads started while the state was still Stopped, or were running: both look again.
  WakePins();
  return IsLive() ? VFW_S_CANT_CUE : S_OK;
}

HRESULT CSource::Run(REFERENCE_TIME start) {
  const HRESULT hr = CBaseFilter::Run(start);
  if (FAILED(hr)) return hr;
  WakePins();
  return S_OK;
}

HRESULT CSource::GetState(DWORD msTimeout, FILTER_STATE* state) {
  const HRESULT hr = CBaseFilter::GetState(msTimeout, state);
  if (FAILED(hr)) return hr;
  return (IsLive() && *state == State_Paused) ? VFW_S_CANT_CUE : S_OK;
}

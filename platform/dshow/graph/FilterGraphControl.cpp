// The graph's state: IMediaControl, the reference clock and stream time.

#include <chrono>

#include "clock/Clock.h"
#include "com/Diagnostics.h"
#include "dshow/graph/FilterGraph.h"
#include "dshow/graph/PinQueries.h"
#include "dshow/graph/SystemClock.h"

namespace dshow {

HRESULT FilterGraph::SetDefaultSyncSource() {
  std::lock_guard lock(lock_);
  ComPtr<IReferenceClock> chosen;
  // A filter with a clock of its own (an audio renderer) paces the graph best.
  for (const auto& member : filters_) {
    if (SUCCEEDED(member.filter.As(&chosen))) break;
  }
  if (!chosen) chosen = MakeComObject<SystemClock>();
  clock_ = chosen;
  for (const auto& member : filters_) {
    (void)member.filter->SetSyncSource(clock_.Get());  // a filter without a clock still runs
  }
  return S_OK;
}

REFERENCE_TIME FilterGraph::ClockTime() {
  REFERENCE_TIME now = 0;
  if (clock_) (void)clock_->GetTime(&now);  // a failing clock reads as 0
  return now;
}

int FilterGraph::CountRenderers() const {
  int count = 0;
  for (const auto& member : filters_) {
    if (IsRenderer(member.filter.Get())) ++count;
  }
  return count;
}

void FilterGraph::StopFilters(const std::vector<ComPtr<IBaseFilter>>& order) {
  for (const auto& filter : order) {
    const HRESULT hr = filter->Stop();
    if (FAILED(hr)) {
      diag::Warn("dshow",
                 "filter \"" + FilterName(filter.Get()) + "\" failed to stop: " + HResultText(hr));
    }
  }
  state_ = State_Stopped;
  live_.store(false, std::memory_order_release);
  pausePending_ = false;
}

HRESULT FilterGraph::PauseFilters() {
  if (!clock_) (void)SetDefaultSyncSource();  // always succeeds
  if (state_ == State_Stopped) events_.ExpectRenderers(CountRenderers());
  const std::vector<ComPtr<IBaseFilter>> order = DownstreamFirst();
  bool cantCue = false;
  bool intermediate = false;
  for (const auto& filter : order) {
    const HRESULT hr = filter->Pause();
    if (FAILED(hr)) {
      diag::Warn("dshow",
                 "filter \"" + FilterName(filter.Get()) + "\" failed to pause: " + HResultText(hr));
      StopFilters(order);
      return hr;
    }
    if (hr == VFW_S_CANT_CUE) cantCue = true;
    if (hr == S_FALSE) intermediate = true;
  }
  if (state_ == State_Running) pausedAt_ = ClockTime();
  // Paused from Stopped, stream time stands at 0 until the graph runs.
  if (state_ == State_Stopped) start_ = pausedAt_ = ClockTime();
  state_ = State_Paused;
  live_.store(cantCue, std::memory_order_release);
  if (cantCue) return VFW_S_CANT_CUE;
  return intermediate ? S_FALSE : S_OK;
}

HRESULT FilterGraph::Pause() {
  std::lock_guard lock(lock_);
  if (state_ == State_Paused) return live_ ? VFW_S_CANT_CUE : S_OK;
  const HRESULT hr = PauseFilters();
  if (FAILED(hr)) return hr;
  // VFW_S_CANT_CUE counts as complete: a live graph's renderers wait for no sample.
  if (hr == S_FALSE) {
    pausePending_ = true;  // EC_PAUSED follows when GetState finds the pause complete
  } else {
    events_.Notify(EC_PAUSED, S_OK, 0);
  }
  return hr;
}

HRESULT FilterGraph::Run() {
  std::lock_guard lock(lock_);
  if (state_ == State_Running) return S_OK;
  const bool fromStop = state_ == State_Stopped;
  if (fromStop) {
    const HRESULT hr = PauseFilters();  // on the way to running: no EC_PAUSED
    if (FAILED(hr)) return hr;
  }
  const REFERENCE_TIME now = ClockTime();
  if (fromStop) {
    start_ = now;
  } else {
    start_ += now - pausedAt_;
  }
  const std::vector<ComPtr<IBaseFilter>> order = DownstreamFirst();
  for (const auto& filter : order) {
    const HRESULT hr = filter->Run(start_);
    if (FAILED(hr)) {
      diag::Warn("dshow",
                 "filter \"" + FilterName(filter.Get()) + "\" failed to run: " + HResultText(hr));
      StopFilters(order);
      return hr;
    }
  }
  state_ = State_Running;
  pausePending_ = false;
  return S_OK;
}

HRESULT FilterGraph::Stop() {
  std::lock_guard lock(lock_);
  if (state_ == State_Stopped) return S_OK;
  StopFilters(DownstreamFirst());
  return S_OK;
}

HRESULT FilterGraph::GetState(LONG msTimeout, OAFilterState* state) {
  if (state == nullptr) return E_POINTER;
  std::lock_guard lock(lock_);
  *state = state_;
  if (state_ != State_Paused) return S_OK;
  using Clock = std::chrono::steady_clock;
  const auto deadline = Clock::now() + std::chrono::milliseconds(msTimeout < 0 ? 0 : msTimeout);
  bool cantCue = live_.load(std::memory_order_acquire);
  bool intermediate = false;
  for (const auto& member : filters_) {
    DWORD wait = 0;
    if (msTimeout < 0) {
      wait = INFINITE;
    } else {
      const auto left =
          std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
      wait = left.count() > 0 ? static_cast<DWORD>(left.count()) : 0;
    }
    // A live graph cannot cue: nothing is worth waiting for.
    if (cantCue) wait = 0;
    FILTER_STATE filterState = State_Stopped;
    const HRESULT hr = member.filter->GetState(wait, &filterState);
    if (FAILED(hr)) return hr;
    if (hr == VFW_S_CANT_CUE) cantCue = true;
    if (hr == VFW_S_STATE_INTERMEDIATE) intermediate = true;
  }
  if (cantCue) return VFW_S_CANT_CUE;
  if (intermediate) return VFW_S_STATE_INTERMEDIATE;
  if (pausePending_) {
    pausePending_ = false;
    events_.Notify(EC_PAUSED, S_OK, 0);
  }
  return S_OK;
}

HRESULT FilterGraph::StopWhenReady() {
  std::lock_guard lock(lock_);
  HRESULT hr = Pause();
  if (FAILED(hr)) return hr;
  OAFilterState state = State_Paused;
  hr = GetState(-1, &state);
  if (FAILED(hr)) return hr;
  return Stop();
}

HRESULT FilterGraph::RenderFile(LPCOLESTR file) {
  return RenderFile(file, nullptr);
}

}  // namespace dshow

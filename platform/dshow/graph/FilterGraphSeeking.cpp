// IMediaSeeking of the graph: passed to the filters that seek. Renderers are asked first (they
// pass the call upstream to the source); when no renderer seeks, any filter that does.
//
// A new position or rate starts a new segment, whose samples are timed from 0: stream time
// starts again at 0 with it. A running graph is paused for the seek and runs again from there;
// a paused one runs from stream time 0 when it runs next.

#include <algorithm>

#include "dshow/Uuids.h"
#include "dshow/graph/FilterGraph.h"
#include "dshow/graph/PinQueries.h"

namespace dshow {

std::vector<ComPtr<IMediaSeeking>> FilterGraph::SeekingFilters() const {
  std::vector<ComPtr<IMediaSeeking>> renderers;
  std::vector<ComPtr<IMediaSeeking>> others;
  for (const auto& member : filters_) {
    ComPtr<IMediaSeeking> seeking;
    if (FAILED(member.filter.As(&seeking))) continue;
    DWORD capabilities = 0;
    if (FAILED(seeking->GetCapabilities(&capabilities))) continue;  // passes to nothing
    (IsRenderer(member.filter.Get()) ? renderers : others).push_back(std::move(seeking));
  }
  return renderers.empty() ? others : renderers;
}

REFERENCE_TIME FilterGraph::StreamTimeNow() {
  switch (state_) {
    case State_Running:
      return std::max<REFERENCE_TIME>(0, ClockTime() - start_);
    case State_Paused:
      return std::max<REFERENCE_TIME>(0, pausedAt_ - start_);
    default:
      return 0;
  }
}

HRESULT FilterGraph::GetCapabilities(DWORD* capabilities) {
  if (capabilities == nullptr) return E_POINTER;
  std::lock_guard lock(lock_);
  const auto filters = SeekingFilters();
  if (filters.empty()) {
    *capabilities = AM_SEEKING_CanGetCurrentPos;  // from the graph's own stream time
    return S_OK;
  }
  DWORD all = ~DWORD{0};
  for (const auto& filter : filters) {
    DWORD one = 0;
    if (SUCCEEDED(filter->GetCapabilities(&one))) all &= one;
  }
  *capabilities = all;
  return S_OK;
}

HRESULT FilterGraph::CheckCapabilities(DWORD* capabilities) {
  if (capabilities == nullptr) return E_POINTER;
  DWORD have = 0;
  const HRESULT hr = GetCapabilities(&have);
  if (FAILED(hr)) return hr;
  const DWORD wanted = *capabilities;
  *capabilities &= have;
  if (*capabilities == wanted) return S_OK;
  return *capabilities == 0 ? E_FAIL : S_FALSE;
}

HRESULT FilterGraph::IsFormatSupported(const GUID* format) {
  if (format == nullptr) return E_POINTER;
  if (*format == TIME_FORMAT_MEDIA_TIME) return S_OK;
  std::lock_guard lock(lock_);
  const auto filters = SeekingFilters();
  if (filters.empty()) return S_FALSE;
  for (const auto& filter : filters) {
    if (filter->IsFormatSupported(format) != S_OK) return S_FALSE;
  }
  return S_OK;
}

HRESULT FilterGraph::QueryPreferredFormat(GUID* format) {
  if (format == nullptr) return E_POINTER;
  *format = TIME_FORMAT_MEDIA_TIME;
  return S_OK;
}

HRESULT FilterGraph::GetTimeFormat(GUID* format) {
  if (format == nullptr) return E_POINTER;
  std::lock_guard lock(lock_);
  *format = timeFormat_;
  return S_OK;
}

HRESULT FilterGraph::IsUsingTimeFormat(const GUID* format) {
  if (format == nullptr) return E_POINTER;
  std::lock_guard lock(lock_);
  return *format == timeFormat_ ? S_OK : S_FALSE;
}

HRESULT FilterGraph::SetTimeFormat(const GUID* format) {
  if (format == nullptr) return E_POINTER;
  std::lock_guard lock(lock_);
  if (state_ != State_Stopped) return VFW_E_WRONG_STATE;
  if (IsFormatSupported(format) != S_OK) return E_INVALIDARG;
  for (const auto& filter : SeekingFilters()) {
    (void)filter->SetTimeFormat(format);  // every filter said it supports the format
  }
  timeFormat_ = *format;
  return S_OK;
}

HRESULT FilterGraph::GetDuration(LONGLONG* duration) {
  if (duration == nullptr) return E_POINTER;
  std::lock_guard lock(lock_);
  bool found = false;
  LONGLONG longest = 0;
  for (const auto& filter : SeekingFilters()) {
    LONGLONG one = 0;
    if (FAILED(filter->GetDuration(&one))) continue;
    longest = found ? std::max(longest, one) : one;
    found = true;
  }
  if (!found) return E_NOTIMPL;
  *duration = longest;
  return S_OK;
}

HRESULT FilterGraph::GetStopPosition(LONGLONG* stop) {
  if (stop == nullptr) return E_POINTER;
  std::lock_guard lock(lock_);
  for (const auto& filter : SeekingFilters()) {
    if (SUCCEEDED(filter->GetStopPosition(stop))) return S_OK;
  }
  return E_NOTIMPL;
}

HRESULT FilterGraph::GetCurrentPosition(LONGLONG* current) {
  if (current == nullptr) return E_POINTER;
  std::lock_guard lock(lock_);
  for (const auto& filter : SeekingFilters()) {
    if (SUCCEEDED(filter->GetCurrentPosition(current))) return S_OK;
  }
  if (timeFormat_ != TIME_FORMAT_MEDIA_TIME) return E_NOTIMPL;
  *current = StreamTimeNow();
  return S_OK;
}

HRESULT FilterGraph::ConvertTimeFormat(LONGLONG* target, const GUID* targetFormat, LONGLONG source,
                                       const GUID* sourceFormat) {
  if (target == nullptr) return E_POINTER;
  std::lock_guard lock(lock_);
  const GUID to = targetFormat != nullptr ? *targetFormat : timeFormat_;
  const GUID from = sourceFormat != nullptr ? *sourceFormat : timeFormat_;
  if (to == from) {
    *target = source;
    return S_OK;
  }
  for (const auto& filter : SeekingFilters()) {
    if (SUCCEEDED(filter->ConvertTimeFormat(target, &to, source, &from))) return S_OK;
  }
  return E_NOTIMPL;
}

HRESULT FilterGraph::NewSegment(const std::function<HRESULT(IMediaSeeking&)>& change) {
  const bool running = state_ == State_Running;
  if (running) {
    const HRESULT paused = PauseFilters();
    if (FAILED(paused)) return paused;
  }
  HRESULT result = E_NOTIMPL;
  for (const auto& filter : SeekingFilters()) {
    const HRESULT hr = change(*filter.Get());
    if (SUCCEEDED(hr)) {
      result = S_OK;
    } else if (result == E_NOTIMPL) {
      result = hr;
    }
  }
  if (state_ == State_Stopped) return result;
  // Renderers may complete again at the new position.
  if (SUCCEEDED(result)) {
    events_.ExpectRenderers(CountRenderers());
    start_ = pausedAt_;  // stream time 0 now; Run moves the start on by the pause
  }
  if (!running) return result;
  state_ = State_Paused;
  const HRESULT ran = Run();
  return FAILED(ran) ? ran : result;
}

HRESULT FilterGraph::SetPositions(LONGLONG* current, DWORD currentFlags, LONGLONG* stop,
                                  DWORD stopFlags) {
  std::lock_guard lock(lock_);
  if ((currentFlags & AM_SEEKING_PositioningBitsMask) == AM_SEEKING_NoPositioning) {
    // Only the stop moves: the segment goes on.
    HRESULT result = E_NOTIMPL;
    for (const auto& filter : SeekingFilters()) {
      const HRESULT hr = filter->SetPositions(current, currentFlags, stop, stopFlags);
      if (SUCCEEDED(hr)) {
        result = S_OK;
      } else if (result == E_NOTIMPL) {
        result = hr;
      }
    }
    return result;
  }
  return NewSegment([&](IMediaSeeking& filter) {
    return filter.SetPositions(current, currentFlags, stop, stopFlags);
  });
}

HRESULT FilterGraph::GetPositions(LONGLONG* current, LONGLONG* stop) {
  if (current == nullptr || stop == nullptr) return E_POINTER;
  HRESULT hr = GetCurrentPosition(current);
  if (FAILED(hr)) return hr;
  hr = GetStopPosition(stop);
  if (hr == E_NOTIMPL) hr = GetDuration(stop);
  return hr;
}

HRESULT FilterGraph::GetAvailable(LONGLONG* earliest, LONGLONG* latest) {
  std::lock_guard lock(lock_);
  for (const auto& filter : SeekingFilters()) {
    if (SUCCEEDED(filter->GetAvailable(earliest, latest))) return S_OK;
  }
  return E_NOTIMPL;
}

HRESULT FilterGraph::SetRate(double rate) {
  if (rate == 0.0) return E_INVALIDARG;
  std::lock_guard lock(lock_);
  const HRESULT result = NewSegment([rate](IMediaSeeking& filter) { return filter.SetRate(rate); });
  if (SUCCEEDED(result)) rate_ = rate;
  return result;
}

HRESULT FilterGraph::GetRate(double* rate) {
  if (rate == nullptr) return E_POINTER;
  std::lock_guard lock(lock_);
  for (const auto& filter : SeekingFilters()) {
    if (SUCCEEDED(filter->GetRate(rate))) return S_OK;
  }
  *rate = rate_;
  return S_OK;
}

HRESULT FilterGraph::GetPreroll(LONGLONG* preroll) {
  if (preroll == nullptr) return E_POINTER;
  std::lock_guard lock(lock_);
  for (const auto& filter : SeekingFilters()) {
    if (SUCCEEDED(filter->GetPreroll(preroll))) return S_OK;
  }
  *preroll = 0;
  return S_OK;
}

}  // namespace dshow

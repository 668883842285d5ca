#pragma once
// The filter graph manager (CLSID_FilterGraph): membership and naming of filters, connection
// (direct, or through registered converters), rendering to registered renderers, the state of
// the whole graph (IMediaControl), its events (IMediaEventEx, and IMediaEventSink for the
// filters), seeking passed to the filters that can (IMediaSeeking) and the reference clock.
//
// State changes reach the filters downstream first: renderers, then the filters feeding them,
// sources last - on Pause and Run, and on Stop as well. Downstream filters are thus ready before
// anything is delivered to them, and when a source stops, everything below it already refuses
// samples and has decommitted its allocators, so no streaming thread can stay blocked in a
// downstream Receive or GetBuffer while its source waits for it to end. Stop returns when every
// filter has stopped, and a source's Stop joins its threads: no streaming thread of the graph
// is left.
//
// Run goes through Pause (EC_PAUSED is queued only for IMediaControl::Pause, when the pause is
// complete). Stream time 0 is the clock's time at the first Run; a Run after a
// pause moves it on by the length of the pause. A source that answers VFW_S_CANT_CUE makes the
// graph live (ILiveGraph): Pause and GetState then answer VFW_S_CANT_CUE and renderers present
// samples as they arrive.
//
// The graph owns its filters (and disconnects them when they leave or it goes); filters keep a
// plain pointer to the graph. Threads: everything from the application's thread, except
// IMediaEventSink::Notify (any thread) and ILiveGraph (renderers, at Run).

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "com/Com.h"
#include "dshow/GraphInterfaces.h"
#include "dshow/base/LiveGraph.h"
#include "dshow/base/MediaEventSink.h"
#include "dshow/graph/FilterRegistry.h"
#include "dshow/graph/MediaEvents.h"

namespace dshow {

class FilterGraph final : public ComObject<FilterGraph, IGraphBuilder, IMediaControl, IMediaEventEx,
                                           IMediaSeeking, IMediaEventSink, ILiveGraph> {
 public:
  FilterGraph();
  ~FilterGraph() override;

  // IFilterGraph
  HRESULT AddFilter(IBaseFilter* filter, LPCOLESTR name) override;
  HRESULT RemoveFilter(IBaseFilter* filter) override;
  HRESULT EnumFilters(IEnumFilters** enumerator) override;
  HRESULT FindFilterByName(LPCOLESTR name, IBaseFilter** filter) override;
  HRESULT ConnectDirect(IPin* output, IPin* input, const AM_MEDIA_TYPE* mediaType) override;
  HRESULT Reconnect(IPin* pin) override;
  HRESULT Disconnect(IPin* pin) override;
  HRESULT SetDefaultSyncSource() override;

  // IGraphBuilder
  HRESULT Connect(IPin* output, IPin* input) override;
  HRESULT Render(IPin* output) override;
  HRESULT RenderFile(LPCOLESTR file, LPCOLESTR playList) override;
  HRESULT AddSourceFilter(LPCOLESTR file, LPCOLESTR filterName, IBaseFilter** filter) override;
  HRESULT SetLogFile(DWORD_PTR file) override;
  HRESULT Abort() override;
  HRESULT ShouldOperationContinue() override;

  // IMediaControl
  HRESULT Run() override;
  HRESULT Pause() override;
  HRESULT Stop() override;
  HRESULT GetState(LONG msTimeout, OAFilterState* state) override;
  HRESULT RenderFile(LPCOLESTR file) override;
  HRESULT StopWhenReady() override;

  // IMediaEvent, IMediaEventEx
  HRESULT GetEventHandle(OAEVENT* event) override;
  HRESULT GetEvent(LONG* eventCode, LONG_PTR* param1, LONG_PTR* param2, LONG msTimeout) override;
  HRESULT WaitForCompletion(LONG msTimeout, LONG* eventCode) override;
  HRESULT CancelDefaultHandling(LONG eventCode) override;
  HRESULT RestoreDefaultHandling(LONG eventCode) override;
  HRESULT FreeEventParams(LONG eventCode, LONG_PTR param1, LONG_PTR param2) override;
  HRESULT SetNotifyWindow(OAHWND window, LONG message, LONG_PTR instanceData) override;
  HRESULT SetNotifyFlags(LONG flags) override;
  HRESULT GetNotifyFlags(LONG* flags) override;

  // IMediaSeeking: passed to the renderers that seek (else to any filter that does); the
  // current position falls back to the graph's stream time.
  HRESULT GetCapabilities(DWORD* capabilities) override;
  HRESULT CheckCapabilities(DWORD* capabilities) override;
  HRESULT IsFormatSupported(const GUID* format) override;
  HRESULT QueryPreferredFormat(GUID* format) override;
  HRESULT GetTimeFormat(GUID* format) override;
  HRESULT IsUsingTimeFormat(const GUID* format) override;
  HRESULT SetTimeFormat(const GUID* format) override;
  HRESULT GetDuration(LONGLONG* duration) override;
  HRESULT GetStopPosition(LONGLONG* stop) override;
  HRESULT GetCurrentPosition(LONGLONG* current) override;
  HRESULT ConvertTimeFormat(LONGLONG* target, const GUID* targetFormat, LONGLONG source,
                            const GUID* sourceFormat) override;
  HRESULT SetPositions(LONGLONG* current, DWORD currentFlags, LONGLONG* stop,
                       DWORD stopFlags) override;
  HRESULT GetPositions(LONGLONG* current, LONGLONG* stop) override;
  HRESULT GetAvailable(LONGLONG* earliest, LONGLONG* latest) override;
  HRESULT SetRate(double rate) override;
  HRESULT GetRate(double* rate) override;
  HRESULT GetPreroll(LONGLONG* preroll) override;

  // IMediaEventSink (any thread)
  HRESULT Notify(LONG eventCode, LONG_PTR param1, LONG_PTR param2) override;

  // ILiveGraph
  BOOL IsLive() override { return live_.load(std::memory_order_acquire) ? TRUE : FALSE; }

 protected:
  HRESULT QueryExtraInterface(REFIID riid, void** object) override;

 private:
  struct Member {
    ComPtr<IBaseFilter> filter;
    std::string name;
  };

  // ---- Membership (FilterGraph.cpp) ----
  bool Contains(IBaseFilter* filter) const;
  bool NameTaken(const std::string& name) const;
  std::string UniqueName(const std::string& wanted);
  void DisconnectAll(IBaseFilter* filter);
  // Filters with every filter downstream of it before it.
  std::vector<ComPtr<IBaseFilter>> DownstreamFirst() const;

  // ---- Building (FilterGraphConnect.cpp) ----
  HRESULT ConnectThrough(IPin* output, IPin* input, int depth);
  HRESULT TryConverter(const FilterRegistration& converter, IPin* output, IPin* input, int depth);
  HRESULT RenderPin(IPin* output, int depth);
  HRESULT RenderThroughConverter(const FilterRegistration& converter, IPin* output, int depth);
  // Creates the class and adds it under its registered name.
  HRESULT AddRegistered(const FilterRegistration& registration, ComPtr<IBaseFilter>* filter);

  // ---- Control (FilterGraphControl.cpp) ----
  // Pauses every filter: S_OK, S_FALSE while a renderer waits for a sample, VFW_S_CANT_CUE.
  HRESULT PauseFilters();
  REFERENCE_TIME ClockTime();
  void StopFilters(const std::vector<ComPtr<IBaseFilter>>& order);
  int CountRenderers() const;

  // ---- Seeking (FilterGraphSeeking.cpp) ----
  std::vector<ComPtr<IMediaSeeking>> SeekingFilters() const;
  REFERENCE_TIME StreamTimeNow();
  // Applies a new position or rate to the seeking filters as a new segment from stream time 0.
  HRESULT NewSegment(const std::function<HRESULT(IMediaSeeking&)>& change);

  // Guards everything below; held by the application's thread through whole operations.
  mutable std::recursive_mutex lock_;
  std::vector<Member> filters_;
  int generatedNames_ = 0;
  FILTER_STATE state_ = State_Stopped;
  ComPtr<IReferenceClock> clock_;
  REFERENCE_TIME start_ = 0;
  REFERENCE_TIME pausedAt_ = 0;
  bool pausePending_ = false;
  GUID timeFormat_;
  double rate_ = 1.0;
  DWORD_PTR logFile_ = 0;
  std::atomic<bool> aborted_{false};
  std::atomic<bool> live_{false};
  MediaEvents events_;
};

}  // namespace dshow

#pragma once
// Helpers for the system filter tests: a graph stand-in that records events, a source of chosen
// frames, a renderer that keeps what it receives (and can stall), and a chain of filters driven
// through their states in the order a graph uses.

#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <vector>

#include "com/Com.h"
#include "dshow/base/BaseRenderer.h"
#include "dshow/base/MediaEventSink.h"
#include "dshow/base/Source.h"

namespace filter_test {

// Waits (without sleeping on the answer) until the condition holds or a generous deadline.
bool WaitUntil(const std::function<bool()>& condition);

// Membership and events: what filters need of their graph.
class EventGraph final : public ComObject<EventGraph, IFilterGraph, IMediaEventSink> {
 public:
  HRESULT AddFilter(IBaseFilter* filter, LPCOLESTR name) override;
  HRESULT RemoveFilter(IBaseFilter* filter) override;
  HRESULT EnumFilters(IEnumFilters**) override { return E_NOTIMPL; }
  HRESULT FindFilterByName(LPCOLESTR, IBaseFilter**) override { return E_NOTIMPL; }
  HRESULT ConnectDirect(IPin* output, IPin* input, const AM_MEDIA_TYPE* mediaType) override;
  HRESULT Reconnect(IPin*) override { return E_NOTIMPL; }
  HRESULT Disconnect(IPin* pin) override { return pin->Disconnect(); }
  HRESULT SetDefaultSyncSource() override { return E_NOTIMPL; }
  HRESULT Notify(LONG eventCode, LONG_PTR param1, LONG_PTR param2) override;

  struct Event {
    LONG code;
    LONG_PTR param1;
  };
  std::vector<Event> Events();
  int Count(LONG code);

 private:
  std::mutex lock_;
  std::vector<Event> events_;
};

class FrameSource;

// Delivers copies of one frame; with time stamps 40 ms apart when asked.
class FrameStream final : public CSourceStream {
 public:
  FrameStream(FrameSource* source, MediaType type, std::vector<BYTE> frame);

  HRESULT CheckMediaType(const AM_MEDIA_TYPE* mediaType) override;
  HRESULT GetMediaType(int position, MediaType* mediaType) override;
  HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) override;

  std::atomic<int> delivered{0};
  std::atomic<bool> timeStamps{false};
  // Frames after which the stream ends; -1 for never.
  std::atomic<int> frameLimit{-1};
  // With time stamps: every skipEvery-th frame time is left out, as by a device that drops
  // frames (0: none left out).
  std::atomic<int> skipEvery{0};

 protected:
  HRESULT FillBuffer(IMediaSample* sample) override;

 private:
  MediaType type_;
  std::vector<BYTE> frame_;
};

class FrameSource final : public CSource {
 public:
  // An empty frame is sized from the type and filled with a ramp.
  explicit FrameSource(MediaType type, std::vector<BYTE> frame = {});
  FrameStream* Stream() { return stream_; }

 private:
  FrameStream* stream_;
};

// Accepts the listed subtypes of any major type (anything when the list is empty), keeps the
// last sample's bytes and whether it had times, counts samples, and can hold the streaming
// thread in DoRenderSample until released.
class CapturingRenderer final : public CBaseRenderer {
 public:
  explicit CapturingRenderer(std::vector<GUID> subtypes = {});

  HRESULT CheckMediaType(const AM_MEDIA_TYPE* mediaType) override;
  HRESULT GetMediaType(int position, MediaType* mediaType) override;
  HRESULT DoRenderSample(IMediaSample* sample) override;

  void Hold();
  void Unhold();
  int Samples();
  std::vector<BYTE> LastFrame();
  bool LastHadTimes();
  bool Waiting();

 private:
  const std::vector<GUID> subtypes_;
  std::mutex lock_;
  std::condition_variable released_;
  bool held_ = false;
  bool waiting_ = false;
  int samples_ = 0;
  std::vector<BYTE> last_;
  bool lastHadTimes_ = false;
};

// The pin of the filter with that direction and index among them, or null.
ComPtr<IPin> PinOf(IBaseFilter* filter, PIN_DIRECTION direction, int index = 0);
// Connects the first unconnected output of from to the first unconnected input of to.
HRESULT ConnectFilters(IBaseFilter* from, IBaseFilter* to, const AM_MEDIA_TYPE* type = nullptr);

// Disconnects every pin of the filter (connected pins hold their peers' filters: a cycle).
void DisconnectAll(IBaseFilter* filter);

// Filters in stream order, in one EventGraph, taken through states as a graph does: renderers
// (the last ones) first when starting and when stopping. Stopped and disconnected when
// destroyed.
class FilterChain {
 public:
  FilterChain();
  ~FilterChain();
  FilterChain(const FilterChain&) = delete;
  FilterChain& operator=(const FilterChain&) = delete;

  // Upstream filters first.
  void Add(IBaseFilter* filter, const char* name);
  HRESULT Pause();
  HRESULT Run();
  HRESULT Stop();
  EventGraph& Graph() { return *graph_.Get(); }

 private:
  ComPtr<EventGraph> graph_;
  std::vector<ComPtr<IBaseFilter>> filters_;
};

}  // namespace filter_test

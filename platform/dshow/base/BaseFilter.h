#pragma once
// CBaseFilter: the common part of every filter of the framework. It implements IBaseFilter with
// the state machine Stopped - Paused - Running, the membership of a graph (a non-owning graph
// pointer and the name the graph gave), the reference clock, the pin list (through GetPinCount
// and GetPin) and event notification to the graph.
//
// A derived filter owns its pins (CBasePin and derived), which count their references on the
// filter. It answers further interfaces by overriding QueryFilterInterface.
//
// Threads and locks: the application's thread (through the graph) changes states and
// connections; the filter lock (FilterLock(), recursive; pins share it) guards the filter's own
// state and is never held while calling into another filter (see BasePin.h). State changes run
// under it, with their hooks (Active, Inactive, StartStreaming ...). Streaming threads never need
// the filter lock to move samples: they read the state, the start time and the event sink,
// which are atomic. A filter is stopped (its threads joined) before its last reference goes; the
// graph stops every filter before it releases them.

#include <atomic>
#include <mutex>
#include <string>

#include "com/ComPtr.h"
#include "dshow/FilterInterfaces.h"
#include "dshow/base/MediaEventSink.h"

class CBasePin;

class CBaseFilter : public IBaseFilter {
 public:
  explicit CBaseFilter(const CLSID& clsid);
  CBaseFilter(const CBaseFilter&) = delete;
  CBaseFilter& operator=(const CBaseFilter&) = delete;

  // IUnknown: IBaseFilter, IMediaFilter, IPersist, then QueryFilterInterface.
  HRESULT QueryInterface(REFIID riid, void** object) override;
  ULONG AddRef() override;
  ULONG Release() override;

  // IPersist
  HRESULT GetClassID(CLSID* clsid) override;

  // IMediaFilter. Pause from Stopped activates the connected pins (output pins commit their
  // allocators), Stop deactivates them, Run pauses first when stopped and then runs the pins.
  HRESULT Stop() override;
  HRESULT Pause() override;
  HRESULT Run(REFERENCE_TIME start) override;
  HRESULT GetState(DWORD msTimeout, FILTER_STATE* state) override;
  HRESULT SetSyncSource(IReferenceClock* clock) override;
  HRESULT GetSyncSource(IReferenceClock** clock) override;

  // IBaseFilter
  HRESULT EnumPins(IEnumPins** enumerator) override;
  HRESULT FindPin(LPCOLESTR id, IPin** pin) override;
  HRESULT QueryFilterInfo(FILTER_INFO* info) override;
  HRESULT JoinFilterGraph(IFilterGraph* graph, LPCOLESTR name) override;
  HRESULT QueryVendorInfo(LPOLESTR* vendorInfo) override;

  // The pins, in the order EnumPins gives them. Called under the filter lock.
  virtual int GetPinCount() = 0;
  virtual CBasePin* GetPin(int index) = 0;

  std::recursive_mutex& FilterLock() { return filterLock_; }
  FILTER_STATE State() const { return state_.load(std::memory_order_acquire); }
  bool IsStopped() const { return State() == State_Stopped; }
  bool IsActive() const { return State() != State_Stopped; }
  // The reference time at which stream time 0 was (the argument of the last Run).
  REFERENCE_TIME StartTime() const { return start_.load(std::memory_order_acquire); }
  // Stream time now: the clock's time less the start time. VFW_E_NO_CLOCK without a clock.
  HRESULT StreamTime(REFERENCE_TIME* streamTime);
  ComPtr<IReferenceClock> Clock();
  // The graph the filter is in (not owned), and the name it has there. Application thread.
  IFilterGraph* Graph() const { return graph_; }
  const std::string& Name() const { return name_; }

  // Queues an event in the graph. Any thread. EC_COMPLETE carries this filter as param2.
  // E_NOTIMPL when the filter is in no graph.
  HRESULT NotifyEvent(LONG eventCode, LONG_PTR param1, LONG_PTR param2);

 protected:
  virtual ~CBaseFilter();

  // Further interfaces; must AddRef what it returns. The default answers none.
  virtual HRESULT QueryFilterInterface(REFIID riid, void** object);

  // For derived state changes that do their own pin handling.
  void SetState(FILTER_STATE state) { state_.store(state, std::memory_order_release); }
  // Activates or deactivates every connected pin; the first failure is returned, all are tried.
  HRESULT ActivatePins();
  HRESULT DeactivatePins();

 private:
  const CLSID clsid_;
  std::atomic<ULONG> refs_{1};
  std::recursive_mutex filterLock_;
  std::atomic<FILTER_STATE> state_{State_Stopped};
  std::atomic<REFERENCE_TIME> start_{0};
  std::mutex clockLock_;
  ComPtr<IReferenceClock> clock_;
  IFilterGraph* graph_ = nullptr;
  std::string name_;
  // Borrowed from the graph while the filter is in it: the graph outlives its members.
  std::atomic<IMediaEventSink*> eventSink_{nullptr};
};

#pragma once
// Small stand-ins for media framework objects, so that the component's state machine and device
// lists are tested without real graphs: a filter, and a graph that also answers media control and
// media events the way the tests script it.

#include <deque>
#include <string>
#include <utility>
#include <vector>

#include "com/Com.h"
#include "dshow/DShow.h"

namespace rudozav_test {

class FakeFilter : public ComObject<FakeFilter, IBaseFilter> {
 public:
  // A filter whose driver serves another program: graphs refuse it.
  bool refusesGraphs = false;

  HRESULT GetClassID(CLSID* clsid) override;
  HRESULT Stop() override { return S_OK; }
  HRESULT Pause() override { return S_OK; }
  HRESULT Run(REFERENCE_TIME) override { return S_OK; }
  HRESULT GetState(DWORD, FILTER_STATE* state) override;
  HRESULT SetSyncSource(IReferenceClock*) override { return S_OK; }
  HRESULT GetSyncSource(IReferenceClock**) override { return E_NOTIMPL; }
  HRESULT EnumPins(IEnumPins**) override { return E_NOTIMPL; }
  HRESULT FindPin(LPCOLESTR, IPin**) override { return VFW_E_NOT_FOUND; }
  HRESULT QueryFilterInfo(FILTER_INFO*) override { return E_NOTIMPL; }
  HRESULT JoinFilterGraph(IFilterGraph*, LPCOLESTR) override { return S_OK; }
  HRESULT QueryVendorInfo(LPOLESTR*) override { return E_NOTIMPL; }
};

class FakeGraph : public ComObject<FakeGraph, IGraphBuilder, IMediaControl, IMediaEventEx> {
 public:
  // Filters by name, in the order added.
  std::vector<std::pair<std::string, ComPtr<IBaseFilter>>> filters;
  // Media control: what was asked, what Run answers, and how many GetState calls report an
  // unfinished transition before S_OK.
  std::vector<std::string> controlCalls;
  HRESULT runResult = S_OK;
  int intermediateStates = 0;
  // Media events waiting to be read, and what was freed and set.
  std::deque<LONG> events;
  LONG_PTR eventParam1 = 0;  // the first parameter of every event read
  int freedEvents = 0;
  OAHWND notifyWindow = 0;
  LONG notifyMessage = 0;
  LONG notifyFlags = 0;

  bool HasFilter(const std::string& name) const;

  // IFilterGraph and IGraphBuilder.
  HRESULT AddFilter(IBaseFilter* filter, LPCOLESTR name) override;
  HRESULT RemoveFilter(IBaseFilter* filter) override;
  HRESULT EnumFilters(IEnumFilters**) override { return E_NOTIMPL; }
  HRESULT FindFilterByName(LPCOLESTR name, IBaseFilter** filter) override;
  HRESULT ConnectDirect(IPin*, IPin*, const AM_MEDIA_TYPE*) override { return E_NOTIMPL; }
  HRESULT Reconnect(IPin*) override { return E_NOTIMPL; }
  HRESULT Disconnect(IPin*) override { return E_NOTIMPL; }
  HRESULT SetDefaultSyncSource() override { return S_OK; }
  HRESULT Connect(IPin*, IPin*) override { return E_NOTIMPL; }
  HRESULT Render(IPin*) override { return E_NOTIMPL; }
  HRESULT RenderFile(LPCOLESTR, LPCOLESTR) override { return E_NOTIMPL; }
  HRESULT AddSourceFilter(LPCOLESTR, LPCOLESTR, IBaseFilter**) override { return E_NOTIMPL; }
  HRESULT SetLogFile(DWORD_PTR) override { return S_OK; }
  HRESULT Abort() override { return S_OK; }
  HRESULT ShouldOperationContinue() override { return S_OK; }

  // IMediaControl.
  HRESULT Run() override;
  HRESULT Pause() override;
  HRESULT Stop() override;
  HRESULT GetState(LONG msTimeout, OAFilterState* state) override;
  HRESULT RenderFile(LPCOLESTR) override { return E_NOTIMPL; }
  HRESULT StopWhenReady() override { return E_NOTIMPL; }

  // IMediaEvent and IMediaEventEx.
  HRESULT GetEventHandle(OAEVENT*) override { return E_NOTIMPL; }
  HRESULT GetEvent(LONG* code, LONG_PTR* param1, LONG_PTR* param2, LONG msTimeout) override;
  HRESULT WaitForCompletion(LONG, LONG*) override { return E_NOTIMPL; }
  HRESULT CancelDefaultHandling(LONG) override { return S_OK; }
  HRESULT RestoreDefaultHandling(LONG) override { return S_OK; }
  HRESULT FreeEventParams(LONG, LONG_PTR, LONG_PTR) override;
  HRESULT SetNotifyWindow(OAHWND window, LONG message, LONG_PTR) override;
  HRESULT SetNotifyFlags(LONG flags) override;
  HRESULT GetNotifyFlags(LONG* flags) override;

 protected:
  HRESULT QueryExtraInterface(REFIID riid, void** object) override;

 private:
  OAFilterState state_ = State_Stopped;
};

// Makes the Sample Grabber class creatable (a FakeFilter), or not.
void SetSampleGrabberAvailable(bool available);
// Makes the filter graph class create FakeGraphs; the last one created is kept for inspection.
void InstallFakeFilterGraph();
void UninstallFakeFilterGraph();
ComPtr<FakeGraph> LastCreatedGraph();

}  // namespace rudozav_test

#pragma once
// Filters and pins: the interfaces every filter and pin of a graph implements, the enumerators
// over them and the filter graph as the filters see it (IFilterGraph).
//
// Threads: state changes, connections and queries come from the application's thread (through
// the graph); EndOfStream, NewSegment and the flush calls come from streaming threads.

#include <string>

#include "com/ComPtr.h"
#include "com/Stream.h"
#include "dshow/DShowTypes.h"
#include "dshow/MediaType.h"

struct IBaseFilter;
struct IFilterGraph;
struct IPin;

enum FILTER_STATE : LONG { State_Stopped = 0, State_Paused = 1, State_Running = 2 };

enum PIN_DIRECTION : LONG { PINDIR_INPUT = 0, PINDIR_OUTPUT = 1 };

// Names are UTF-8 of any length (the original fixed buffer of 128 characters is not kept).
struct FILTER_INFO {
  std::string achName;
  ComPtr<IFilterGraph> pGraph;  // the graph the filter is in, or empty
};

struct PIN_INFO {
  ComPtr<IBaseFilter> pFilter;  // the pin's owner
  PIN_DIRECTION dir = PINDIR_INPUT;
  std::string achName;
};

// The graph's clock. Renderers read it to present samples at their time.
struct IReferenceClock : IUnknown {
  static constexpr IID iid = MakeGuid("56A86897-0AD4-11CE-B03A-0020AF0BA770");
  // Current time in 100-ns units; monotonic.
  virtual HRESULT GetTime(REFERENCE_TIME* time) = 0;
};

struct IMediaFilter : IPersist {
  static constexpr IID iid = MakeGuid("56A86899-0AD4-11CE-B03A-0020AF0BA770");
  virtual HRESULT Stop() = 0;
  virtual HRESULT Pause() = 0;
  // Runs with stream time 0 at reference time start.
  virtual HRESULT Run(REFERENCE_TIME start) = 0;
  // VFW_S_STATE_INTERMEDIATE while a transition is unfinished after msTimeout,
  // VFW_S_CANT_CUE for a live source that cannot deliver data while paused.
  virtual HRESULT GetState(DWORD msTimeout, FILTER_STATE* state) = 0;
  virtual HRESULT SetSyncSource(IReferenceClock* clock) = 0;
  virtual HRESULT GetSyncSource(IReferenceClock** clock) = 0;
};

struct IEnumPins : IUnknown {
  static constexpr IID iid = MakeGuid("56A86892-0AD4-11CE-B03A-0020AF0BA770");
  // S_OK when count pins were returned, S_FALSE when fewer; each returned pin is a reference.
  virtual HRESULT Next(ULONG count, IPin** pins, ULONG* fetched) = 0;
  virtual HRESULT Skip(ULONG count) = 0;
  virtual HRESULT Reset() = 0;
  virtual HRESULT Clone(IEnumPins** clone) = 0;
};

struct IEnumMediaTypes : IUnknown {
  static constexpr IID iid = MakeGuid("89C31040-846B-11CE-97D3-00AA0055595A");
  // Each returned type is task memory, freed by the caller with DeleteMediaType.
  virtual HRESULT Next(ULONG count, AM_MEDIA_TYPE** types, ULONG* fetched) = 0;
  virtual HRESULT Skip(ULONG count) = 0;
  virtual HRESULT Reset() = 0;
  virtual HRESULT Clone(IEnumMediaTypes** clone) = 0;
};

struct IEnumFilters : IUnknown {
  static constexpr IID iid = MakeGuid("56A86893-0AD4-11CE-B03A-0020AF0BA770");
  virtual HRESULT Next(ULONG count, IBaseFilter** filters, ULONG* fetched) = 0;
  virtual HRESULT Skip(ULONG count) = 0;
  virtual HRESULT Reset() = 0;
  virtual HRESULT Clone(IEnumFilters** clone) = 0;
};

struct IPin : IUnknown {
  static constexpr IID iid = MakeGuid("56A86891-0AD4-11CE-B03A-0020AF0BA770");
  // Output pins only: connect to receivePin, with mediaType (may be partial or null) as a hint.
  virtual HRESULT Connect(IPin* receivePin, const AM_MEDIA_TYPE* mediaType) = 0;
  // Input pins only: an output pin offers the connection with a complete type.
  virtual HRESULT ReceiveConnection(IPin* connector, const AM_MEDIA_TYPE* mediaType) = 0;
  virtual HRESULT Disconnect() = 0;
  // VFW_E_NOT_CONNECTED when unconnected (and *pin is null).
  virtual HRESULT ConnectedTo(IPin** pin) = 0;
  // Fills an empty structure; VFW_E_NOT_CONNECTED leaves it zeroed.
  virtual HRESULT ConnectionMediaType(AM_MEDIA_TYPE* mediaType) = 0;
  virtual HRESULT QueryPinInfo(PIN_INFO* info) = 0;
  virtual HRESULT QueryDirection(PIN_DIRECTION* direction) = 0;
  // The pin's identifier in task memory (FindPin on the filter accepts it).
  virtual HRESULT QueryId(LPOLESTR* id) = 0;
  // S_OK when the pin would accept the type now, S_FALSE otherwise.
  virtual HRESULT QueryAccept(const AM_MEDIA_TYPE* mediaType) = 0;
  virtual HRESULT EnumMediaTypes(IEnumMediaTypes** enumerator) = 0;
  // E_NOTIMPL: every input feeds every output.
  virtual HRESULT QueryInternalConnections(IPin** pins, ULONG* count) = 0;
  virtual HRESULT EndOfStream() = 0;
  virtual HRESULT BeginFlush() = 0;
  virtual HRESULT EndFlush() = 0;
  virtual HRESULT NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) = 0;
};

struct IBaseFilter : IMediaFilter {
  static constexpr IID iid = MakeGuid("56A86895-0AD4-11CE-B03A-0020AF0BA770");
  virtual HRESULT EnumPins(IEnumPins** enumerator) = 0;
  // By the identifier QueryId gives; VFW_E_NOT_FOUND when there is none.
  virtual HRESULT FindPin(LPCOLESTR id, IPin** pin) = 0;
  virtual HRESULT QueryFilterInfo(FILTER_INFO* info) = 0;
  // The graph tells the filter it joined (graph and name) or left it (null, null). The filter
  // keeps no reference to the graph: the graph owns its filters.
  virtual HRESULT JoinFilterGraph(IFilterGraph* graph, LPCOLESTR name) = 0;
  // Task memory; E_NOTIMPL when the filter has none.
  virtual HRESULT QueryVendorInfo(LPOLESTR* vendorInfo) = 0;
};

// The graph as filters and applications see it: membership and direct connections.
struct IFilterGraph : IUnknown {
  static constexpr IID iid = MakeGuid("56A8689F-0AD4-11CE-B03A-0020AF0BA770");
  // A name already in the graph is changed and the call returns VFW_S_DUPLICATE_NAME; a null
  // name gets a generated one.
  virtual HRESULT AddFilter(IBaseFilter* filter, LPCOLESTR name) = 0;
  virtual HRESULT RemoveFilter(IBaseFilter* filter) = 0;
  virtual HRESULT EnumFilters(IEnumFilters** enumerator) = 0;
  virtual HRESULT FindFilterByName(LPCOLESTR name, IBaseFilter** filter) = 0;
  // Connects exactly these two pins, without converters; mediaType may be null.
  virtual HRESULT ConnectDirect(IPin* output, IPin* input, const AM_MEDIA_TYPE* mediaType) = 0;
  virtual HRESULT Reconnect(IPin* pin) = 0;
  // Disconnects one side only; the caller disconnects the peer too.
  virtual HRESULT Disconnect(IPin* pin) = 0;
  virtual HRESULT SetDefaultSyncSource() = 0;
};

inline constexpr ULONG AM_FILTER_MISC_FLAGS_IS_RENDERER = 0x1;
inline constexpr ULONG AM_FILTER_MISC_FLAGS_IS_SOURCE = 0x2;

// Renderers say so here: the graph counts their end-of-stream notifications for EC_COMPLETE.
struct IAMFilterMiscFlags : IUnknown {
  static constexpr IID iid = MakeGuid("2DD74950-A890-11D1-ABE8-00A0C905F375");
  virtual ULONG GetMiscFlags() = 0;
};

inline constexpr IID IID_IReferenceClock = IReferenceClock::iid;
inline constexpr IID IID_IMediaFilter = IMediaFilter::iid;
inline constexpr IID IID_IEnumPins = IEnumPins::iid;
inline constexpr IID IID_IEnumMediaTypes = IEnumMediaTypes::iid;
inline constexpr IID IID_IEnumFilters = IEnumFilters::iid;
inline constexpr IID IID_IPin = IPin::iid;
inline constexpr IID IID_IBaseFilter = IBaseFilter::iid;
inline constexpr IID IID_IFilterGraph = IFilterGraph::iid;
inline constexpr IID IID_IAMFilterMiscFlags = IAMFilterMiscFlags::iid;

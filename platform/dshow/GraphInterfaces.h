#pragma once
// The filter graph manager as applications drive it: building (IGraphBuilder, the capture graph
// builder), running (IMediaControl), its notifications (IMediaEvent, IMediaEventEx) and seeking
// (IMediaSeeking).
//
// Threads: every method is called from the application's thread. Events are queued by streaming
// threads and read here; the notification window receives a posted message per queued event.

#include "com/ComPtr.h"
#include "dshow/DShowTypes.h"
#include "dshow/FilterInterfaces.h"
#include "dshow/MediaType.h"

struct IFileSinkFilter;
struct IAMCopyCaptureFileProgress;

struct IGraphBuilder : IFilterGraph {
  static constexpr IID iid = MakeGuid("56A868A9-0AD4-11CE-B03A-0020AF0BA770");
  // Connects the pins directly or through converters the graph adds. S_OK, or
  // VFW_S_PARTIAL_RENDER when some streams of the output could not be connected.
  virtual HRESULT Connect(IPin* output, IPin* input) = 0;
  // Connects the output pin to a renderer, through whatever filters it needs.
  virtual HRESULT Render(IPin* output) = 0;
  // Builds a playback graph for a file. VFW_S_PARTIAL_RENDER when a stream had no renderer.
  virtual HRESULT RenderFile(LPCOLESTR file, LPCOLESTR playList) = 0;
  // Adds the source filter for a file; filterName may be null (the file name is used).
  virtual HRESULT AddSourceFilter(LPCOLESTR file, LPCOLESTR filterName, IBaseFilter** filter) = 0;
  // A file descriptor that receives a log of graph building; 0 stops logging.
  virtual HRESULT SetLogFile(DWORD_PTR file) = 0;
  virtual HRESULT Abort() = 0;
  // S_OK while building may go on, S_FALSE after Abort.
  virtual HRESULT ShouldOperationContinue() = 0;
};

struct ICaptureGraphBuilder2 : IUnknown {
  static constexpr IID iid = MakeGuid("93E5A4E0-2D50-11D2-ABFA-00A0C9C6E38D");
  virtual HRESULT SetFiltergraph(IGraphBuilder* graph) = 0;
  // Creates a graph when none was set.
  virtual HRESULT GetFiltergraph(IGraphBuilder** graph) = 0;
  // Adds a multiplexer for type (MEDIASUBTYPE_Avi) and a file writer to it. mux and sink may
  // be null.
  virtual HRESULT SetOutputFileName(const GUID* type, LPCOLESTR file, IBaseFilter** mux,
                                    IFileSinkFilter** sink) = 0;
  // Searches the filter, then its pins of category/type, then downstream and upstream of it
  // for an interface. category may be LOOK_UPSTREAM_ONLY or LOOK_DOWNSTREAM_ONLY (the filter
  // itself is then not asked); null category and type mean any.
  virtual HRESULT FindInterface(const GUID* category, const GUID* type, IBaseFilter* filter,
                                REFIID riid, void** object) = 0;
  // Connects an output of source (a filter or a pin) through compressor to renderer.
  virtual HRESULT RenderStream(const GUID* category, const GUID* type, IUnknown* source,
                               IBaseFilter* compressor, IBaseFilter* renderer) = 0;
  // Stream control on the output pins of category/type (of filter, or of every filter); an
  // output without IAMStreamControl is controlled at the input it is connected to, when that
  // one has it (the AVI multiplexer's inputs). E_FAIL when no pin was controlled.
  virtual HRESULT ControlStream(const GUID* category, const GUID* type, IBaseFilter* filter,
                                REFERENCE_TIME* start, REFERENCE_TIME* stop, WORD startCookie,
                                WORD stopCookie) = 0;
  // Creates or grows the file to size bytes so that capture does not wait for the disk.
  virtual HRESULT AllocCapFile(LPCOLESTR file, DWORDLONG size) = 0;
  virtual HRESULT CopyCaptureFile(LPOLESTR oldFile, LPOLESTR newFile, int allowEscAbort,
                                  IAMCopyCaptureFileProgress* callback) = 0;
  // The index-th pin (counted among those that qualify) of source in direction with category
  // and type (null: any); unconnected restricts the search to unconnected pins.
  virtual HRESULT FindPin(IUnknown* source, PIN_DIRECTION direction, const GUID* category,
                          const GUID* type, BOOL unconnected, int index, IPin** pin) = 0;
};

struct IMediaControl : IUnknown {
  static constexpr IID iid = MakeGuid("56A868B1-0AD4-11CE-B03A-0020AF0BA770");
  virtual HRESULT Run() = 0;
  virtual HRESULT Pause() = 0;
  virtual HRESULT Stop() = 0;
  // S_OK when the state is reached, VFW_S_STATE_INTERMEDIATE while a transition goes on after
  // msTimeout (-1 waits), VFW_S_CANT_CUE when paused with a live source.
  virtual HRESULT GetState(LONG msTimeout, OAFilterState* state) = 0;
  virtual HRESULT RenderFile(LPCOLESTR file) = 0;
  // Pauses, waits for the data to arrive, then stops.
  virtual HRESULT StopWhenReady() = 0;
};

// Event codes.
inline constexpr LONG EC_COMPLETE = 0x01;
inline constexpr LONG EC_USERABORT = 0x02;
inline constexpr LONG EC_ERRORABORT = 0x03;
inline constexpr LONG EC_TIME = 0x04;
inline constexpr LONG EC_REPAINT = 0x05;
inline constexpr LONG EC_STREAM_ERROR_STOPPED = 0x06;
inline constexpr LONG EC_STREAM_ERROR_STILLPLAYING = 0x07;
inline constexpr LONG EC_ERROR_STILLPLAYING = 0x08;
inline constexpr LONG EC_PALETTE_CHANGED = 0x09;
inline constexpr LONG EC_VIDEO_SIZE_CHANGED = 0x0A;
inline constexpr LONG EC_QUALITY_CHANGE = 0x0B;
inline constexpr LONG EC_SHUTTING_DOWN = 0x0C;
inline constexpr LONG EC_CLOCK_CHANGED = 0x0D;
inline constexpr LONG EC_PAUSED = 0x0E;
inline constexpr LONG EC_OPENING_FILE = 0x10;
inline constexpr LONG EC_BUFFERING_DATA = 0x11;
inline constexpr LONG EC_FULLSCREEN_LOST = 0x12;
inline constexpr LONG EC_ACTIVATE = 0x13;
inline constexpr LONG EC_NEED_RESTART = 0x14;
inline constexpr LONG EC_WINDOW_DESTROYED = 0x15;
inline constexpr LONG EC_DISPLAY_CHANGED = 0x16;
inline constexpr LONG EC_STARVATION = 0x17;
inline constexpr LONG EC_STREAM_CONTROL_STOPPED = 0x1A;
inline constexpr LONG EC_STREAM_CONTROL_STARTED = 0x1B;
inline constexpr LONG EC_END_OF_SEGMENT = 0x1C;
inline constexpr LONG EC_SEGMENT_STARTED = 0x1D;
inline constexpr LONG EC_LENGTH_CHANGED = 0x1E;
inline constexpr LONG EC_DEVICE_LOST = 0x1F;
inline constexpr LONG EC_STEP_COMPLETE = 0x24;
inline constexpr LONG EC_TIMECODE_AVAILABLE = 0x30;
inline constexpr LONG EC_EXTDEVICE_MODE_CHANGE = 0x31;
inline constexpr LONG EC_STATE_CHANGE = 0x32;
inline constexpr LONG EC_GRAPH_CHANGED = 0x50;
inline constexpr LONG EC_CLOCK_UNSET = 0x51;
// Codes from here up are free for applications and filters.
inline constexpr LONG EC_USER = 0x8000;

struct IMediaEvent : IUnknown {
  static constexpr IID iid = MakeGuid("56A868B6-0AD4-11CE-B03A-0020AF0BA770");
  // A descriptor that is readable while events are queued (E_NOTIMPL where there is none).
  virtual HRESULT GetEventHandle(OAEVENT* event) = 0;
  // The oldest queued event; E_ABORT when none arrives within msTimeout. Free the parameters
  // with FreeEventParams.
  virtual HRESULT GetEvent(LONG* eventCode, LONG_PTR* param1, LONG_PTR* param2, LONG msTimeout) = 0;
  // Waits until the graph completes (EC_COMPLETE, EC_ERRORABORT, EC_USERABORT) while running;
  // E_ABORT after msTimeout, VFW_E_WRONG_STATE when the graph is not running.
  virtual HRESULT WaitForCompletion(LONG msTimeout, LONG* eventCode) = 0;
  virtual HRESULT CancelDefaultHandling(LONG eventCode) = 0;
  virtual HRESULT RestoreDefaultHandling(LONG eventCode) = 0;
  virtual HRESULT FreeEventParams(LONG eventCode, LONG_PTR param1, LONG_PTR param2) = 0;
};

// SetNotifyFlags: no notification messages and no queueing.
inline constexpr LONG AM_MEDIAEVENT_NONOTIFY = 0x01;

struct IMediaEventEx : IMediaEvent {
  static constexpr IID iid = MakeGuid("56A868C0-0AD4-11CE-B03A-0020AF0BA770");
  // Each event that is queued posts message (with wParam 0 and lParam instanceData) to the
  // window; window 0 stops the messages.
  virtual HRESULT SetNotifyWindow(OAHWND window, LONG message, LONG_PTR instanceData) = 0;
  virtual HRESULT SetNotifyFlags(LONG flags) = 0;
  virtual HRESULT GetNotifyFlags(LONG* flags) = 0;
};

// IMediaSeeking capabilities.
inline constexpr DWORD AM_SEEKING_CanSeekAbsolute = 0x001;
inline constexpr DWORD AM_SEEKING_CanSeekForwards = 0x002;
inline constexpr DWORD AM_SEEKING_CanSeekBackwards = 0x004;
inline constexpr DWORD AM_SEEKING_CanGetCurrentPos = 0x008;
inline constexpr DWORD AM_SEEKING_CanGetStopPos = 0x010;
inline constexpr DWORD AM_SEEKING_CanGetDuration = 0x020;
inline constexpr DWORD AM_SEEKING_CanPlayBackwards = 0x040;
inline constexpr DWORD AM_SEEKING_CanDoSegments = 0x080;
inline constexpr DWORD AM_SEEKING_Source = 0x100;

// IMediaSeeking::SetPositions flags.
inline constexpr DWORD AM_SEEKING_NoPositioning = 0x00;
inline constexpr DWORD AM_SEEKING_AbsolutePositioning = 0x01;
inline constexpr DWORD AM_SEEKING_RelativePositioning = 0x02;
inline constexpr DWORD AM_SEEKING_IncrementalPositioning = 0x03;
inline constexpr DWORD AM_SEEKING_PositioningBitsMask = 0x03;
inline constexpr DWORD AM_SEEKING_SeekToKeyFrame = 0x04;
inline constexpr DWORD AM_SEEKING_ReturnTime = 0x08;
inline constexpr DWORD AM_SEEKING_Segment = 0x10;
inline constexpr DWORD AM_SEEKING_NoFlush = 0x20;

// Positions are in the current time format (TIME_FORMAT_MEDIA_TIME unless set otherwise).
struct IMediaSeeking : IUnknown {
  static constexpr IID iid = MakeGuid("36B73880-C2C8-11CF-8B46-00805F6CEF60");
  virtual HRESULT GetCapabilities(DWORD* capabilities) = 0;
  // Clears the bits that are not supported; S_FALSE when some were cleared.
  virtual HRESULT CheckCapabilities(DWORD* capabilities) = 0;
  // S_OK or S_FALSE.
  virtual HRESULT IsFormatSupported(const GUID* format) = 0;
  virtual HRESULT QueryPreferredFormat(GUID* format) = 0;
  virtual HRESULT GetTimeFormat(GUID* format) = 0;
  virtual HRESULT IsUsingTimeFormat(const GUID* format) = 0;
  // VFW_E_WRONG_STATE unless stopped; E_INVALIDARG for an unsupported format.
  virtual HRESULT SetTimeFormat(const GUID* format) = 0;
  virtual HRESULT GetDuration(LONGLONG* duration) = 0;
  virtual HRESULT GetStopPosition(LONGLONG* stop) = 0;
  virtual HRESULT GetCurrentPosition(LONGLONG* current) = 0;
  // targetFormat/sourceFormat null mean the current format.
  virtual HRESULT ConvertTimeFormat(LONGLONG* target, const GUID* targetFormat, LONGLONG source,
                                    const GUID* sourceFormat) = 0;
  // Either pointer may be null together with AM_SEEKING_NoPositioning.
  virtual HRESULT SetPositions(LONGLONG* current, DWORD currentFlags, LONGLONG* stop,
                               DWORD stopFlags) = 0;
  virtual HRESULT GetPositions(LONGLONG* current, LONGLONG* stop) = 0;
  virtual HRESULT GetAvailable(LONGLONG* earliest, LONGLONG* latest) = 0;
  // E_INVALIDARG for 0.
  virtual HRESULT SetRate(double rate) = 0;
  virtual HRESULT GetRate(double* rate) = 0;
  virtual HRESULT GetPreroll(LONGLONG* preroll) = 0;
};

inline constexpr IID IID_IGraphBuilder = IGraphBuilder::iid;
inline constexpr IID IID_ICaptureGraphBuilder2 = ICaptureGraphBuilder2::iid;
inline constexpr IID IID_IMediaControl = IMediaControl::iid;
inline constexpr IID IID_IMediaEvent = IMediaEvent::iid;
inline constexpr IID IID_IMediaEventEx = IMediaEventEx::iid;
inline constexpr IID IID_IMediaSeeking = IMediaSeeking::iid;

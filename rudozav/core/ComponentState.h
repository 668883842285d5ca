#pragma once
// The internal state of one TRavorOderiri: flags of its lifecycle, the graph state machine and its
// deferred queue, the graph's interfaces, the per-device settings and the counters of frames.
// UI thread only.

#include <array>
#include <atomic>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "clock/Clock.h"
#include "com/ComPtr.h"
#include "dshow/DShow.h"
#include "filters/common/GrabberControl.h"
#include "rudozav/RudOzav.h"
#include "rudozav/devices/Crossbar.h"
#include "rudozav/devices/ProcAmp.h"
#include "rudozav/devices/RegSave.h"
#include "rudozav/graph/Renderer.h"

class TFrameThread;
// Stops and frees a frame thread (defined with the thread, so that its type stays private).
struct TFrameThreadDeleter {
  void operator()(TFrameThread* thread) const;
};

struct TRavorOdeririState {
  // Lifecycle.
  bool initialised = false;  // the media framework check of loading passed
  bool loaded = false;       // loading finished; OnErrorLog fires
  bool busy = true;          // inside a graph operation; set from construction on
  bool destroying = false;
  bool attached = false;  // registered with the device manager

  // State machine.
  TCurrentState currentState = cs_Down;
  bool previewFlag = false;
  std::deque<TDeferredOperation> queue;
  bool restartGuard = false;
  bool tickGuard = false;

  // Notifications of the graph, turned into events by the tick.
  bool anyPending = false;
  bool deviceLost = false;
  bool diskFull = false;
  bool endOfStream = false;
  bool endReached = false;

  // The graph and its interfaces.
  ComPtr<IGraphBuilder> graph;
  ComPtr<ICaptureGraphBuilder2> captureBuilder;
  ComPtr<IMediaControl> mediaControl;
  ComPtr<IMediaEventEx> mediaEvent;
  ComPtr<IMediaSeeking> mediaSeeking;
  // Written on the UI thread by ControlGraph; the frame thread reads it.
  std::atomic<TGraphMode> graphMode{gm_Stop};
  DWORD rendererStamp = 0;  // tick count when the graph builder was made; renderers' names carry it
  // One-shot: the next successful ConnectPins records the connected video size.
  bool recordConnectedSize = false;
  int connectedVideoWidth = 0;  // 0 while no graph exists
  int connectedVideoHeight = 0;
  bool playerGraph = false;        // the graph is a file player
  bool frameEventGrabber = false;  // a grabber of the graph reports progress itself
  bool timeCodeReader = false;     // the graph has a time code reader
  bool timeCodeReading = false;

  // Devices.
  int currentDeviceIndex = -1;
  bool videoDeviceUsable = true;
  bool audioDeviceUsable = true;
  TRegSave settings;
  // A VideoCrossbarInput chosen but not yet routed; the next preview or capture graph routes it.
  bool crossbarInputPending = false;
  std::vector<std::string> sizeList;     // frame sizes of the current device
  std::vector<std::string> subtypeList;  // video subtypes of the current device
  std::string captureFileInUse;

  // The device side of the base graph, released with the graph.
  ComPtr<IBaseFilter> videoCaptureFilter;
  GUID streamMajorType = MEDIATYPE_Video;  // or MEDIATYPE_Interleaved for DV
  ComPtr<IAMStreamConfig> streamConfig;
  ComPtr<IAMExtTransport> transport;
  ComPtr<IAMTimecodeReader> timecodeReaderInterface;
  ComPtr<IAMVideoProcAmp> procAmp;
  TProcAmpRanges procAmpRanges;
  ComPtr<IAMCrossbar> videoCrossbar;
  ComPtr<IAMCrossbar> audioCrossbar;
  std::unique_ptr<TCrossbarTree> crossbarTree;
  TCrossbar videoCrossbarPins;
  TCrossbar audioCrossbarPins;
  ComPtr<IKsPropertySet> propertySet;
  ComPtr<IAMTVTuner> tvTuner;
  ComPtr<IAMAnalogVideoDecoder> analogVideoDecoder;
  ComPtr<IAMTVAudio> tvAudio;
  ComPtr<IBaseFilter> audioCaptureFilter;
  ComPtr<IAMStreamConfig> audioStreamConfig;

  // The renderers: the video and overlay records, and the audio renderer of the preview.
  TRenderer videoRenderer;
  TRenderer overlayRenderer;
  TRenderer* activeRenderer = nullptr;  // the record whose window shows; null without a graph
  bool resizingVideo = false;           // ResizeVideoWindow runs further up the stack
  ComPtr<IBaseFilter> audioRenderer;
  ComPtr<IAMDroppedFrames> droppedFramesInterface;  // of the capture pin, for frame counting

  // Video window.
  int videoWidth = 0;
  int videoHeight = 0;
  int borderAllowance = 0;

  // Frames. The control records of the grabbers in the graph, set by the graph builders and
  // forgotten when the graph is cleared; the active one is the record frame events and counting
  // use (the last grabber the graph inserted).
  TGrabberControl* rawGrabberRecord = nullptr;
  TGrabberControl* frameGrabberRecord = nullptr;
  TGrabberControl* notifierRecord = nullptr;
  TGrabberControl* activeRecord = nullptr;
  std::unique_ptr<TFrameThread, TFrameThreadDeleter> frameThread;
  bool grabInProgress = false;
  bool frameHandlerRunning = false;  // a frame event handler runs further up the stack
  int burstFramesLeft = 0;
  int burstSkip = 0;
  // The record's FrameCount when the last picture was taken from it, -1 for none: a frame event
  // that finds the count unchanged announces a frame that was grabbed already.
  std::int64_t lastGrabbedFrameCount = -1;
  int bmpSequence = 0;
  int jpegSequence = 0;
  bool textChanged = true;
  bool layoutChanged = false;
  std::array<char, 1000> textBuffer{};

  // Counting, in the tick.
  int deliveredFrames = 0;
  int droppedFrames = 0;
  REFERENCE_TIME sampleTime = 0;  // 100-ns units
  DWORD graphStartTime = 0;       // tick count when the graph ran; 0 while it has not
  unsigned frameCountTicks = 0;
  unsigned droppedCountTicks = 0;
  unsigned timeCodeTicks = 0;
};

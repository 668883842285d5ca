#pragma once
// The internal state of one TRavorOderiri: flags of its lifecycle, the graph state machine and its
// deferred queue, the state of the current graph, the per-device settings and the counters of
// frames. UI thread only.

#include <array>
#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "clock/Clock.h"
#include "rudozav/RudOzav.h"
#include "rudozav/core/DeferredOperation.h"
#include "rudozav/core/GraphMode.h"
#include "rudozav/core/GraphState.h"
#include "rudozav/devices/RegSave.h"

// The counters of delivered and dropped frames and the times of the frames.
struct TFrameCounters {
  std::int64_t delivered = 0;  // reported as its low 32 bits
  LONG dropped = 0;            // never below 0
  LONG droppedBase = 0;        // the capture pin's own counts when the graph started
  LONG deliveredBase = 0;
  std::optional<ULONGLONG> startTick;  // ms, when the graph started running; none after its end
  REFERENCE_TIME firstFrameTime = -1;  // of the graph's first frame event; -1 none yet
  // The latest and the preceding frame's time: 100-ns sample times from frame events, or
  // milliseconds since the start when counted by polling.
  std::int64_t currentFrameTime = 0;
  std::int64_t previousFrameTime = 0;
  REFERENCE_TIME lastDuration = 0;  // of the last graph, computed when it ended
  LONG trackNumber = 0;             // the tape's absolute track number
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
  bool captureAborted = false;  // the capture graph stopped on an error other than a full disk
  HRESULT abortResult = S_OK;
  bool endOfStream = false;
  bool endReached = false;

  // The graph with everything that lives as long as it; replaced by an empty one when the graph
  // is cleared, never null.
  std::unique_ptr<TGraphState> graph = std::make_unique<TGraphState>();

  // Devices.
  int currentDeviceIndex = -1;
  bool videoDeviceUsable = true;
  bool audioDeviceUsable = true;
  TRegSave settings;
  // A VideoCrossbarInput chosen but not yet routed; the next preview or capture graph routes it.
  bool crossbarInputPending = false;
  std::vector<std::string> sizeList;     // frame sizes of the current device
  std::vector<std::string> subtypeList;  // video subtypes of the current device
  // Capture files: the file a capture ends in, the file the graph writes (the same, or the
  // preallocated or temporary one), whether it is compressed once the capture ends, and the
  // counter of automatic capture file names.
  std::string captureTarget;
  std::string writeTarget;
  bool recompressPending = false;
  int aviSequence = 0;

  // Video window.
  int videoWidth = 0;
  int videoHeight = 0;
  int borderAllowance = 0;
  bool resizingVideo = false;  // ResizeVideoWindow runs further up the stack

  // Frames.
  bool grabInProgress = false;
  bool frameHandlerRunning = false;  // a frame event handler runs further up the stack
  int burstFramesLeft = 0;
  int burstSkip = 0;
  int bmpSequence = 0;
  int jpegSequence = 0;
  bool layoutChanged = false;
  std::array<char, 1000> textBuffer{};

  // Frame counting; the figures of a graph stay until the next one runs.
  TFrameCounters counters;
  bool timeCodeReading = false;  // a time code read runs further up the stack
};

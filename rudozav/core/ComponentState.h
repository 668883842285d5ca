#pragma once
// The internal state of one TRavorOderiri: flags of its lifecycle, the graph state machine and its
// deferred queue, the state of the current graph, the per-device settings and the counters of
// frames. UI thread only.

#include <array>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "clock/Clock.h"
#include "rudozav/RudOzav.h"
#include "rudozav/core/DeferredOperation.h"
#include "rudozav/core/GraphMode.h"
#include "rudozav/core/GraphState.h"
#include "rudozav/devices/RegSave.h"

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
  std::string captureFileInUse;

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

  // Counting, in the tick.
  int deliveredFrames = 0;
  int droppedFrames = 0;
  REFERENCE_TIME sampleTime = 0;  // 100-ns units
  DWORD graphStartTime = 0;       // tick count when the graph ran; 0 while it has not
};

#pragma once
// Everything that lives exactly as long as one graph: the graph and its control interfaces, the
// device filters with the interfaces found on them, the renderers, the grabbers' control records
// and the frame thread that reads them. Clearing a graph is ending this object: its destructor
// closes the renderers' windows and takes the filters out of the graph, and the members then
// release themselves in the reverse order of their declaration (the frame thread first, the
// graph last). UI thread only, except graphMode, which the frame thread reads.

#include <atomic>
#include <cstdint>
#include <memory>

#include "com/ComPtr.h"
#include "dshow/DShow.h"
#include "filters/common/GrabberControl.h"
#include "rudozav/core/GraphMode.h"
#include "rudozav/devices/Crossbar.h"
#include "rudozav/devices/ProcAmp.h"
#include "rudozav/graph/Renderer.h"

class TFrameThread;
// Stops and frees a frame thread (defined with the thread, so that its type stays private).
struct TFrameThreadDeleter {
  void operator()(TFrameThread* thread) const;
};

struct TGraphState {
  TGraphState() = default;
  ~TGraphState();
  TGraphState(const TGraphState&) = delete;
  TGraphState& operator=(const TGraphState&) = delete;

  // The graph and its interfaces.
  ComPtr<IGraphBuilder> filterGraph;
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
  bool frameEventGrabber = false;  // frame events flow from the active record

  // The player's file, measured when it was opened (mediaSeeking is the player's seeking): its
  // length in frames (0 when its format has no frame time) and in media time (100 ns), the
  // position last read, that position in frames, and the average frame rate.
  std::int64_t playerFrameCount = 0;
  std::int64_t playerDuration = 0;
  std::int64_t playerPosition = 0;
  std::int64_t playerFramePosition = 0;
  double playerFrameRate = 0.0;

  // The device side of the base graph.
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
  ComPtr<IAMDroppedFrames> droppedFramesInterface;  // of the capture pin, for frame counting

  // The capture graph's file side: the AVI multiplexer with its file sink, the compressors, the
  // two streams held back until the host agrees to start (the Smart Tee's capture output, or the
  // multiplexer's video input when the tee cannot hold its stream back, and the multiplexer's
  // audio input), and the stream the file's timing follows (1 audio, 2 video).
  ComPtr<IBaseFilter> fileMux;
  ComPtr<IFileSinkFilter> fileSink;
  ComPtr<IBaseFilter> videoCompressor;
  ComPtr<IBaseFilter> audioCompressor;
  ComPtr<IPin> captureStreamPin;
  ComPtr<IPin> muxVideoPin;
  ComPtr<IPin> muxAudioPin;
  int masterStreamChoice = 0;

  // The renderers: the video and overlay records, and the audio renderer of the preview.
  TRenderer videoRenderer;
  TRenderer overlayRenderer;
  TRenderer* activeRenderer = nullptr;  // the record whose window shows; null without a graph
  ComPtr<IBaseFilter> audioRenderer;

  // The control records of the grabbers in the graph, owned by their filters; the active one is
  // the record frame events and counting use (the last grabber the graph inserted).
  TGrabberControl* rawGrabberRecord = nullptr;
  TGrabberControl* frameGrabberRecord = nullptr;
  TGrabberControl* notifierRecord = nullptr;
  TGrabberControl* activeRecord = nullptr;
  // The record's FrameCount when the last picture was taken from it, -1 for none: a frame event
  // that finds the count unchanged announces a frame that was grabbed already.
  std::int64_t lastGrabbedFrameCount = -1;
  bool textChanged = true;  // the caption must be laid out again into the frame grabber's record

  // Ticks since the last poll of each kind of frame information.
  unsigned frameCountTicks = 0;
  unsigned droppedCountTicks = 0;
  unsigned timeCodeTicks = 0;

  // Stopped first of all by the destructor, before anything it reads goes.
  std::unique_ptr<TFrameThread, TFrameThreadDeleter> frameThread;
};

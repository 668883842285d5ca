// File to file: copying what a capture wrote into a preallocated or temporary file into the
// capture file, with or without recompression, and the work that follows a capture. UI thread
// only.

#include <filesystem>
#include <system_error>

#include "dshow/DShow.h"
#include "rudozav/RudOzav.h"
#include "rudozav/core/ComponentState.h"
#include "rudozav/core/Logging.h"
#include "rudozav/devices/Devices.h"
#include "rudozav/devices/DevicesManager.h"
#include "rudozav/graph/CaptureGraph.h"
#include "rudozav/graph/FileMux.h"
#include "rudozav/graph/GraphBuilder.h"
#include "ui/Application.h"

namespace errors = rudozav::errors;

namespace {

constexpr LONG kCompletionWaitMs = 50;  // per wait, with messages processed between waits

// Whether filter still has an unconnected output pin: a stream left to render.
bool HasFreeOutput(ICaptureGraphBuilder2& builder, IBaseFilter* filter) {
  ComPtr<IPin> pin;
  return SUCCEEDED(builder.FindPin(filter, PINDIR_OUTPUT, nullptr, nullptr, TRUE, 0,
                                   pin.ReleaseAndGetAddressOf())) &&
         pin;
}

// One stream of the source into the multiplexer, through the compressor of its kind when
// recompressing and that kind is compressed.
bool RenderFileStream(TRavorOderiri& component, IBaseFilter* source, bool video,
                      bool recompressing) {
  TGraphState& graph = *component.State().graph;
  ComPtr<IBaseFilter>& compressor = video ? graph.videoCompressor : graph.audioCompressor;
  if (recompressing && CompressesStream(component, video ? ct_Video : ct_Audio) &&
      !BindCompressor(component, video, compressor))
    return false;
  const HRESULT hr = graph.captureBuilder->RenderStream(nullptr, nullptr, source, compressor.Get(),
                                                        graph.fileMux.Get());
  return rudozav::LogResult(component, hr,
                            video ? errors::kRenderVideoStream : errors::kRenderAudioStream);
}

// Waits until the graph has written the whole file, keeping the UI alive. True only when it
// completed: an aborted graph has not.
bool WaitForTranscode(TGraphState& graph) {
  // Kept while messages are pumped: a handler might end the graph.
  const ComPtr<IMediaEventEx> events = graph.mediaEvent;
  const ComPtr<IMediaSeeking> seeking = graph.mediaSeeking;
  if (!events) return false;
  LONG code = 0;
  if (!seeking) return SUCCEEDED(events->WaitForCompletion(INFINITE, &code)) && code == EC_COMPLETE;
  for (;;) {
    const HRESULT hr = events->WaitForCompletion(kCompletionWaitMs, &code);
    if (hr != E_ABORT) return SUCCEEDED(hr) && code == EC_COMPLETE;
    LONGLONG position = 0;
    seeking->GetCurrentPosition(&position);  // read as the copy goes on; nothing depends on it
    ui::ProcessMessages();
  }
}

}  // namespace

bool TRavorOderiri::TranscodeFile(const std::string& sourceFile, const std::string& destFile,
                                  bool recompressing) {
  TRavorOdeririState& state = *state_;
  const std::string savedTarget = state.captureTarget;
  state.captureTarget = destFile;
  std::error_code error;
  const bool destExisted = std::filesystem::exists(destFile, error);
  ChangeState(cs_Recompress);
  bool done = CreateGraphBuilder(*this);
  TGraphState& graph = *state.graph;
  if (done) {
    done = rudozav::LogResult(
        *this,
        graph.captureBuilder->SetOutputFileName(&MEDIASUBTYPE_Avi, destFile.c_str(),
                                                graph.fileMux.ReleaseAndGetAddressOf(),
                                                graph.fileSink.ReleaseAndGetAddressOf()),
        errors::kSetOutputFileNameMux);
  }
  ComPtr<IBaseFilter> source;
  if (done) {
    done = rudozav::LogResult(
        *this,
        graph.filterGraph->AddSourceFilter(sourceFile.c_str(), sourceFile.c_str(),
                                           source.ReleaseAndGetAddressOf()),
        errors::kAddingSourceFilter, sourceFile);
  }
  if (done) done = RenderFileStream(*this, source.Get(), true, recompressing);
  // A recording without sound has no second stream: there is nothing more to render then.
  const TDevices* audioDevices = AudioDeviceList();
  if (done && captureAudio_ && audioDevices != nullptr && audioDevices->Count() > 0 &&
      HasFreeOutput(*graph.captureBuilder, source.Get())) {
    done = RenderFileStream(*this, source.Get(), false, recompressing);
  }
  if (done) {
    done =
        rudozav::LogResult(*this, graph.filterGraph.As(&graph.mediaEvent), errors::kGetEventEx) &&
        rudozav::LogResult(*this, graph.filterGraph.As(&graph.mediaControl),
                           errors::kGetControlInterface);
    rudozav::LogResult(*this, graph.filterGraph.As(&graph.mediaSeeking), errors::kMediaSeeking);
  }
  if (done) {
    ConfigureMux(*this);
    done = ControlGraph(gm_Run) && WaitForTranscode(graph);
    ControlGraph(gm_Stop);
  }
  state.captureTarget = savedTarget;
  // The file is complete once the multiplexer has left the graph.
  ReleaseGraph();
  if (!done && !destExisted) std::filesystem::remove(destFile, error);  // no stray partial file
  return done;
}

void TRavorOderiri::RunPostCaptureStep() {
  TRavorOdeririState& state = *state_;
  const bool pending = state.recompressPending;
  state.recompressPending = false;
  if (!preallocCapFileEnabled_ && !pending) return;
  bool success = false;
  if (pending) {
    if (OnRecompressStarted) OnRecompressStarted(this);
    success = TranscodeFile(state.writeTarget, state.captureTarget, true);
    if (OnRecompressCompleted) OnRecompressCompleted(this, success);
  } else {
    if (OnCopyPreallocDataStarted) OnCopyPreallocDataStarted(this);
    success = TranscodeFile(state.writeTarget, state.captureTarget, false);
    if (OnCopyPreallocDataCompleted) OnCopyPreallocDataCompleted(this, success);
  }
  // The temporary file of a compression after capture goes; a preallocated one stays for the
  // next capture unless it is to be made afresh. A recording that could not be copied stays
  // where it was written, so that it is not lost.
  std::error_code error;
  if (success && (!preallocCapFileEnabled_ || preallocCapRecreate_))
    std::filesystem::remove(state.writeTarget, error);  // a file already gone is no matter
}

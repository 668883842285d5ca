#include "MediaFilePlayer.h"

#include <vector>

#include "com/Com.h"
#include "dshow/GraphInterfaces.h"
#include "dshow/Uuids.h"
#include "dshow/filters/MediaFileLimits.h"
#include "dshow/filters/UnpacedSink.h"
#include "dshow/graph/PinQueries.h"

namespace fuzz {

namespace {

constexpr REFERENCE_TIME kUnitsPerSecondHere = 10'000'000;

// Connects each output of the source to a sink of its own, through decoders.
std::vector<ComPtr<UnpacedSink>> ConnectSinks(IGraphBuilder& graph, IBaseFilter& source) {
  std::vector<ComPtr<UnpacedSink>> sinks;
  for (const auto& output : dshow::PinsOf(&source, PINDIR_OUTPUT)) {
    auto sink = MakeComObject<UnpacedSink>();
    if (FAILED(graph.AddFilter(sink.Get(), nullptr))) continue;
    if (SUCCEEDED(graph.Connect(output.Get(), sink->GetPin(0)))) {
      sinks.push_back(std::move(sink));
    } else {
      (void)graph.RemoveFilter(sink.Get());  // an unconnected sink would only wait
    }
  }
  return sinks;
}

}  // namespace

void UseFuzzLimits() {
  dshow::MediaFileLimits limits;
  limits.probeBytes = 1 << 20;
  limits.analyzeMicroseconds = 1'000'000;
  limits.openMilliseconds = 5'000;
  limits.readMilliseconds = 2'000;
  limits.maxDimension = 1024;
  limits.maxPictureBytes = 1 << 20;
  limits.maxSampleRate = 192'000;
  limits.maxChannels = 8;
  limits.maxSoundBufferBytes = 1 << 20;
  dshow::SetMediaFileLimits(limits);
}

PlayResult PlayMediaFile(const std::string& path, int stopSeconds, long waitMilliseconds) {
  PlayResult result;
  ComPtr<IGraphBuilder> graph;
  if (FAILED(CoCreateInstance(CLSID_FilterGraph, &graph))) return result;
  ComPtr<IBaseFilter> source;
  result.opened = graph->AddSourceFilter(path.c_str(), "Source", source.ReleaseAndGetAddressOf());
  if (FAILED(result.opened)) return result;
  const std::vector<ComPtr<UnpacedSink>> sinks = ConnectSinks(*graph, *source);
  result.streams = static_cast<int>(sinks.size());
  ComPtr<IMediaControl> control = graph.As<IMediaControl>();
  ComPtr<IMediaEvent> events = graph.As<IMediaEvent>();
  ComPtr<IMediaSeeking> seeking = graph.As<IMediaSeeking>();
  if (result.streams == 0 || !control || !events || !seeking) return result;
  LONGLONG start = 0;
  LONGLONG stop = stopSeconds * kUnitsPerSecondHere;
  // A file whose source cannot seek plays to its end instead.
  (void)seeking->SetPositions(&start, AM_SEEKING_AbsolutePositioning, &stop,
                              AM_SEEKING_AbsolutePositioning);
  OAFilterState state = State_Stopped;
  (void)control->Pause();  // a failed pause shows in the run that follows
  (void)control->GetState(static_cast<LONG>(waitMilliseconds), &state);
  if (SUCCEEDED(control->Run())) {
    LONG code = 0;
    result.ended = events->WaitForCompletion(static_cast<LONG>(waitMilliseconds), &code) == S_OK;
  }
  (void)control->Stop();  // teardown; what it answers changes nothing
  for (const auto& sink : sinks)
    result.samples += sink->Samples();
  return result;
}

}  // namespace fuzz

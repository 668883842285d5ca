// The player graph: a media file rendered by the graph itself, its video then taken out of that
// rendering and put through the same grabber chain as the live video into the component's video
// renderer, measured, and started. A file with sound only keeps the graph's own sound rendering and
// gets no window. Every failed step ends in one place, which reports the file as not playable and
// brings back the graph of the state before. UI thread only.

#include <filesystem>
#include <system_error>

#include "dshow/DShow.h"
#include "rudozav/RudOzav.h"
#include "rudozav/core/ComponentState.h"
#include "rudozav/core/FlagScope.h"
#include "rudozav/core/Logging.h"
#include "rudozav/core/ProcessLog.h"
#include "rudozav/frames/FrameCounting.h"
#include "rudozav/graph/FilterPins.h"
#include "rudozav/graph/GraphBuilder.h"
#include "rudozav/graph/GraphSteps.h"
#include "rudozav/graph/RendererInsertion.h"
#include "ui/Application.h"

namespace errors = rudozav::errors;

namespace {

// Renders the whole file into the component's graph ("cannot render file" is only traced: the
// failure ending reports the file).
bool RenderPlayerFile(TRavorOderiri& component) {
  TGraphState& graph = *component.State().graph;
  if (!graph.filterGraph) return false;
  const std::string& file = component.PlayerFileName();
  return rudozav::LogResult(component, graph.filterGraph->RenderFile(file.c_str(), nullptr),
                            errors::kCannotRenderFile);
}

// The file's length in frames, from a graph that rendered it; 0 when its format has no frame
// time. False when the graph has no seeking at all.
bool MeasureFrames(TRavorOderiri& component, std::int64_t& frames) {
  TGraphState& graph = *component.State().graph;
  frames = 0;
  ComPtr<IMediaSeeking> seeking;
  if (!rudozav::LogResult(component, graph.filterGraph.As(&seeking), errors::kFindMediaSeeking))
    return false;
  LONGLONG duration = 0;
  if (seeking->IsFormatSupported(&TIME_FORMAT_FRAME) == S_OK &&
      SUCCEEDED(seeking->SetTimeFormat(&TIME_FORMAT_FRAME)) &&
      SUCCEEDED(seeking->GetDuration(&duration)) && duration > 0)
    frames = duration;
  return true;
}

// Unplugs the filter that input belongs to from its upstream peer and takes it out of the graph;
// returns that peer, or empty when input is not connected.
ComPtr<IPin> DetachFilter(IGraphBuilder& graph, IBaseFilter* filter, IPin* input) {
  ComPtr<IPin> peer;
  if (input == nullptr || FAILED(input->ConnectedTo(peer.ReleaseAndGetAddressOf())) || !peer)
    return {};
  // The filter leaves the graph below, which breaks any connection that is left.
  graph.Disconnect(peer.Get());
  graph.Disconnect(input);
  graph.RemoveFilter(filter);
  return peer;
}

// Takes the video out of the graph's own rendering: its video renderer and, when a colour space
// converter feeds it, that converter too. Returns the output the video now ends at; empty when the
// file has no video.
ComPtr<IPin> TakeOutVideo(TGraphState& graph) {
  const ComPtr<IBaseFilter> renderer =
      FindRendererByMediaType(graph.filterGraph.Get(), MEDIATYPE_Video);
  if (!renderer) return {};
  ComPtr<IPin> input;
  if (FAILED(graph.captureBuilder->FindPin(renderer.Get(), PINDIR_INPUT, nullptr, nullptr, FALSE, 0,
                                           input.ReleaseAndGetAddressOf())))
    return {};
  ComPtr<IPin> pin = DetachFilter(*graph.filterGraph.Get(), renderer.Get(), input.Get());
  if (!pin) return {};
  PIN_INFO info{};
  if (FAILED(pin->QueryPinInfo(&info)) || info.pFilter == nullptr) return pin;
  const ComPtr<IBaseFilter> owner = info.pFilter;
  CLSID clsid{};
  const auto persist = owner.As<IPersist>();
  if (!persist || FAILED(persist->GetClassID(&clsid)) || clsid != CLSID_Colour) return pin;
  ComPtr<IPin> converterInput;
  if (FAILED(graph.captureBuilder->FindPin(owner.Get(), PINDIR_INPUT, nullptr, nullptr, FALSE, 0,
                                           converterInput.ReleaseAndGetAddressOf())))
    return pin;
  ComPtr<IPin> upstream = DetachFilter(*graph.filterGraph.Get(), owner.Get(), converterInput.Get());
  return upstream ? upstream : pin;
}

// Reads the file's length in media time and its average frame rate, and applies PlayerRate.
void MeasurePlayer(TRavorOderiri& component, std::int64_t frames) {
  TGraphState& graph = *component.State().graph;
  IMediaSeeking& seeking = *graph.mediaSeeking.Get();
  // A graph with seeking always supports media time; the duration stays 0 if it cannot say.
  seeking.SetTimeFormat(&TIME_FORMAT_MEDIA_TIME);
  LONGLONG duration = 0;
  if (FAILED(seeking.GetDuration(&duration)) || duration < 0) duration = 0;
  graph.playerDuration = duration;
  graph.playerFrameCount = frames;
  graph.playerFrameRate =
      duration > 0 ? static_cast<double>(frames) / static_cast<double>(duration) * 10'000'000.0
                   : 0.0;
  graph.playerPosition = 0;
  graph.playerFramePosition = 0;
  if (FAILED(seeking.SetRate(component.PlayerRate())))
    WriteProcessLog("player rate " + std::to_string(component.PlayerRate()) + " not applied");
}

}  // namespace

void TRavorOderiri::RunOpenPlayer() {
  SetBusy(true);
  BuildPlayerGraph();
  SetBusy(false);
}

bool TRavorOderiri::BuildPlayerGraph() {
  TRavorOdeririState& state = *state_;
  if (rudozav::LogCheck(*this, state.currentState == cs_Capture, errors::kStopCaptureFirst) ||
      rudozav::LogCheck(*this, playerFileName_.empty(), errors::kFileNameNotSpecified))
    return false;
  std::error_code error;
  if (!std::filesystem::is_regular_file(playerFileName_, error)) {
    rudozav::LogCheck(*this, true, errors::kFileNotFound, playerFileName_);
    if (OnPlayerFileNotFound) OnPlayerFileNotFound(this, playerFileName_);
    return false;
  }
  if (BuildPlayerChain()) return true;
  EndFailedPlayer();
  return false;
}

bool TRavorOderiri::BuildPlayerChain() {
  TRavorOdeririState& state = *state_;
  // Only now does the graph playing so far stop being the player: a refused open changes nothing.
  state.graph->playerGraph = false;
  state.endReached = false;
  // The measuring graph: only the length in frames is taken from it.
  std::int64_t frames = 0;
  if (!CreateGraphBuilder(*this) || !RenderPlayerFile(*this) || !MeasureFrames(*this, frames))
    return false;
  ClearGraph();
  ui::ProcessMessages();
  ChangeState(cs_Player);

  if (!CreateGraphBuilder(*this) || !RenderPlayerFile(*this)) return false;
  TGraphState& graph = *state.graph;
  ComPtr<IPin> pin = TakeOutVideo(graph);
  if (pin) {
    if (!InsertPreviewGrabbers(*this, pin)) return false;
    graph.recordConnectedSize = true;  // the renderer's connection fixes the video size
    const std::string rendererName = "video renderer " + std::to_string(graph.rendererStamp);
    if (!InsertRenderer(*this, pin, rendererName, graph.videoRenderer, true)) return false;
  }
  if (!rudozav::LogResult(*this, graph.filterGraph.As(&graph.mediaSeeking),
                          errors::kFindMediaSeeking))
    return false;
  MeasurePlayer(*this, frames);
  if (graph.videoRenderer.Filter) {
    SetupRendererWindows();
    ChooseActiveRenderer();
    ApplyFullScreenPreview();
  }
  StartFrameThread(&TRavorOderiri::HandlePlayerFrameEvent);
  graph.playerGraph = true;
  if (!GetGraphInterfaces(*this)) return false;
  rudozav::ResetFrameCounters(*this);
  state.videoWidth = graph.connectedVideoWidth;
  state.videoHeight = graph.connectedVideoHeight;
  ControlGraph(playerAutoStart_ ? gm_Run : gm_Pause);
  if (OnPlayerStarted) OnPlayerStarted(this);
  return true;
}

void TRavorOderiri::EndFailedPlayer() {
  TRavorOdeririState& state = *state_;
  // The graph is no player any more: clearing it fires no player progress.
  state.graph->playerGraph = false;
  rudozav::LogCheck(*this, true, errors::kCannotPlay, playerFileName_);
  ChangeState(BaseState());
  // Without a preview to bring back there is only the graph to clear: a restart would report a
  // missing camera the player never needed.
  if (state.currentState == cs_Preview) {
    RestartGraph(true);
  } else {
    ClearGraph();
  }
}

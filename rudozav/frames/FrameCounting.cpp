// Frame counting, sample time and time code. UI thread only.

#include "rudozav/frames/FrameCounting.h"

#include <algorithm>

#include "clock/Clock.h"
#include "rudozav/RudOzav.h"
#include "rudozav/core/ComponentState.h"
#include "rudozav/core/FlagScope.h"

namespace rudozav {
namespace {

constexpr REFERENCE_TIME kUnitsPerMillisecond = kUnitsPerSecond / 1000;

double Seconds(REFERENCE_TIME units) {
  return static_cast<double>(units) / kUnitsPerSecond;
}

// Milliseconds since the running graph started; 0 before any graph ran.
std::int64_t ElapsedMilliseconds(const TFrameCounters& counters) {
  return counters.startTick ? static_cast<std::int64_t>(GetTickCount64() - *counters.startTick) : 0;
}

void FireProgress(TRavorOderiri& component, double seconds) {
  const TFrameCounters& counters = component.State().counters;
  if (component.OnCaptureProgress) {
    component.OnCaptureProgress(&component, seconds, static_cast<int>(counters.delivered),
                                counters.dropped);
  }
}

// A tick counter that acts every interval ticks (0 and 1 act at every tick).
bool TickDue(unsigned& ticks, unsigned interval) {
  if (++ticks < interval) return false;
  ticks = 0;
  return true;
}

bool CountingState(const TRavorOderiri& component) {
  const TCurrentState state = component.CurrentState();
  return state == cs_Preview || state == cs_Capture;
}

// Frame events carry the progress report when they flow and frame counting asks for them.
bool FrameEventsReportProgress(const TRavorOderiri& component) {
  return component.State().graph->frameEventGrabber &&
         component.FrameCountMethod() == fim_FrameEvent;
}

}  // namespace

TTimeCode DecodeTimeCode(std::uint32_t packed) {
  const auto byte = [packed](int shift) { return static_cast<int>((packed >> shift) & 0xFF); };
  if (byte(0) == 0xFF || byte(8) == 0xFF) return {};
  const auto bcd = [](int value) { return (value >> 4) * 10 + (value & 0x0F); };
  return {bcd(byte(24)), bcd(byte(16)), bcd(byte(8)), bcd(byte(0))};
}

void ResetFrameCounters(TRavorOderiri& component) {
  TRavorOdeririState& state = component.State();
  TFrameCounters& counters = state.counters;
  if (state.graph->activeRecord != nullptr) state.graph->activeRecord->FrameCount = 0;
  counters.delivered = 0;
  counters.dropped = 0;
  counters.droppedBase = 0;
  counters.deliveredBase = 0;
  if (IAMDroppedFrames* dropped = state.graph->droppedFramesInterface.Get()) {
    // A failed read leaves its base at 0.
    dropped->GetNumDropped(&counters.droppedBase);
    dropped->GetNumNotDropped(&counters.deliveredBase);
  }
  counters.startTick = GetTickCount64();
}

void ReadTrackNumber(TRavorOderiri& component) {
  TRavorOdeririState& state = component.State();
  IAMTimecodeReader* reader = state.graph->timecodeReaderInterface.Get();
  if (reader == nullptr) return;
  TIMECODE_SAMPLE sample;
  sample.dwFlags = ED_DEVCAP_ATN_READ;
  if (SUCCEEDED(reader->GetTimecode(&sample)))
    state.counters.trackNumber = static_cast<LONG>(sample.timecode.dwFrames);
}

void ReadTimeCode(TRavorOderiri& component) {
  TRavorOdeririState& state = component.State();
  // Kept alive while the handler runs: it may clear the graph.
  const ComPtr<IAMTimecodeReader> reader = state.graph->timecodeReaderInterface;
  if (!reader || state.timeCodeReading) return;
  const TFlagScope scope(state.timeCodeReading);
  TIMECODE_SAMPLE sample;
  sample.dwFlags = ED_DEVCAP_TIMECODE_READ;
  const TTimeCode code = SUCCEEDED(reader->GetTimecode(&sample))
                             ? DecodeTimeCode(sample.timecode.dwFrames)
                             : TTimeCode{};
  if (component.OnTimeCodeReader) {
    component.OnTimeCodeReader(&component, state.counters.trackNumber, code.hh, code.mm, code.ss,
                               code.ff);
  }
}

void UpdateDroppedFrames(TRavorOderiri& component) {
  TRavorOdeririState& state = component.State();
  LONG dropped = 0;
  IAMDroppedFrames* counter = state.graph->droppedFramesInterface.Get();
  if (counter == nullptr || FAILED(counter->GetNumDropped(&dropped))) return;
  state.counters.dropped = std::max<LONG>(dropped - state.counters.droppedBase, 0);
}

void UpdateDeliveredFrames(TRavorOderiri& component) {
  TRavorOdeririState& state = component.State();
  TFrameCounters& counters = state.counters;
  // Frame events own the count and the frame times while they flow.
  if (state.graph->frameEventGrabber) return;
  if (const TGrabberControl* record = state.graph->activeRecord) {
    counters.delivered = record->FrameCount.load();
  } else if (IAMDroppedFrames* counter = state.graph->droppedFramesInterface.Get()) {
    LONG delivered = 0;
    if (SUCCEEDED(counter->GetNumNotDropped(&delivered)))
      counters.delivered = std::max<LONG>(delivered - counters.deliveredBase, 0);
  } else {
    return;
  }
  counters.previousFrameTime = counters.currentFrameTime;
  counters.currentFrameTime = ElapsedMilliseconds(counters);
}

void CountFrameEvent(TRavorOderiri& component) {
  TRavorOdeririState& state = component.State();
  const TGrabberControl* record = state.graph->activeRecord;
  if (record == nullptr) return;
  TFrameCounters& counters = state.counters;
  counters.previousFrameTime = counters.currentFrameTime;
  counters.currentFrameTime = record->SampleTime.load();
  if (counters.firstFrameTime == -1) counters.firstFrameTime = counters.currentFrameTime;
  counters.delivered = record->FrameCount.load();
}

void ReportFrameEvent(TRavorOderiri& component) {
  TRavorOdeririState& state = component.State();
  if (component.TimeCodeReaderMethod() == fim_FrameEvent && component.OnTimeCodeReader)
    ReadTimeCode(component);
  // The time code's handler may have ended the graph.
  const TFrameCounters& counters = state.counters;
  if (component.FrameCountMethod() == fim_FrameEvent && CountingState(component) &&
      counters.firstFrameTime != -1)
    FireProgress(component, Seconds(counters.currentFrameTime - counters.firstFrameTime));
}

void PollFrameInformation(TRavorOderiri& component) {
  TRavorOdeririState& state = component.State();
  TGraphState& graph = *state.graph;
  if (graph.timecodeReaderInterface && component.OnTimeCodeReader) {
    if (component.TimeCodeReaderMethod() == fim_Polling) {
      if (TickDue(graph.timeCodeTicks, component.TimeCodeReaderPollingInterval()))
        ReadTimeCode(component);
    } else if (component.TimeCodeReaderMethod() == fim_FrameEvent) {
      ReadTimeCode(component);
    }
  }
  if (!CountingState(component)) return;
  bool progressDue = false;
  if (component.FrameCountMethod() == fim_Polling &&
      TickDue(graph.frameCountTicks, component.FrameCountPollingInterval())) {
    UpdateDeliveredFrames(component);
    progressDue = true;
  }
  if (component.DroppedFrameCountMethod() != fim_None &&
      TickDue(graph.droppedCountTicks, component.DroppedFrameCountPollingInterval())) {
    UpdateDroppedFrames(component);
    progressDue = true;
  }
  // Polled progress reports how long the graph has run.
  if (progressDue && !FrameEventsReportProgress(component))
    FireProgress(component, Seconds(ElapsedMilliseconds(state.counters) * kUnitsPerMillisecond));
}

void FinishFrameCounters(TRavorOderiri& component) {
  TRavorOdeririState& state = component.State();
  TFrameCounters& counters = state.counters;
  if (component.DroppedFrameCountMethod() != fim_None) UpdateDroppedFrames(component);
  if (component.FrameCountMethod() != fim_None) UpdateDeliveredFrames(component);
  if (!state.destroying) {
    if (state.currentState == cs_Capture && component.FrameCountMethod() == fim_FrameEvent &&
        counters.firstFrameTime != -1) {
      // The capture lasted until the end of its last frame.
      counters.lastDuration = counters.currentFrameTime +
                              (counters.currentFrameTime - counters.previousFrameTime) -
                              counters.firstFrameTime;
      FireProgress(component, Seconds(counters.lastDuration));
    } else if (state.currentState == cs_Preview) {
      const std::int64_t elapsed = ElapsedMilliseconds(counters);
      counters.lastDuration = elapsed * kUnitsPerMillisecond;
      FireProgress(component, static_cast<double>(elapsed) / 1000.0);
    }
  }
  counters.currentFrameTime = 0;
  counters.previousFrameTime = 0;
  counters.firstFrameTime = -1;
  counters.startTick.reset();
}

}  // namespace rudozav

#pragma once
// Counting delivered and dropped frames, the sample time of the running video and the tape's
// time code, and reporting them through OnCaptureProgress and OnTimeCodeReader. Each kind of
// information is gathered as its TFrameInfoMethod says: not at all, on the periodic tick, or from
// the frame events of the active grabber record. UI thread only.

#include <cstdint>

class TRavorOderiri;

namespace rudozav {

// Zeroes the counters once the graph runs; the device's own counts become the bases.
void ResetFrameCounters(TRavorOderiri& component);

// The absolute track number of the tape, read once while a graph is built.
void ReadTrackNumber(TRavorOderiri& component);
// Reads the time code and reports it (all four values -1 for a failed read or a blank tape).
// Nothing without a time code reader, or while a read runs further up the stack.
void ReadTimeCode(TRavorOderiri& component);

// The dropped-frame count from the capture pin's counter, relative to its base.
void UpdateDroppedFrames(TRavorOderiri& component);
// The delivered-frame count and polled frame time, when no frame events give them.
void UpdateDeliveredFrames(TRavorOderiri& component);

// Frame events: the counters from the active record (every event, nested ones too), then the
// time code and progress reports (only in the outermost handler of a preview or capture).
void CountFrameEvent(TRavorOderiri& component);
void ReportFrameEvent(TRavorOderiri& component);

// The tick's part: time code reads and polled counts at their intervals, and the progress report
// when frame events do not give it.
void PollFrameInformation(TRavorOderiri& component);

// The last read of a graph that has stopped, and its final progress report (none while the
// component is being destroyed). The frame times then start afresh.
void FinishFrameCounters(TRavorOderiri& component);

// A packed BCD time code (hours, minutes, seconds, frames from the highest byte down) as the
// four numbers, or all -1 when the seconds or frames byte is 0xFF (no time code on the tape).
struct TTimeCode {
  int hh = -1;
  int mm = -1;
  int ss = -1;
  int ff = -1;
  friend bool operator==(const TTimeCode&, const TTimeCode&) = default;
};
TTimeCode DecodeTimeCode(std::uint32_t packed);

}  // namespace rudozav

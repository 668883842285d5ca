#pragma once
// The audio renderer's reference clock: the platform clock (clock/Clock.h) plus an offset.
//
// While the renderer plays to a sound device it tells the clock, after each write, which
// reference time the device is sounding now (Follow). The offset is slewed toward that, by a
// fraction of the difference and never by more than kMaxSlewPercent of the time since the last
// adjustment, so the clock keeps the pace of the sound card's crystal when it runs apart from the
// system's, yet stays monotonic and continuous. When the device and the clock are too far apart
// to slew (a device that started late, a stall just ended) the clock takes the device's pace from
// where it stands instead of jumping.
//
// Without reports (no device, the silent sink, pause, stop, an underrun) and while the device
// stalls (its position stands still), the offset stands and the clock follows the platform
// clock: it never stops, so a renderer waiting on it, the audio renderer included, never waits
// for the sound card.
//
// Threads: Now from any thread (renderers waiting for a sample's time, the graph); Follow from
// the audio renderer's streaming thread; Release from that thread and the application's. One
// mutex of its own guards the state and is never held while anything else is taken.

#include <mutex>

#include "com/Types.h"

class AudioClock {
 public:
  // At most this much of the elapsed time is added to or taken from the offset: the clock runs
  // between 0.99 and 1.01 times the platform clock's pace.
  static constexpr REFERENCE_TIME kMaxSlewPercent = 1;
  // A device whose position stands still this long has stalled.
  static constexpr REFERENCE_TIME kStall = 200 * 10'000;
  // Differences above this are not slewed away: the clock takes the device's pace from here.
  static constexpr REFERENCE_TIME kResync = 200 * 10'000;

  // The reference time now, in 100-ns units; never below an earlier reading.
  REFERENCE_TIME Now();
  // The sound due at reference time `sounding` is being heard now.
  void Follow(REFERENCE_TIME sounding);
  // Stops following the device until the next Follow: the clock follows the platform clock.
  void Release();

 private:
  REFERENCE_TIME ReadLocked(REFERENCE_TIME platform);
  // Whether the device's position has stood still for kStall; notes where it stands.
  bool StalledLocked(REFERENCE_TIME sounding, REFERENCE_TIME platform);

  std::mutex lock_;
  REFERENCE_TIME offset_ = 0;     // added to the platform clock
  REFERENCE_TIME last_ = 0;       // the highest reading handed out
  bool following_ = false;        // a device reported since the last Release
  REFERENCE_TIME shift_ = 0;      // added to the device's time: where the clock should be
  REFERENCE_TIME adjusted_ = 0;   // platform time of the last adjustment
  REFERENCE_TIME sounding_ = 0;   // the device's time at the last report
  REFERENCE_TIME lastMoved_ = 0;  // platform time when the device's time last moved
};

#pragma once
// An in-memory ALSA for tests: playback devices that record what is written to them and play it
// by the platform clock at a speed of choice, with faults to inject (open fails, underruns, short
// writes, stalls), and capture devices that produce a tone or
// the samples a test gives, paced in real time or a period whenever asked, with the faults real
// devices show (busy, overrun, suspend, unplug, no timestamps). Install it with
// SetDefaultAlsaApi.
//
// Capture devices behave as libasound's non-blocking PCMs: SetParams prepares, Start runs, Read
// answers -EAGAIN while nothing is there; after -EPIPE or -ESTRPIPE only Recover and Start bring
// the stream back; -ENODEV is for good. A hardware device ("hw:...") is opened by one at a time
// (-EBUSY for a second); "plughw:..." opens the same device through a plug layer that accepts any
// format. Read of a stream that was not started answers -EBADFD (libasound would start it).
//
// Threads: the renderer writes and a capture pin reads on its streaming thread while a test
// reads counters, adds and removes devices; every member is guarded by one mutex, and a capture's
// Wait sleeps on a condition variable that removal wakes. Make it with std::make_shared: opened
// devices share it.

#include <chrono>
#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "com/Types.h"
#include "devices/alsa/AlsaApi.h"

// How a fake capture device behaves.
struct FakeCaptureConfig {
  // What it accepts (Accepts, SetParams): every combination of these.
  std::vector<PcmSampleFormat> formats = {PcmSampleFormat::kS16LE, PcmSampleFormat::kU8};
  std::vector<unsigned> channels = {1, 2};
  std::vector<unsigned> rates = {44100, 48000};
  // What it captures: these interleaved samples in the format set, over and over; without them
  // a sine tone on every channel.
  std::vector<BYTE> samples;
  double toneFrequency = 440;
  double toneAmplitude = 0.25;  // of full scale
  // Paced: frames arrive at the rate on std::chrono::steady_clock from Start, a reader that
  // falls a buffer behind loses the oldest. Unpaced: a period is there whenever asked.
  bool paced = true;
  // Faults. Reads count the successful ones.
  int openError = 0;           // every open fails so (-EBUSY: held by another program)
  int overrunAfterReads = -1;  // then -EPIPE, once, until Recover and Start
  int suspendAfterReads = -1;  // then -ESTRPIPE, once, until Recover and Start
  int goneAfterReads = -1;     // then -ENODEV for good, as after an unplug
  bool noTimestamps = false;   // Timestamp answers -EINVAL (htimestamp stays 0)
};

class FakeAlsa final : public AlsaApi, public std::enable_shared_from_this<FakeAlsa> {
 public:
  // What one opened device saw.
  struct DeviceRecord {
    std::string name;
    bool paramsSet = false;
    PcmSampleFormat format = PcmSampleFormat::kS16LE;
    unsigned channels = 0;
    unsigned rate = 0;
    std::vector<BYTE> written;
    int writeCalls = 0;
    int recoveries = 0;
    int drops = 0;
    int drains = 0;
    bool closed = false;
  };

  // Every open fails with error (a negative errno) while it is not 0.
  void FailOpen(int error);
  // SetParams fails with error while it is not 0.
  void FailParams(int error);
  // The next count writes fail with error (-EPIPE: an underrun) before writing anything.
  void FailWrites(int count, int error);
  // Each write takes at most frames frames (0: no limit).
  void LimitWrite(unsigned long frames);
  // Playback devices play what was written from the first write on, by the platform clock
  // (clock/Clock.h) times speed: 1.005 is a crystal 0.5% fast. Writes never wait; Delay tells
  // what is still queued, or -EPIPE once everything has played (an underrun).
  void SetPlaybackSpeed(double speed);
  // A stalled device plays nothing until released; Delay keeps telling the same frames.
  void StallPlayback(bool stalled);

  std::unique_ptr<AlsaPcm> OpenPlayback(const std::string& device, int* error) override;

  // What happened to a capture device since it was added.
  struct CaptureCounters {
    int opens = 0;       // successful opens
    int openNow = 0;     // captures not yet destroyed
    int reads = 0;       // Read calls, whatever they answered
    int framesRead = 0;  // frames handed out
    int recoveries = 0;  // Recover calls
    int starts = 0;      // Start calls
  };

  // Adds a capture device, listed by CaptureDevices in the order added; one with the same pcm is
  // replaced (as RemoveCaptureDevice, then added).
  void AddCaptureDevice(AlsaCaptureDeviceInfo info, FakeCaptureConfig config = {});
  // Unplugs it: no longer listed or opened, and captures open on it answer -ENODEV from now on.
  void RemoveCaptureDevice(const std::string& pcm);
  // The counters of the device listed under pcm, else of the one last removed under it (zeros
  // for one never added).
  CaptureCounters Counters(const std::string& pcm) const;

  std::unique_ptr<AlsaCapture> OpenCapture(const std::string& device, int* error) override;
  std::vector<AlsaCaptureDeviceInfo> CaptureDevices() override;

  // Gives card a capture mixer (replacing the one it had); cards without one answer -ENOENT.
  void SetCaptureMixer(int card, AlsaCaptureMixer mixer);
  // The card's mixer as written so far, and how many writes reached it.
  AlsaCaptureMixer CaptureMixer(int card) const;
  int MixerWrites(int card) const;

  int ReadCaptureMixer(int card, AlsaCaptureMixer* mixer) override;
  int SetCaptureVolume(int card, long volume) override;
  int SetCaptureSwitch(int card, bool capturing) override;
  int SetCaptureSource(int card, int source) override;

  int OpenAttempts() const;
  // Copies of the records of every device opened so far, in order.
  std::vector<DeviceRecord> Devices() const;
  // Bytes written to every device so far.
  size_t BytesWritten() const;

 private:
  friend class FakePcm;
  friend class FakeCapture;

  void RemoveCaptureDeviceLocked(const std::string& pcm);
  // Platform milliseconds spent stalled so far, the stall going on included.
  ULONGLONG StalledMsLocked(ULONGLONG now) const;

  struct CaptureDevice {
    AlsaCaptureDeviceInfo info;
    FakeCaptureConfig config;
    CaptureCounters counters;
    bool gone = false;
  };

  mutable std::mutex mutex_;
  int openError_ = 0;
  int paramsError_ = 0;
  int failingWrites_ = 0;
  int writeError_ = 0;
  unsigned long writeLimit_ = 0;
  double playbackSpeed_ = 1.0;
  bool playbackStalled_ = false;
  ULONGLONG stallStart_ = 0;  // when the stall going on began
  ULONGLONG stalledMs_ = 0;   // stalls that ended
  int openAttempts_ = 0;
  std::vector<DeviceRecord> devices_;
  // Capture devices in the order added; a removed one lives on with open captures.
  std::vector<std::shared_ptr<CaptureDevice>> captureDevices_;
  std::vector<std::shared_ptr<CaptureDevice>> removedCaptureDevices_;  // for their counters
  std::condition_variable changed_;  // a capture device was removed
  std::map<int, AlsaCaptureMixer> mixers_;
  std::map<int, int> mixerWrites_;
};

#pragma once
// What every capture filter shares, whatever the back-end: a live source bound to one device,
// which it claims when it leaves Stopped and gives back when it stops, and which may go away
// while it streams. A device that goes away (unplugged, or failing for good) is told to the
// graph once with EC_DEVICE_LOST (param1 the filter's IUnknown, not counted; param2 0); the pins
// deliver nothing more and Stop still ends every thread.
//
// Threads: state changes on the application's thread; WaitUntil, WaitForStop, IsLost and
// LoseDevice on the pins' streaming threads (and any other).

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>

#include "devices/capture/DeviceResults.h"
#include "dshow/base/Source.h"

namespace devices {

class CaptureFilter : public CSource {
 public:
  CaptureFilter(const CLSID& clsid, std::string deviceName);

  bool IsLive() const override { return true; }
  // From Stopped: fails, staying stopped, when the device is gone or cannot be claimed
  // (kDeviceInUse while another filter or program streams from it).
  HRESULT Pause() override;
  HRESULT Stop() override;

  // The device's name, for diagnostics.
  const std::string& DeviceName() const { return deviceName_; }

  // Any thread: whether the filter is stopped or stopping.
  bool IsStopping();
  // Streaming threads: waits until due; false when the filter stops meanwhile.
  bool WaitUntil(std::chrono::steady_clock::time_point due);
  // Streaming threads: waits until the filter stops.
  void WaitForStop();
  // Whether the device is gone; notices a device that went away by itself (DeviceGone).
  bool IsLost();
  // Marks the device lost and notifies the graph, once.
  void LoseDevice();

 protected:
  ~CaptureFilter() override;

  // Application thread, from Stopped towards Paused: take the device for streaming. A failure
  // keeps the filter stopped and is what Pause returns.
  virtual HRESULT ClaimDevice() = 0;
  // Application thread, after the streaming threads ended: give the device back.
  virtual void ReleaseDevice() = 0;
  // Application thread, while stopping: ends the streaming threads' waits on the device.
  virtual void WakeStreams() {}
  // Any thread: whether the device went away without a streaming thread noticing.
  virtual bool DeviceGone() { return false; }
  // Application thread: ReleaseDevice when the device is claimed. A derived filter calls it in
  // its destructor, since a filter may go while it holds its device.
  void GiveBackDevice();

 private:
  const std::string deviceName_;
  std::mutex waitLock_;
  std::condition_variable wake_;
  bool stopping_ = true;  // guarded by waitLock_; true while stopped
  bool claimed_ = false;  // application thread: the filter holds the device
  std::atomic<bool> lost_{false};
};

}  // namespace devices

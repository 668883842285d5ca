#pragma once
// What the virtual video and audio capture filters share: the device they are bound to, its
// faults, and live streaming. A capture filter is a live source: its pins deliver while the
// graph runs, paced by the wall clock and stamped with the graph clock's stream time.
//
// The device may go away (unplugged, or described to be lost after a number of frames): the
// filter then tells its graph once with EC_DEVICE_LOST (param1 the filter's IUnknown, not
// counted; param2 0) and its pins deliver nothing more. Stop still ends every thread.
//
// Threads: state changes and IAMxxx calls on the application's thread; WaitUntil, LoseDevice and
// IsLost on the pins' streaming threads.

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>

#include "devices/DeviceDescription.h"
#include "devices/DevicePresence.h"
#include "dshow/base/Source.h"

namespace devices {

// Binding is refused while another filter streams from the device, or when it is described
// as held by another program.
inline constexpr HRESULT kDeviceInUse = HRESULT_FROM_WIN32(170);  // ERROR_BUSY
inline constexpr HRESULT kDeviceNotConnected = HRESULT_FROM_WIN32(1167);

class VirtualCaptureFilter : public CSource {
 public:
  VirtualCaptureFilter(const CLSID& clsid, std::shared_ptr<const DeviceDescription> device,
                       std::shared_ptr<DevicePresence> presence);

  bool IsLive() const override { return true; }
  // Refused with E_FAIL when the device is described to fail joining graphs.
  HRESULT JoinFilterGraph(IFilterGraph* graph, LPCOLESTR name) override;
  // From Stopped: fails while the device is in use or gone.
  HRESULT Pause() override;
  HRESULT Stop() override;

  const DeviceDescription& Device() const { return *device_; }

  // Streaming threads: waits until due; false when the filter stops meanwhile.
  bool WaitUntil(std::chrono::steady_clock::time_point due);
  // Streaming threads: waits until the filter stops.
  void WaitForStop();
  // Whether the device is gone; notices an unplug.
  bool IsLost();
  // Marks the device lost and notifies the graph, once.
  void LoseDevice();

 protected:
  ~VirtualCaptureFilter() override;

 private:
  const std::shared_ptr<const DeviceDescription> device_;
  const std::shared_ptr<DevicePresence> presence_;
  std::mutex waitLock_;
  std::condition_variable wake_;
  bool stopping_ = true;  // guarded by waitLock_; true while stopped
  bool claimed_ = false;  // application thread: the filter holds the device
  std::atomic<bool> lost_{false};
};

}  // namespace devices

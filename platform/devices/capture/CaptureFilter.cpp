#include "devices/capture/CaptureFilter.h"

#include "com/Diagnostics.h"
#include "dshow/GraphInterfaces.h"

namespace devices {

CaptureFilter::CaptureFilter(const CLSID& clsid, std::string deviceName)
    : CSource(clsid), deviceName_(std::move(deviceName)) {}

// A derived filter's ReleaseDevice is gone by now: derived filters call GiveBackDevice in their
// own destructors.
CaptureFilter::~CaptureFilter() = default;

HRESULT CaptureFilter::Pause() {
  if (IsStopped()) {
    if (lost_.load() || DeviceGone()) return kDeviceNotConnected;
    if (!claimed_) {
      const HRESULT claim = ClaimDevice();
      if (FAILED(claim)) {
        diag::Debug("devices", deviceName_, " cannot be claimed: ", HResultText(claim));
        return claim;
      }
      claimed_ = true;
    }
    std::lock_guard lock(waitLock_);
    stopping_ = false;
  }
  const HRESULT hr = CSource::Pause();
  if (FAILED(hr) && IsStopped()) {
    {
      std::lock_guard lock(waitLock_);
      stopping_ = true;
    }
    GiveBackDevice();
  }
  return hr;
}

HRESULT CaptureFilter::Stop() {
  {
    std::lock_guard lock(waitLock_);
    stopping_ = true;
  }
  wake_.notify_all();
  WakeStreams();
  const HRESULT hr = CSource::Stop();
  GiveBackDevice();
  return hr;
}

void CaptureFilter::GiveBackDevice() {
  if (!claimed_) return;
  claimed_ = false;
  ReleaseDevice();
}

bool CaptureFilter::IsStopping() {
  std::lock_guard lock(waitLock_);
  return stopping_;
}

bool CaptureFilter::WaitUntil(std::chrono::steady_clock::time_point due) {
  std::unique_lock lock(waitLock_);
  wake_.wait_until(lock, due, [this] { return stopping_; });
  return !stopping_;
}

void CaptureFilter::WaitForStop() {
  std::unique_lock lock(waitLock_);
  wake_.wait(lock, [this] { return stopping_; });
}

bool CaptureFilter::IsLost() {
  if (!lost_.load() && DeviceGone()) LoseDevice();
  return lost_.load();
}

void CaptureFilter::LoseDevice() {
  if (lost_.exchange(true)) return;
  diag::Debug("devices", deviceName_, " is lost");
  // Nobody to tell outside a graph; the pins stop delivering all the same.
  (void)NotifyEvent(EC_DEVICE_LOST, reinterpret_cast<LONG_PTR>(static_cast<IUnknown*>(this)), 0);
}

}  // namespace devices

#include "devices/VirtualCaptureFilter.h"

#include "com/Diagnostics.h"
#include "dshow/GraphInterfaces.h"

namespace devices {

VirtualCaptureFilter::VirtualCaptureFilter(const CLSID& clsid,
                                           std::shared_ptr<const DeviceDescription> device,
                                           std::shared_ptr<DevicePresence> presence)
    : CSource(clsid), device_(std::move(device)), presence_(std::move(presence)) {}

VirtualCaptureFilter::~VirtualCaptureFilter() {
  if (claimed_) presence_->Release();
}

HRESULT VirtualCaptureFilter::JoinFilterGraph(IFilterGraph* graph, LPCOLESTR name) {
  if (graph != nullptr && device_->faults.addFails) {
    diag::Debug("devices", device_->friendlyName, " refuses to join a graph, as described");
    return E_FAIL;
  }
  return CSource::JoinFilterGraph(graph, name);
}

HRESULT VirtualCaptureFilter::Pause() {
  if (IsStopped()) {
    if (!presence_->IsPresent() || lost_.load()) return kDeviceNotConnected;
    if (device_->faults.inUse) return kDeviceInUse;
    if (!claimed_) {
      if (!presence_->TryClaim()) return kDeviceInUse;
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
    if (claimed_) presence_->Release();
    claimed_ = false;
  }
  return hr;
}

HRESULT VirtualCaptureFilter::Stop() {
  {
    std::lock_guard lock(waitLock_);
    stopping_ = true;
  }
  wake_.notify_all();
  const HRESULT hr = CSource::Stop();
  if (claimed_) {
    presence_->Release();
    claimed_ = false;
  }
  return hr;
}

bool VirtualCaptureFilter::WaitUntil(std::chrono::steady_clock::time_point due) {
  std::unique_lock lock(waitLock_);
  wake_.wait_until(lock, due, [this] { return stopping_; });
  return !stopping_;
}

void VirtualCaptureFilter::WaitForStop() {
  std::unique_lock lock(waitLock_);
  wake_.wait(lock, [this] { return stopping_; });
}

bool VirtualCaptureFilter::IsLost() {
  if (!lost_.load() && !presence_->IsPresent()) LoseDevice();
  return lost_.load();
}

void VirtualCaptureFilter::LoseDevice() {
  if (lost_.exchange(true)) return;
  diag::Debug("devices", device_->friendlyName, " is lost");
  // Nobody to tell outside a graph; the pins stop delivering all the same.
  (void)NotifyEvent(EC_DEVICE_LOST, reinterpret_cast<LONG_PTR>(static_cast<IUnknown*>(this)), 0);
}

}  // namespace devices

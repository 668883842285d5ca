#pragma once
// What a plugged virtual device and the filters bound to it share: whether the device is still
// plugged in, and which filter streams from it. Unplugging clears the flag; every filter of the
// device then behaves as if the hardware had gone (EC_DEVICE_LOST, no more samples). A device
// that is plugged in again gets a new presence, so filters of its earlier life stay lost.
//
// Any thread: the registry clears the flag, streaming threads read it.

#include <atomic>

namespace devices {

class DevicePresence {
 public:
  bool IsPresent() const { return present_.load(std::memory_order_acquire); }
  void MarkRemoved() { present_.store(false, std::memory_order_release); }

  // A device streams to one filter at a time, as real capture hardware does. True when the
  // caller now holds the device; Release gives it back.
  bool TryClaim() {
    bool expected = false;
    return claimed_.compare_exchange_strong(expected, true, std::memory_order_acq_rel);
  }
  void Release() { claimed_.store(false, std::memory_order_release); }

 private:
  std::atomic<bool> present_{true};
  std::atomic<bool> claimed_{false};
};

}  // namespace devices

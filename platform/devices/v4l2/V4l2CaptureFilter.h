#pragma once
// The capture filter of a V4L2 node (a USB camera, an HDMI or composite dongle, an analog card):
// a live source with one capture pin (V4l2VideoPin) and the node's controls as IAMVideoProcAmp
// and IDeviceControls. The node is opened when the filter is made and stays open for its
// controls; streaming claims it when the filter leaves Stopped.
//
// Threads: application thread, except the pin's streaming.

#include <memory>
#include <string>

#include "devices/capture/CaptureFilter.h"
#include "devices/v4l2/V4l2Controls.h"
#include "devices/v4l2/V4l2VideoPin.h"

namespace devices {

class V4l2CaptureFilter : public CaptureFilter {
 public:
  // Opens the node and probes its formats; null with *result set when the node cannot be opened.
  static ComPtr<V4l2CaptureFilter> Open(std::shared_ptr<V4l2Api> api, const std::string& devnode,
                                        const std::string& friendlyName, HRESULT* result);

  V4l2CaptureFilter(std::shared_ptr<const V4l2Device> device, std::string friendlyName);

  int GetPinCount() override { return CaptureFilter::GetPinCount(); }
  CBasePin* GetPin(int index) override { return CaptureFilter::GetPin(index); }

 protected:
  ~V4l2CaptureFilter() override;
  HRESULT QueryFilterInterface(REFIID riid, void** object) override;
  HRESULT ClaimDevice() override { return pin_->PrepareStreaming(); }
  void ReleaseDevice() override { pin_->EndStreaming(); }
  void WakeStreams() override { pin_->Wake(); }

 private:
  const std::shared_ptr<const V4l2Device> device_;
  V4l2VideoPin* pin_;  // owned by CSource
  V4l2Controls controls_;
  V4l2ProcAmp procAmp_;
  const bool hasProcAmp_;
};

}  // namespace devices

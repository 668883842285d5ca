#pragma once
// The capture filter of a V4L2 node (a USB camera, an HDMI or composite dongle, an analog card):
// a live source with one capture pin (V4l2VideoPin) and the node's controls as IAMVideoProcAmp
// and IDeviceControls. The node is opened when the filter is made and stays open for its
// controls; streaming claims it when the filter leaves Stopped.
//
// An analog node also answers, as it has them: its inputs as a crossbar filter of its own
// (V4l2Crossbar) that feeds an analog video input pin and that IUpstreamDeviceFilters puts into
// the graph; its standards as IAMAnalogVideoDecoder; its analog TV tuner as IAMTVTuner.
// ISpecifyPropertyPages names the controls page, and the tuner page when it has a tuner.
//
// Threads: application thread, except the pin's streaming.

#include <memory>
#include <string>

#include "devices/capture/CaptureFilter.h"
#include "devices/capture/PropertyPageList.h"
#include "devices/capture/UpstreamCrossbars.h"
#include "devices/v4l2/V4l2AnalogControls.h"
#include "devices/v4l2/V4l2Controls.h"
#include "devices/v4l2/V4l2VideoPin.h"

namespace devices {

class V4l2CaptureFilter : public CaptureFilter {
 public:
  // Opens the node and probes its formats; null with *result set when the node cannot be opened.
  static ComPtr<V4l2CaptureFilter> Open(std::shared_ptr<V4l2Api> api, const std::string& devnode,
                                        const std::string& friendlyName, HRESULT* result);

  V4l2CaptureFilter(std::shared_ptr<const V4l2Device> device, std::string friendlyName);

  // The analog video input (when the node has a crossbar) comes first, then the capture pin.
  int GetPinCount() override;
  CBasePin* GetPin(int index) override;

 protected:
  ~V4l2CaptureFilter() override;
  HRESULT QueryFilterInterface(REFIID riid, void** object) override;
  HRESULT ClaimDevice() override { return pin_->PrepareStreaming(); }
  void ReleaseDevice() override { pin_->EndStreaming(); }
  void WakeStreams() override { pin_->Wake(); }

 private:
  void MakeAnalogParts();
  std::vector<ComPtr<CrossbarFilter>> MakeCrossbars() const;

  const std::shared_ptr<const V4l2Device> device_;
  const LONG standards_;  // AnalogVideo_* bits; 0 without standards
  V4l2VideoPin* pin_;     // owned by CSource
  V4l2Controls controls_;
  V4l2ProcAmp procAmp_;
  const bool hasProcAmp_;
  std::unique_ptr<AnalogPin> analogInput_;
  std::unique_ptr<UpstreamCrossbars> upstream_;
  std::unique_ptr<V4l2Decoder> decoder_;
  std::unique_ptr<V4l2Tuner> tuner_;
  std::unique_ptr<PropertyPageList> pages_;  // made with the analog parts it names
};

}  // namespace devices

#pragma once
// The capture filter of a virtual camera or capture card. Its output pins are those of the
// description; a card with crossbars also has an analog video input, which the crossbar next to
// it feeds. The crossbars are filters of their own: AddUpstreamFilters puts them into the graph
// and connects them, as the capture graph builder asks before it searches upstream.
//
// It answers IUpstreamDeviceFilters when it has crossbars, and the controls its description names:
// IAMVideoProcAmp, IAMAnalogVideoDecoder, IAMTVTuner, IAMTVAudio, IAMTimecodeReader,
// IAMExtTransport, IAMVfwCaptureDialogs. With picture controls it also answers IDeviceControls
// and paints them into its picture (Adjustment). ISpecifyPropertyPages names the pages of the
// controls, the tuner and the TV sound it has.
//
// Threads: application thread, except the pins' streaming (see VirtualVideoPin).

#include <memory>
#include <vector>

#include "devices/capture/PropertyPageList.h"
#include "devices/capture/UpstreamCrossbars.h"
#include "devices/virtual/VirtualAnalogControls.h"
#include "devices/virtual/VirtualCaptureFilter.h"
#include "devices/virtual/VirtualCrossbar.h"
#include "devices/virtual/VirtualDeviceControls.h"
#include "devices/virtual/VirtualProcAmp.h"
#include "devices/virtual/VirtualTapeControls.h"
#include "devices/virtual/VirtualVideoPin.h"

namespace devices {

class VirtualVideoCapture : public VirtualCaptureFilter {
 public:
  VirtualVideoCapture(std::shared_ptr<const DeviceDescription> device,
                      std::shared_ptr<DevicePresence> presence);

  int GetPinCount() override;
  CBasePin* GetPin(int index) override;
  PictureAdjustment Adjustment() const override;

 protected:
  ~VirtualVideoCapture() override;
  HRESULT QueryFilterInterface(REFIID riid, void** object) override;

 private:
  void MakeControls();
  LONGLONG FramesElapsed();
  std::vector<ComPtr<CrossbarFilter>> MakeCrossbars() const;

  std::vector<VirtualVideoPin*> outputs_;  // owned by CSource
  std::unique_ptr<AnalogPin> analogInput_;
  std::unique_ptr<VirtualProcAmp> procAmp_;
  std::unique_ptr<VirtualDeviceControls> controls_;
  std::unique_ptr<PropertyPageList> pages_;
  std::unique_ptr<VirtualDecoder> decoder_;
  std::unique_ptr<VirtualTuner> tuner_;
  std::unique_ptr<VirtualTvAudio> tvAudio_;
  std::unique_ptr<VirtualTimecodeReader> timecode_;
  std::unique_ptr<VirtualTransport> transport_;
  std::unique_ptr<VirtualCaptureDialogs> dialogs_;
  std::unique_ptr<UpstreamCrossbars> upstream_;
};

}  // namespace devices

#pragma once
// The capture filter of an ALSA sound input: a live source with one capture pin (AlsaAudioPin).
// The device is opened briefly when the filter is made, to ask which formats it takes, and again
// when the filter leaves Stopped; a hardware device that takes none of the usual formats (a
// four-channel camera array) is used through ALSA's plug layer, which converts. A card's own
// device whose mixer has capture controls answers ICaptureMixer, and ISpecifyPropertyPages names
// the capture mixer page.
//
// Threads: application thread, except the pin's streaming.

#include <memory>
#include <string>

#include "devices/alsa/AlsaApi.h"
#include "devices/alsa/AlsaAudioPin.h"
#include "devices/alsa/AlsaMixerPart.h"
#include "devices/capture/CaptureFilter.h"
#include "devices/capture/PropertyPageList.h"

namespace devices {

class AlsaCaptureFilter : public CaptureFilter {
 public:
  // card: the sound card whose mixer the device uses, -1 for none (a configuration's PCM).
  AlsaCaptureFilter(std::shared_ptr<AlsaApi> api, std::string pcm, std::string friendlyName,
                    int card = -1);

  // The PCM the filter captures from (the plug layer's name when it converts).
  const std::string& Pcm() const { return pcm_; }
  AlsaAudioPin& Pin() { return *pin_; }

 protected:
  ~AlsaCaptureFilter() override;
  HRESULT ClaimDevice() override { return pin_->PrepareStreaming(); }
  void ReleaseDevice() override { pin_->EndStreaming(); }
  HRESULT QueryFilterInterface(REFIID riid, void** object) override;

 private:
  std::string pcm_;
  AlsaAudioPin* pin_;                        // owned by CSource
  std::unique_ptr<AlsaMixerPart> mixer_;     // null without a mixer
  std::unique_ptr<PropertyPageList> pages_;  // the capture mixer page, with the mixer
};

// Makes the capture filter of a listed device and answers riid on it.
HRESULT CreateAlsaCaptureFilter(std::shared_ptr<AlsaApi> api, const AlsaCaptureDeviceInfo& device,
                                const std::string& friendlyName, REFIID riid, void** object);

}  // namespace devices

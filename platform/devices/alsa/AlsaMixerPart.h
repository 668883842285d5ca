#pragma once
// ICaptureMixer of an ALSA capture filter over the mixer of its card, through the ALSA seam.
//
// Threads: application thread.

#include <memory>

#include "devices/alsa/CaptureMixer.h"
#include "devices/capture/FilterPart.h"

namespace devices {

class AlsaMixerPart : public FilterPart<ICaptureMixer> {
 public:
  AlsaMixerPart(IUnknown* owner, std::shared_ptr<AlsaApi> api, int card);

  HRESULT GetMixer(AlsaCaptureMixer* mixer) override;
  HRESULT SetVolume(long volume) override;
  HRESULT SetCapturing(bool capturing) override;
  HRESULT SetSource(int source) override;

 private:
  const std::shared_ptr<AlsaApi> api_;
  const int card_;
};

}  // namespace devices

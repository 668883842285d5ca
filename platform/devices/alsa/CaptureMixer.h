#pragma once
// The capture mixer of a sound input's card, for the capture mixer page: volume, the capture
// switch (off: muted) and the capture source, as AlsaCaptureMixer describes them.
//
// Threads: application thread.

#include "com/Unknown.h"
#include "devices/alsa/AlsaApi.h"

namespace devices {

struct ICaptureMixer : IUnknown {
  static constexpr IID iid = MakeGuid("5B8E2D14-9C3A-4F61-B7D0-3E9A1C6F2A85");
  virtual HRESULT GetMixer(AlsaCaptureMixer* mixer) = 0;
  virtual HRESULT SetVolume(long volume) = 0;
  virtual HRESULT SetCapturing(bool capturing) = 0;
  virtual HRESULT SetSource(int source) = 0;
};

inline constexpr IID IID_ICaptureMixer = ICaptureMixer::iid;

}  // namespace devices

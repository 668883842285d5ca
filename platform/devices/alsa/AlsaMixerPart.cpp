#include "devices/alsa/AlsaMixerPart.h"

#include "devices/capture/DeviceResults.h"

namespace devices {
namespace {

HRESULT ResultOf(int error) {
  return error < 0 ? HResultFromErrno(error) : S_OK;
}

}  // namespace

AlsaMixerPart::AlsaMixerPart(IUnknown* owner, std::shared_ptr<AlsaApi> api, int card)
    : FilterPart(owner), api_(std::move(api)), card_(card) {}

HRESULT AlsaMixerPart::GetMixer(AlsaCaptureMixer* mixer) {
  if (mixer == nullptr) return E_POINTER;
  return ResultOf(api_->ReadCaptureMixer(card_, mixer));
}

HRESULT AlsaMixerPart::SetVolume(long volume) {
  return ResultOf(api_->SetCaptureVolume(card_, volume));
}

HRESULT AlsaMixerPart::SetCapturing(bool capturing) {
  return ResultOf(api_->SetCaptureSwitch(card_, capturing));
}

HRESULT AlsaMixerPart::SetSource(int source) {
  return ResultOf(api_->SetCaptureSource(card_, source));
}

}  // namespace devices

#include "devices/alsa/AlsaCaptureFilter.h"

#include <cerrno>

#include "com/Diagnostics.h"
#include "dshow/PropertyPageClasses.h"
#include "dshow/Uuids.h"

namespace devices {
namespace {

// The formats the PCM takes; nullopt when it cannot be opened to ask.
std::optional<std::vector<PcmFormat>> FormatsOf(AlsaApi& api, const std::string& pcm, int* error) {
  auto capture = api.OpenCapture(pcm, error);
  if (!capture) return std::nullopt;
  return ProbePcmFormats(*capture);
}

// Every format of the table: what a device that cannot be asked now is offered.
std::vector<PcmFormat> AllFormats() {
  class AcceptsAll final : public AlsaCapture {
    bool Accepts(PcmSampleFormat, unsigned, unsigned) override { return true; }
    int SetParams(PcmSampleFormat, unsigned, unsigned, unsigned, unsigned) override { return 0; }
    int Start() override { return 0; }
    int Wait(int) override { return 0; }
    long Read(void*, unsigned long) override { return -EAGAIN; }
    int Timestamp(std::int64_t*, long*) override { return -EINVAL; }
    int Recover(int) override { return 0; }
    int Drop() override { return 0; }
  } all;
  return ProbePcmFormats(all);
}

struct Chosen {
  std::string pcm;
  std::vector<PcmFormat> formats;
};

// The PCM to capture from and its formats: the device itself, or the plug layer over a hardware
// device that takes none of the table's formats.
Chosen Choose(AlsaApi& api, const std::string& pcm, const std::string& name) {
  int error = 0;
  auto formats = FormatsOf(api, pcm, &error);
  if (!formats) {
    diag::Warn("alsa", name + " (" + pcm + ") cannot be asked for its formats now: errno " +
                           std::to_string(-error));
    return {pcm, AllFormats()};
  }
  if (formats->empty() && pcm.rfind("hw:", 0) == 0) {
    const std::string plug = "plug" + pcm;
    if (auto converted = FormatsOf(api, plug, &error); converted && !converted->empty()) {
      diag::Warn("alsa", name + " takes no common format itself; " + plug + " converts");
      return {plug, std::move(*converted)};
    }
  }
  return {pcm, std::move(*formats)};
}

}  // namespace

AlsaCaptureFilter::AlsaCaptureFilter(std::shared_ptr<AlsaApi> api, std::string pcm,
                                     std::string friendlyName, int card)
    : CaptureFilter(CLSID_Proxy, friendlyName), pcm_(std::move(pcm)) {
  Chosen chosen = Choose(*api, pcm_, friendlyName);
  pcm_ = chosen.pcm;
  AlsaCaptureMixer mixer;
  if (card >= 0 && api->ReadCaptureMixer(card, &mixer) >= 0) {
    IUnknown* self = static_cast<IBaseFilter*>(this);
    mixer_ = std::make_unique<AlsaMixerPart>(self, api, card);
    pages_ = std::make_unique<PropertyPageList>(self, std::vector<CLSID>{CLSID_CaptureMixerPage});
  }
  pin_ =
      AddPin(std::make_unique<AlsaAudioPin>(this, std::move(api), pcm_, std::move(chosen.formats)));
}

AlsaCaptureFilter::~AlsaCaptureFilter() {
  GiveBackDevice();
}

HRESULT AlsaCaptureFilter::QueryFilterInterface(REFIID riid, void** object) {
  if (riid == IID_ICaptureMixer && mixer_) return mixer_->Give(object);
  if (riid == IID_ISpecifyPropertyPages && pages_) return pages_->Give(object);
  return CaptureFilter::QueryFilterInterface(riid, object);
}

HRESULT CreateAlsaCaptureFilter(std::shared_ptr<AlsaApi> api, const AlsaCaptureDeviceInfo& device,
                                const std::string& friendlyName, REFIID riid, void** object) {
  if (object == nullptr) return E_POINTER;
  *object = nullptr;
  return MakeComObject<AlsaCaptureFilter>(std::move(api), device.pcm, friendlyName,
                                          device.hardware ? device.card : -1)
      ->QueryInterface(riid, object);
}

}  // namespace devices

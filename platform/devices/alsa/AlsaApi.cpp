#include "devices/alsa/AlsaApi.h"

#include <alsa/asoundlib.h>

#include <cerrno>
#include <mutex>
#include <utility>

namespace {

snd_pcm_format_t ToAlsa(PcmSampleFormat format) {
  switch (format) {
    case PcmSampleFormat::kU8:
      return SND_PCM_FORMAT_U8;
    case PcmSampleFormat::kS16LE:
      return SND_PCM_FORMAT_S16_LE;
    case PcmSampleFormat::kS24LE3:
      return SND_PCM_FORMAT_S24_3LE;
    case PcmSampleFormat::kS32LE:
      return SND_PCM_FORMAT_S32_LE;
    case PcmSampleFormat::kFloatLE:
      return SND_PCM_FORMAT_FLOAT_LE;
  }
  return SND_PCM_FORMAT_UNKNOWN;
}

class SystemPcm final : public AlsaPcm {
 public:
  explicit SystemPcm(snd_pcm_t* pcm) : pcm_(pcm) {}
  ~SystemPcm() override { snd_pcm_close(pcm_); }
  SystemPcm(const SystemPcm&) = delete;
  SystemPcm& operator=(const SystemPcm&) = delete;

  int SetParams(PcmSampleFormat format, unsigned channels, unsigned rate,
                unsigned latencyUs) override {
    return snd_pcm_set_params(pcm_, ToAlsa(format), SND_PCM_ACCESS_RW_INTERLEAVED, channels, rate,
                              1, latencyUs);
  }
  long WriteInterleaved(const void* data, unsigned long frames) override {
    return snd_pcm_writei(pcm_, data, frames);
  }
  int Recover(int error) override { return snd_pcm_recover(pcm_, error, 1); }
  int Drop() override { return snd_pcm_drop(pcm_); }
  int Prepare() override { return snd_pcm_prepare(pcm_); }
  int Drain() override { return snd_pcm_drain(pcm_); }

 private:
  snd_pcm_t* pcm_;
};

class SystemAlsa final : public AlsaApi {
 public:
  std::unique_ptr<AlsaPcm> OpenPlayback(const std::string& device, int* error) override {
    snd_pcm_t* pcm = nullptr;
    const int result = snd_pcm_open(&pcm, device.c_str(), SND_PCM_STREAM_PLAYBACK, 0);
    if (error != nullptr) *error = result;
    if (result < 0) return nullptr;
    return std::make_unique<SystemPcm>(pcm);
  }
};

std::mutex g_mutex;
std::shared_ptr<AlsaApi> g_default;  // guarded by g_mutex; null means the system's

}  // namespace

std::unique_ptr<AlsaCapture> AlsaApi::OpenCapture(const std::string& /*device*/, int* error) {
  if (error != nullptr) *error = -ENOTSUP;
  return nullptr;
}

std::shared_ptr<AlsaApi> SystemAlsaApi() {
  static const auto system = std::make_shared<SystemAlsa>();
  return system;
}

std::shared_ptr<AlsaApi> DefaultAlsaApi() {
  std::lock_guard lock(g_mutex);
  return g_default ? g_default : SystemAlsaApi();
}

void SetDefaultAlsaApi(std::shared_ptr<AlsaApi> api) {
  std::lock_guard lock(g_mutex);
  g_default = std::move(api);
}

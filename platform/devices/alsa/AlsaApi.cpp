#include "devices/alsa/AlsaApi.h"

#include <alsa/asoundlib.h>

#include <cerrno>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <set>
#include <utility>

#include "devices/alsa/AlsaCardIdentity.h"
#include "devices/alsa/AlsaMixer.h"

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
  int Delay(long* frames) override {
    snd_pcm_sframes_t delay = 0;
    const int error = snd_pcm_delay(pcm_, &delay);
    if (error < 0) return error;
    *frames = static_cast<long>(delay);
    return 0;
  }

 private:
  snd_pcm_t* pcm_;
};

struct AlsaRelease {
  void operator()(snd_pcm_hw_params_t* params) const { snd_pcm_hw_params_free(params); }
  void operator()(snd_pcm_sw_params_t* params) const { snd_pcm_sw_params_free(params); }
  void operator()(snd_pcm_info_t* info) const { snd_pcm_info_free(info); }
  void operator()(snd_ctl_t* control) const { snd_ctl_close(control); }
  void operator()(snd_ctl_card_info_t* info) const { snd_ctl_card_info_free(info); }
  void operator()(char* text) const { std::free(text); }
  void operator()(void** hints) const { snd_device_name_free_hint(hints); }
};
using HwParams = std::unique_ptr<snd_pcm_hw_params_t, AlsaRelease>;
using SwParams = std::unique_ptr<snd_pcm_sw_params_t, AlsaRelease>;
using PcmInfo = std::unique_ptr<snd_pcm_info_t, AlsaRelease>;
using Control = std::unique_ptr<snd_ctl_t, AlsaRelease>;
using CardInfo = std::unique_ptr<snd_ctl_card_info_t, AlsaRelease>;
using AlsaText = std::unique_ptr<char, AlsaRelease>;
using NameHints = std::unique_ptr<void*, AlsaRelease>;

HwParams NewHwParams() {
  snd_pcm_hw_params_t* params = nullptr;
  return HwParams(snd_pcm_hw_params_malloc(&params) < 0 ? nullptr : params);
}

// One capture PCM opened non-blocking; closed with the object.
class SystemCapture final : public AlsaCapture {
 public:
  explicit SystemCapture(snd_pcm_t* pcm) : pcm_(pcm) {}
  ~SystemCapture() override { snd_pcm_close(pcm_); }
  SystemCapture(const SystemCapture&) = delete;
  SystemCapture& operator=(const SystemCapture&) = delete;

  bool Accepts(PcmSampleFormat format, unsigned channels, unsigned rate) override {
    // A fresh configuration space each time: the tests narrow nothing, but a failed one must
    // not leave a half-restricted space behind for the next question.
    const HwParams params = NewHwParams();
    if (!params || snd_pcm_hw_params_any(pcm_, params.get()) < 0) return false;
    return snd_pcm_hw_params_test_access(pcm_, params.get(), SND_PCM_ACCESS_RW_INTERLEAVED) == 0 &&
           snd_pcm_hw_params_test_format(pcm_, params.get(), ToAlsa(format)) == 0 &&
           snd_pcm_hw_params_test_channels(pcm_, params.get(), channels) == 0 &&
           snd_pcm_hw_params_test_rate(pcm_, params.get(), rate, 0) == 0;
  }

  int SetParams(PcmSampleFormat format, unsigned channels, unsigned rate, unsigned periodFrames,
                unsigned periods) override {
    const HwParams hw = NewHwParams();
    if (!hw) return -ENOMEM;
    int error = snd_pcm_hw_params_any(pcm_, hw.get());
    if (error >= 0) {
      error = snd_pcm_hw_params_set_access(pcm_, hw.get(), SND_PCM_ACCESS_RW_INTERLEAVED);
    }
    if (error >= 0) error = snd_pcm_hw_params_set_format(pcm_, hw.get(), ToAlsa(format));
    if (error >= 0) error = snd_pcm_hw_params_set_channels(pcm_, hw.get(), channels);
    // A card's own device takes its rates only; plugins may convert.
    if (error >= 0 && snd_pcm_type(pcm_) == SND_PCM_TYPE_HW) {
      error = snd_pcm_hw_params_set_rate_resample(pcm_, hw.get(), 0);
    }
    if (error >= 0) error = snd_pcm_hw_params_set_rate(pcm_, hw.get(), rate, 0);
    if (error < 0) return error;
    // The period before the buffer: some drivers take only that order.
    snd_pcm_uframes_t period = periodFrames;
    int direction = 0;
    error = snd_pcm_hw_params_set_period_size_near(pcm_, hw.get(), &period, &direction);
    if (error < 0) return error;
    unsigned count = periods;
    if (snd_pcm_hw_params_set_periods_near(pcm_, hw.get(), &count, &direction) < 0) {
      snd_pcm_uframes_t buffer = period * periods;
      error = snd_pcm_hw_params_set_buffer_size_near(pcm_, hw.get(), &buffer);
      if (error < 0) return error;
    }
    error = snd_pcm_hw_params(pcm_, hw.get());
    if (error < 0) return error;
    return SetSoftwareParams(period);
  }

  int Start() override { return snd_pcm_start(pcm_); }
  int Wait(int timeoutMs) override { return snd_pcm_wait(pcm_, timeoutMs); }
  long Read(void* data, unsigned long frames) override { return snd_pcm_readi(pcm_, data, frames); }

  int Timestamp(std::int64_t* monotonicNs, long* available) override {
    snd_pcm_uframes_t frames = 0;
    snd_htimestamp_t stamp{};
    const int error = snd_pcm_htimestamp(pcm_, &frames, &stamp);
    if (error < 0) return error;
    // Plugins and drivers without timestamps leave it zero.
    if (stamp.tv_sec == 0 && stamp.tv_nsec == 0) return -EINVAL;
    if (monotonicNs != nullptr) {
      *monotonicNs = static_cast<std::int64_t>(stamp.tv_sec) * 1'000'000'000 + stamp.tv_nsec;
    }
    if (available != nullptr) *available = static_cast<long>(frames);
    return 0;
  }

  int Recover(int error) override { return snd_pcm_recover(pcm_, error, 1); }

  int Drop() override {
    const int error = snd_pcm_drop(pcm_);
    if (error < 0) return error;
    // Prepared again, so that Start works without setting the parameters anew.
    return snd_pcm_prepare(pcm_);
  }

 private:
  // Wakes a wait when a period is there, and asks for CLOCK_MONOTONIC timestamps where
  // libasound and the driver have them (older ones stamp with the wall clock).
  int SetSoftwareParams(snd_pcm_uframes_t period) {
    snd_pcm_sw_params_t* raw = nullptr;
    if (snd_pcm_sw_params_malloc(&raw) < 0) return -ENOMEM;
    const SwParams sw(raw);
    int error = snd_pcm_sw_params_current(pcm_, sw.get());
    if (error >= 0) error = snd_pcm_sw_params_set_avail_min(pcm_, sw.get(), period);
    if (error >= 0)
      error = snd_pcm_sw_params_set_tstamp_mode(pcm_, sw.get(), SND_PCM_TSTAMP_ENABLE);
    if (error < 0) return error;
    // Ignored when refused: the stream then stamps with the default clock, which Timestamp's
    // caller checks against its own.
    (void)snd_pcm_sw_params_set_tstamp_type(pcm_, sw.get(), SND_PCM_TSTAMP_TYPE_MONOTONIC);
    return snd_pcm_sw_params(pcm_, sw.get());
  }

  snd_pcm_t* pcm_;
};

std::string Text(const char* text) {
  return text == nullptr ? std::string() : text;
}

// The hint's field, or empty.
std::string HintField(const void* hint, const char* field) {
  const AlsaText text(snd_device_name_get_hint(hint, field));
  return Text(text.get());
}

// The capture devices of one card, in device order.
void AppendCardDevices(int card, std::vector<AlsaCaptureDeviceInfo>& devices) {
  snd_ctl_t* raw = nullptr;
  if (snd_ctl_open(&raw, ("hw:" + std::to_string(card)).c_str(), 0) < 0) return;
  const Control control(raw);
  snd_ctl_card_info_t* rawCard = nullptr;
  if (snd_ctl_card_info_malloc(&rawCard) < 0) return;
  const CardInfo cardInfo(rawCard);
  if (snd_ctl_card_info(control.get(), cardInfo.get()) < 0) return;
  const std::string cardId = Text(snd_ctl_card_info_get_id(cardInfo.get()));
  char* cardName = nullptr;
  const AlsaText name(snd_card_get_name(card, &cardName) < 0 ? nullptr : cardName);
  snd_pcm_info_t* rawInfo = nullptr;
  if (snd_pcm_info_malloc(&rawInfo) < 0) return;
  const PcmInfo info(rawInfo);
  std::map<std::string, std::string> properties;
  bool haveProperties = false;
  int device = -1;
  while (snd_ctl_pcm_next_device(control.get(), &device) >= 0 && device >= 0) {
    snd_pcm_info_set_device(info.get(), static_cast<unsigned>(device));
    snd_pcm_info_set_subdevice(info.get(), 0);
    snd_pcm_info_set_stream(info.get(), SND_PCM_STREAM_CAPTURE);
    if (snd_ctl_pcm_info(control.get(), info.get()) < 0) continue;  // playback only
    if (!haveProperties) {
      properties = devices::SoundCardProperties(card);
      haveProperties = true;
    }
    AlsaCaptureDeviceInfo capture;
    capture.pcm = "hw:CARD=" + cardId + ",DEV=" + std::to_string(device);
    capture.hardware = true;
    capture.card = card;
    capture.device = device;
    capture.cardId = cardId;
    capture.cardName = name ? name.get() : cardId;
    capture.pcmName = Text(snd_pcm_info_get_name(info.get()));
    capture.properties = properties;
    devices.push_back(std::move(capture));
  }
}

// Hinted PCMs that are a card's hardware seen through a plugin (listed as hardware already),
// that discard ("null"), or that only play.
bool IsLeftOutHint(const std::string& name) {
  static const char* const kPrefixes[] = {"dmix",   "hw:",      "plughw:", "sysdefault:",
                                          "front:", "surround", "iec958",  "hdmi",
                                          "dsnoop", "usbstream"};
  if (name == "null") return true;
  for (const char* prefix : kPrefixes) {
    if (name.rfind(prefix, 0) == 0) return true;
  }
  return false;
}

void AppendConfigurationPcms(std::vector<AlsaCaptureDeviceInfo>& devices) {
  void** raw = nullptr;
  if (snd_device_name_hint(-1, "pcm", &raw) < 0) return;
  const NameHints hints(raw);
  std::set<std::string> seen;
  for (void** hint = hints.get(); *hint != nullptr; ++hint) {
    const std::string name = HintField(*hint, "NAME");
    const std::string description = HintField(*hint, "DESC");
    if (name.empty() || description.empty() || HintField(*hint, "IOID") == "Output") continue;
    if (IsLeftOutHint(name) || !seen.insert(name).second) continue;
    AlsaCaptureDeviceInfo capture;
    capture.pcm = name;
    capture.description = description;
    devices.push_back(std::move(capture));
  }
}

class SystemAlsa final : public AlsaApi {
 public:
  std::unique_ptr<AlsaCapture> OpenCapture(const std::string& device, int* error) override {
    snd_pcm_t* pcm = nullptr;
    const int result = snd_pcm_open(&pcm, device.c_str(), SND_PCM_STREAM_CAPTURE, SND_PCM_NONBLOCK);
    if (error != nullptr) *error = result;
    if (result < 0) return nullptr;
    return std::make_unique<SystemCapture>(pcm);
  }

  std::vector<AlsaCaptureDeviceInfo> CaptureDevices() override {
    std::vector<AlsaCaptureDeviceInfo> devices;
    int card = -1;
    while (snd_card_next(&card) >= 0 && card >= 0) {
      AppendCardDevices(card, devices);
    }
    AppendConfigurationPcms(devices);
    return devices;
  }

  std::unique_ptr<AlsaPcm> OpenPlayback(const std::string& device, int* error) override {
    snd_pcm_t* pcm = nullptr;
    const int result = snd_pcm_open(&pcm, device.c_str(), SND_PCM_STREAM_PLAYBACK, 0);
    if (error != nullptr) *error = result;
    if (result < 0) return nullptr;
    return std::make_unique<SystemPcm>(pcm);
  }

  int ReadCaptureMixer(int card, AlsaCaptureMixer* mixer) override {
    return devices::ReadSndCaptureMixer(card, mixer);
  }
  int SetCaptureVolume(int card, long volume) override {
    return devices::SetSndCaptureVolume(card, volume);
  }
  int SetCaptureSwitch(int card, bool capturing) override {
    return devices::SetSndCaptureSwitch(card, capturing);
  }
  int SetCaptureSource(int card, int source) override {
    return devices::SetSndCaptureSource(card, source);
  }
};

std::mutex g_mutex;
std::shared_ptr<AlsaApi> g_default;  // guarded by g_mutex; null means the system's

}  // namespace

std::unique_ptr<AlsaCapture> AlsaApi::OpenCapture(const std::string& /*device*/, int* error) {
  if (error != nullptr) *error = -ENOTSUP;
  return nullptr;
}

int AlsaApi::ReadCaptureMixer(int, AlsaCaptureMixer*) {
  return -ENOTSUP;
}
int AlsaApi::SetCaptureVolume(int, long) {
  return -ENOTSUP;
}
int AlsaApi::SetCaptureSwitch(int, bool) {
  return -ENOTSUP;
}
int AlsaApi::SetCaptureSource(int, int) {
  return -ENOTSUP;
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

#pragma once
// The analog controls of a V4L2 node: its TV standards as IAMAnalogVideoDecoder and its analog
// TV tuner as IAMTVTuner, channels mapped to frequencies with the country's channel plan.
// Standards map onto the AnalogVideo_* bits (PAL-D1 and PAL-K onto PAL_D, NTSC-M-KR onto
// NTSC_M, SECAM-LC onto SECAM_L1, PAL-Nc onto PAL_N_COMBO).
//
// Threads: application thread; each object guards what it keeps with a lock, and the node
// serialises calls made while it streams.

#include <linux/videodev2.h>

#include <cstdint>
#include <mutex>
#include <optional>

#include "devices/capture/FilterPart.h"
#include "devices/v4l2/V4l2Device.h"
#include "dshow/DeviceInterfaces.h"

namespace devices {

// The AnalogVideo_* bits of V4L2 standards, and the V4L2 standards of one bit.
LONG AnalogStandardsOf(v4l2_std_id ids);
v4l2_std_id V4l2StandardsOf(LONG analogStandard);

// The standards the node offers (VIDIOC_ENUMSTD, which ends on EINVAL, ENOTTY or ENODATA) as a
// mask of AnalogVideo_* bits; 0 for a node without standards.
LONG ReadAnalogStandards(const V4l2Device& device);

class V4l2Decoder : public FilterPart<IAMAnalogVideoDecoder> {
 public:
  // standards: ReadAnalogStandards of the node, not 0.
  V4l2Decoder(IUnknown* owner, const V4l2Device& device, LONG standards);

  HRESULT get_AvailableTVFormats(LONG* formats) override;
  // S_STD with the bit's standards: E_INVALIDARG for a bit the node does not offer,
  // VFW_E_NOT_STOPPED while the driver allows no change (streaming).
  HRESULT put_TVFormat(LONG format) override;
  // The first bit of G_STD's standards.
  HRESULT get_TVFormat(LONG* format) override;
  // 0 while the current input has no signal or no horizontal lock (its ENUMINPUT status).
  HRESULT get_HorizontalLocked(LONG* locked) override;
  HRESULT put_VCRHorizontalLocking(LONG vcrLocking) override;
  HRESULT get_VCRHorizontalLocking(LONG* vcrLocking) override;
  // 525 for the node's current 60 Hz standards, 625 for the others.
  HRESULT get_NumberOfLines(LONG* lines) override;
  HRESULT put_OutputEnable(LONG enable) override;
  HRESULT get_OutputEnable(LONG* enable) override;

 private:
  const V4l2Device& device_;
  const LONG standards_;
  std::mutex mutex_;
  LONG vcrLocking_ = 0;    // guarded by mutex_
  LONG outputEnable_ = 1;  // guarded by mutex_
};

class V4l2Tuner : public FilterPart<IAMTVTuner> {
 public:
  // The index of the node's first analog TV tuner (G_TUNER type V4L2_TUNER_ANALOG_TV).
  static std::optional<std::uint32_t> FindAnalogTvTuner(const V4l2Device& device);

  // tuner: from FindAnalogTvTuner; standards: the node's (ReadAnalogStandards). Starts on the
  // US plan (country code 1) for cable, at the channel of the node's frequency.
  V4l2Tuner(IUnknown* owner, const V4l2Device& device, std::uint32_t tuner, LONG standards);

  // Tunes the channel's video carrier of the current country and input type (S_FREQUENCY, in
  // the tuner's units): E_INVALIDARG for a number that is no channel of the plan.
  HRESULT put_Channel(LONG channel, LONG videoSubChannel, LONG audioSubChannel) override;
  // The channel of the node's frequency; the last one tuned when the plan has none there.
  HRESULT get_Channel(LONG* channel, LONG* videoSubChannel, LONG* audioSubChannel) override;
  HRESULT ChannelMinMax(LONG* channelMin, LONG* channelMax) override;
  // E_INVALIDARG for a country without a channel plan.
  HRESULT put_CountryCode(LONG countryCode) override;
  HRESULT get_CountryCode(LONG* countryCode) override;
  HRESULT put_TuningSpace(LONG tuningSpace) override;
  HRESULT get_TuningSpace(LONG* tuningSpace) override;
  // AMTUNER_SIGNALPRESENT when G_TUNER reports a signal, else AMTUNER_NOSIGNAL.
  HRESULT SignalPresent(LONG* signalStrength) override;
  // TV only.
  HRESULT put_Mode(AMTunerModeType mode) override;
  HRESULT get_Mode(AMTunerModeType* mode) override;
  HRESULT GetAvailableModes(LONG* modes) override;
  HRESULT get_AvailableTVFormats(LONG* standards) override;
  HRESULT get_TVFormat(LONG* standard) override;
  // Tunes the channel; foundSignal 1 when a signal is there then, else 0. A tuner that needs
  // time to lock may show the signal only to a later SignalPresent.
  HRESULT AutoTune(LONG channel, LONG* foundSignal) override;
  HRESULT StoreAutoTune() override;
  // One antenna or cable connection; its type chooses the channel plan.
  HRESULT get_NumInputConnections(LONG* count) override;
  HRESULT put_InputType(LONG index, TunerInputType inputType) override;
  HRESULT get_InputType(LONG index, TunerInputType* inputType) override;
  HRESULT put_ConnectInput(LONG index) override;
  HRESULT get_ConnectInput(LONG* index) override;
  // The node's frequency (G_FREQUENCY) in Hz, and the sound carrier of the current standard.
  HRESULT get_VideoFrequency(LONG* frequency) override;
  HRESULT get_AudioFrequency(LONG* frequency) override;

 private:
  // G_FREQUENCY; nullopt (with *result) when the node fails it.
  std::optional<v4l2_frequency> Frequency(HRESULT* result) const;
  bool Cable() const { return inputType_ == TunerInputCable; }

  const V4l2Device& device_;
  const std::uint32_t tuner_;
  const bool lowUnits_;  // V4L2_TUNER_CAP_LOW: units of 62.5 Hz, not 62.5 kHz
  const LONG standards_;
  std::mutex mutex_;
  LONG countryCode_ = 1;                            // guarded by mutex_
  LONG tuningSpace_ = 0;                            // guarded by mutex_
  TunerInputType inputType_ = TunerInputCable;      // guarded by mutex_
  LONG channel_ = 0;                                // guarded by mutex_: the last tuned
  LONG videoSubChannel_ = AMTUNER_SUBCHAN_DEFAULT;  // guarded by mutex_
  LONG audioSubChannel_ = AMTUNER_SUBCHAN_DEFAULT;  // guarded by mutex_
};

}  // namespace devices

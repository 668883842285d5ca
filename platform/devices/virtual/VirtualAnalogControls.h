#pragma once
// The analog controls of a virtual capture card: the video decoder with its TV standards, the
// TV tuner and the TV sound. Application thread; each guards its state with a lock.

#include <mutex>

#include "devices/capture/FilterPart.h"
#include "devices/virtual/DeviceDescription.h"

namespace devices {

class VirtualDecoder : public FilterPart<IAMAnalogVideoDecoder> {
 public:
  VirtualDecoder(IUnknown* owner, const DecoderDescription& decoder);

  HRESULT get_AvailableTVFormats(LONG* formats) override;
  // One offered standard's bit; E_INVALIDARG otherwise.
  HRESULT put_TVFormat(LONG format) override;
  HRESULT get_TVFormat(LONG* format) override;
  HRESULT get_HorizontalLocked(LONG* locked) override;
  HRESULT put_VCRHorizontalLocking(LONG vcrLocking) override;
  HRESULT get_VCRHorizontalLocking(LONG* vcrLocking) override;
  // 525 for the 60 Hz standards, 625 for the others.
  HRESULT get_NumberOfLines(LONG* lines) override;
  HRESULT put_OutputEnable(LONG enable) override;
  HRESULT get_OutputEnable(LONG* enable) override;

 private:
  std::mutex mutex_;
  DecoderDescription state_;  // guarded by mutex_
};

class VirtualTuner : public FilterPart<IAMTVTuner> {
 public:
  VirtualTuner(IUnknown* owner, const TunerDescription& tuner);

  HRESULT put_Channel(LONG channel, LONG videoSubChannel, LONG audioSubChannel) override;
  HRESULT get_Channel(LONG* channel, LONG* videoSubChannel, LONG* audioSubChannel) override;
  HRESULT ChannelMinMax(LONG* channelMin, LONG* channelMax) override;
  HRESULT put_CountryCode(LONG countryCode) override;
  HRESULT get_CountryCode(LONG* countryCode) override;
  HRESULT put_TuningSpace(LONG tuningSpace) override;
  HRESULT get_TuningSpace(LONG* tuningSpace) override;
  HRESULT SignalPresent(LONG* signalStrength) override;
  HRESULT put_Mode(AMTunerModeType mode) override;
  HRESULT get_Mode(AMTunerModeType* mode) override;
  HRESULT GetAvailableModes(LONG* modes) override;
  HRESULT get_AvailableTVFormats(LONG* standards) override;
  HRESULT get_TVFormat(LONG* standard) override;
  HRESULT AutoTune(LONG channel, LONG* foundSignal) override;
  HRESULT StoreAutoTune() override;
  HRESULT get_NumInputConnections(LONG* count) override;
  HRESULT put_InputType(LONG index, TunerInputType inputType) override;
  HRESULT get_InputType(LONG index, TunerInputType* inputType) override;
  HRESULT put_ConnectInput(LONG index) override;
  HRESULT get_ConnectInput(LONG* index) override;
  HRESULT get_VideoFrequency(LONG* frequency) override;
  HRESULT get_AudioFrequency(LONG* frequency) override;

 private:
  bool ValidInput(LONG index) const;

  std::mutex mutex_;
  TunerDescription state_;                          // guarded by mutex_
  LONG videoSubChannel_ = AMTUNER_SUBCHAN_DEFAULT;  // guarded by mutex_
  LONG audioSubChannel_ = AMTUNER_SUBCHAN_DEFAULT;  // guarded by mutex_
};

class VirtualTvAudio : public FilterPart<IAMTVAudio> {
 public:
  VirtualTvAudio(IUnknown* owner, const TvAudioDescription& audio);

  HRESULT GetHardwareSupportedTVAudioModes(LONG* modes) override;
  HRESULT GetAvailableTVAudioModes(LONG* modes) override;
  HRESULT get_TVAudioMode(LONG* mode) override;
  // A mode outside the available ones: E_INVALIDARG.
  HRESULT put_TVAudioMode(LONG mode) override;

 private:
  std::mutex mutex_;
  TvAudioDescription state_;  // guarded by mutex_
};

}  // namespace devices

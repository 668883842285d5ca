#include "devices/virtual/VirtualAnalogControls.h"

namespace devices {
namespace {

// Writes value to out under lock, or E_POINTER.
template <class T>
HRESULT Read(std::mutex& mutex, const T& value, T* out) {
  if (out == nullptr) return E_POINTER;
  std::lock_guard lock(mutex);
  *out = value;
  return S_OK;
}

bool IsOneBit(LONG value) {
  return value != 0 && (value & (value - 1)) == 0;
}

}  // namespace

VirtualDecoder::VirtualDecoder(IUnknown* owner, const DecoderDescription& decoder)
    : FilterPart(owner), state_(decoder) {}

HRESULT VirtualDecoder::get_AvailableTVFormats(LONG* formats) {
  return Read(mutex_, state_.standards, formats);
}

HRESULT VirtualDecoder::put_TVFormat(LONG format) {
  std::lock_guard lock(mutex_);
  if (!IsOneBit(format) || (format & state_.standards) == 0) return E_INVALIDARG;
  state_.standard = format;
  return S_OK;
}

HRESULT VirtualDecoder::get_TVFormat(LONG* format) {
  return Read(mutex_, state_.standard, format);
}

HRESULT VirtualDecoder::get_HorizontalLocked(LONG* locked) {
  const LONG value = state_.horizontalLocked ? 1 : 0;
  return Read(mutex_, value, locked);
}

HRESULT VirtualDecoder::put_VCRHorizontalLocking(LONG vcrLocking) {
  std::lock_guard lock(mutex_);
  state_.vcrLocking = vcrLocking;
  return S_OK;
}

HRESULT VirtualDecoder::get_VCRHorizontalLocking(LONG* vcrLocking) {
  return Read(mutex_, state_.vcrLocking, vcrLocking);
}

HRESULT VirtualDecoder::get_NumberOfLines(LONG* lines) {
  if (lines == nullptr) return E_POINTER;
  std::lock_guard lock(mutex_);
  constexpr LONG k60Hz = AnalogVideo_NTSC_Mask | AnalogVideo_PAL_M | AnalogVideo_PAL_60;
  *lines = (state_.standard & k60Hz) != 0 ? 525 : 625;
  return S_OK;
}

HRESULT VirtualDecoder::put_OutputEnable(LONG enable) {
  std::lock_guard lock(mutex_);
  state_.outputEnable = enable;
  return S_OK;
}

HRESULT VirtualDecoder::get_OutputEnable(LONG* enable) {
  return Read(mutex_, state_.outputEnable, enable);
}

VirtualTuner::VirtualTuner(IUnknown* owner, const TunerDescription& tuner)
    : FilterPart(owner), state_(tuner) {}

HRESULT VirtualTuner::put_Channel(LONG channel, LONG videoSubChannel, LONG audioSubChannel) {
  std::lock_guard lock(mutex_);
  if (channel < state_.channelMin || channel > state_.channelMax) return E_INVALIDARG;
  state_.channel = channel;
  videoSubChannel_ = videoSubChannel;
  audioSubChannel_ = audioSubChannel;
  return S_OK;
}

HRESULT VirtualTuner::get_Channel(LONG* channel, LONG* videoSubChannel, LONG* audioSubChannel) {
  if (channel == nullptr || videoSubChannel == nullptr || audioSubChannel == nullptr) {
    return E_POINTER;
  }
  std::lock_guard lock(mutex_);
  *channel = state_.channel;
  *videoSubChannel = videoSubChannel_;
  *audioSubChannel = audioSubChannel_;
  return S_OK;
}

HRESULT VirtualTuner::ChannelMinMax(LONG* channelMin, LONG* channelMax) {
  if (channelMin == nullptr || channelMax == nullptr) return E_POINTER;
  std::lock_guard lock(mutex_);
  *channelMin = state_.channelMin;
  *channelMax = state_.channelMax;
  return S_OK;
}

HRESULT VirtualTuner::put_CountryCode(LONG countryCode) {
  std::lock_guard lock(mutex_);
  state_.countryCode = countryCode;
  return S_OK;
}

HRESULT VirtualTuner::get_CountryCode(LONG* countryCode) {
  return Read(mutex_, state_.countryCode, countryCode);
}

HRESULT VirtualTuner::put_TuningSpace(LONG tuningSpace) {
  std::lock_guard lock(mutex_);
  state_.tuningSpace = tuningSpace;
  return S_OK;
}

HRESULT VirtualTuner::get_TuningSpace(LONG* tuningSpace) {
  return Read(mutex_, state_.tuningSpace, tuningSpace);
}

HRESULT VirtualTuner::SignalPresent(LONG* signalStrength) {
  const LONG value = state_.signalPresent ? AMTUNER_SIGNALPRESENT : AMTUNER_NOSIGNAL;
  return Read(mutex_, value, signalStrength);
}

HRESULT VirtualTuner::put_Mode(AMTunerModeType mode) {
  std::lock_guard lock(mutex_);
  if (!IsOneBit(mode) || (mode & state_.availableModes) == 0) return E_INVALIDARG;
  state_.mode = mode;
  return S_OK;
}

HRESULT VirtualTuner::get_Mode(AMTunerModeType* mode) {
  if (mode == nullptr) return E_POINTER;
  std::lock_guard lock(mutex_);
  *mode = static_cast<AMTunerModeType>(state_.mode);
  return S_OK;
}

HRESULT VirtualTuner::GetAvailableModes(LONG* modes) {
  return Read(mutex_, state_.availableModes, modes);
}

HRESULT VirtualTuner::get_AvailableTVFormats(LONG* standards) {
  return Read(mutex_, state_.standards, standards);
}

HRESULT VirtualTuner::get_TVFormat(LONG* standard) {
  const LONG lowest = state_.standards & -state_.standards;
  return Read(mutex_, lowest, standard);
}

HRESULT VirtualTuner::AutoTune(LONG channel, LONG* foundSignal) {
  if (foundSignal == nullptr) return E_POINTER;
  const HRESULT hr = put_Channel(channel, AMTUNER_SUBCHAN_DEFAULT, AMTUNER_SUBCHAN_DEFAULT);
  if (FAILED(hr)) return hr;
  std::lock_guard lock(mutex_);
  *foundSignal = state_.signalPresent ? 1 : 0;
  return S_OK;
}

HRESULT VirtualTuner::StoreAutoTune() {
  return S_OK;
}

HRESULT VirtualTuner::get_NumInputConnections(LONG* count) {
  const auto inputs = static_cast<LONG>(state_.inputTypes.size());
  return Read(mutex_, inputs, count);
}

bool VirtualTuner::ValidInput(LONG index) const {
  return index >= 0 && index < static_cast<LONG>(state_.inputTypes.size());
}

HRESULT VirtualTuner::put_InputType(LONG index, TunerInputType inputType) {
  std::lock_guard lock(mutex_);
  if (!ValidInput(index)) return E_INVALIDARG;
  state_.inputTypes[static_cast<std::size_t>(index)] = inputType;
  return S_OK;
}

HRESULT VirtualTuner::get_InputType(LONG index, TunerInputType* inputType) {
  if (inputType == nullptr) return E_POINTER;
  std::lock_guard lock(mutex_);
  if (!ValidInput(index)) return E_INVALIDARG;
  *inputType = state_.inputTypes[static_cast<std::size_t>(index)];
  return S_OK;
}

HRESULT VirtualTuner::put_ConnectInput(LONG index) {
  std::lock_guard lock(mutex_);
  if (!ValidInput(index)) return E_INVALIDARG;
  state_.connectInput = index;
  return S_OK;
}

HRESULT VirtualTuner::get_ConnectInput(LONG* index) {
  return Read(mutex_, state_.connectInput, index);
}

HRESULT VirtualTuner::get_VideoFrequency(LONG* frequency) {
  if (frequency == nullptr) return E_POINTER;
  std::lock_guard lock(mutex_);
  // A plain 6 MHz raster from 55.25 MHz: enough for a picture carrier that follows the channel.
  *frequency = 55'250'000 + (state_.channel - 2) * 6'000'000;
  return S_OK;
}

HRESULT VirtualTuner::get_AudioFrequency(LONG* frequency) {
  const HRESULT hr = get_VideoFrequency(frequency);
  if (SUCCEEDED(hr)) *frequency += 4'500'000;
  return hr;
}

VirtualTvAudio::VirtualTvAudio(IUnknown* owner, const TvAudioDescription& audio)
    : FilterPart(owner), state_(audio) {}

HRESULT VirtualTvAudio::GetHardwareSupportedTVAudioModes(LONG* modes) {
  return Read(mutex_, state_.hardwareModes, modes);
}

HRESULT VirtualTvAudio::GetAvailableTVAudioModes(LONG* modes) {
  return Read(mutex_, state_.availableModes, modes);
}

HRESULT VirtualTvAudio::get_TVAudioMode(LONG* mode) {
  return Read(mutex_, state_.mode, mode);
}

HRESULT VirtualTvAudio::put_TVAudioMode(LONG mode) {
  std::lock_guard lock(mutex_);
  if (mode == 0 || (mode & ~state_.availableModes) != 0) return E_INVALIDARG;
  state_.mode = mode;
  return S_OK;
}

}  // namespace devices

#include "devices/v4l2/V4l2AnalogControls.h"

#include <cerrno>
#include <climits>

#include "com/Diagnostics.h"
#include "devices/capture/DeviceResults.h"
#include "devices/v4l2/ChannelTables.h"

namespace devices {
namespace {

struct StandardBit {
  LONG analog;
  v4l2_std_id ids;
};

// In the order of the AnalogVideo_* bits, so that the first match is the lowest bit.
constexpr StandardBit kStandardBits[] = {
    {AnalogVideo_NTSC_M, V4L2_STD_NTSC_M | V4L2_STD_NTSC_M_KR},
    {AnalogVideo_NTSC_M_J, V4L2_STD_NTSC_M_JP},
    {AnalogVideo_NTSC_433, V4L2_STD_NTSC_443},
    {AnalogVideo_PAL_B, V4L2_STD_PAL_B | V4L2_STD_PAL_B1},
    {AnalogVideo_PAL_D, V4L2_STD_PAL_D | V4L2_STD_PAL_D1 | V4L2_STD_PAL_K},
    {AnalogVideo_PAL_G, V4L2_STD_PAL_G},
    {AnalogVideo_PAL_H, V4L2_STD_PAL_H},
    {AnalogVideo_PAL_I, V4L2_STD_PAL_I},
    {AnalogVideo_PAL_M, V4L2_STD_PAL_M},
    {AnalogVideo_PAL_N, V4L2_STD_PAL_N},
    {AnalogVideo_PAL_60, V4L2_STD_PAL_60},
    {AnalogVideo_SECAM_B, V4L2_STD_SECAM_B},
    {AnalogVideo_SECAM_D, V4L2_STD_SECAM_D},
    {AnalogVideo_SECAM_G, V4L2_STD_SECAM_G},
    {AnalogVideo_SECAM_H, V4L2_STD_SECAM_H},
    {AnalogVideo_SECAM_K, V4L2_STD_SECAM_K},
    {AnalogVideo_SECAM_K1, V4L2_STD_SECAM_K1},
    {AnalogVideo_SECAM_L, V4L2_STD_SECAM_L},
    {AnalogVideo_SECAM_L1, V4L2_STD_SECAM_LC},
    {AnalogVideo_PAL_N_COMBO, V4L2_STD_PAL_Nc},
};

bool IsOneBit(LONG value) {
  return value > 0 && (value & (value - 1)) == 0;
}

LONG FirstBit(v4l2_std_id ids) {
  for (const StandardBit& bit : kStandardBits) {
    if ((bit.ids & ids) != 0) return bit.analog;
  }
  return AnalogVideo_None;
}

// Writes value to out under lock, or E_POINTER.
template <class T>
HRESULT Read(std::mutex& mutex, const T& value, T* out) {
  if (out == nullptr) return E_POINTER;
  std::lock_guard lock(mutex);
  *out = value;
  return S_OK;
}

// G_STD; nullopt (with *result) when the node fails it.
std::optional<v4l2_std_id> CurrentStandard(const V4l2Device& device, HRESULT* result) {
  v4l2_std_id id = 0;
  const int error = device.Ioctl(VIDIOC_G_STD, &id);
  *result = error < 0 ? HResultFromErrno(error) : S_OK;
  if (error < 0) return std::nullopt;
  return id;
}

HRESULT CurrentFirstBit(const V4l2Device& device, LONG* format) {
  if (format == nullptr) return E_POINTER;
  HRESULT hr = S_OK;
  const auto id = CurrentStandard(device, &hr);
  if (!id) return hr;
  *format = FirstBit(*id);
  return S_OK;
}

std::optional<v4l2_tuner> TunerState(const V4l2Device& device, std::uint32_t index) {
  v4l2_tuner tuner{};
  tuner.index = index;
  if (device.Ioctl(VIDIOC_G_TUNER, &tuner) < 0) return std::nullopt;
  return tuner;
}

LONG ToLong(std::uint32_t hz) {
  return static_cast<LONG>(std::min<std::uint32_t>(hz, INT32_MAX));
}

}  // namespace

LONG AnalogStandardsOf(v4l2_std_id ids) {
  LONG mask = 0;
  for (const StandardBit& bit : kStandardBits) {
    if ((bit.ids & ids) != 0) mask |= bit.analog;
  }
  return mask;
}

v4l2_std_id V4l2StandardsOf(LONG analogStandard) {
  v4l2_std_id ids = 0;
  for (const StandardBit& bit : kStandardBits) {
    if ((bit.analog & analogStandard) != 0) ids |= bit.ids;
  }
  return ids;
}

LONG ReadAnalogStandards(const V4l2Device& device) {
  LONG mask = 0;
  for (std::uint32_t index = 0;; ++index) {
    v4l2_standard standard{};
    standard.index = index;
    const int result = device.Ioctl(VIDIOC_ENUMSTD, &standard);
    if (result == 0) {
      mask |= AnalogStandardsOf(standard.id);
      continue;
    }
    if (result != -EINVAL && result != -ENOTTY && result != -ENODATA) {
      diag::Warn("v4l2", device.Path() + ": ENUMSTD failed: errno " + std::to_string(-result));
    }
    return mask;
  }
}

V4l2Decoder::V4l2Decoder(IUnknown* owner, const V4l2Device& device, LONG standards)
    : FilterPart(owner), device_(device), standards_(standards) {}

HRESULT V4l2Decoder::get_AvailableTVFormats(LONG* formats) {
  if (formats == nullptr) return E_POINTER;
  *formats = standards_;
  return S_OK;
}

HRESULT V4l2Decoder::put_TVFormat(LONG format) {
  if (!IsOneBit(format) || (format & standards_) == 0) return E_INVALIDARG;
  v4l2_std_id id = V4l2StandardsOf(format);
  const int result = device_.Ioctl(VIDIOC_S_STD, &id);
  if (result == -EBUSY) return VFW_E_NOT_STOPPED;
  return result < 0 ? HResultFromErrno(result) : S_OK;
}

HRESULT V4l2Decoder::get_TVFormat(LONG* format) {
  return CurrentFirstBit(device_, format);
}

HRESULT V4l2Decoder::get_HorizontalLocked(LONG* locked) {
  if (locked == nullptr) return E_POINTER;
  v4l2_input input{};
  int index = 0;
  int result = device_.Ioctl(VIDIOC_G_INPUT, &index);
  if (result == 0) {
    input.index = static_cast<std::uint32_t>(index);
    result = device_.Ioctl(VIDIOC_ENUMINPUT, &input);
  }
  if (result < 0) return HResultFromErrno(result);
  *locked = (input.status & (V4L2_IN_ST_NO_H_LOCK | V4L2_IN_ST_NO_SIGNAL)) != 0 ? 0 : 1;
  return S_OK;
}

HRESULT V4l2Decoder::put_VCRHorizontalLocking(LONG vcrLocking) {
  std::lock_guard lock(mutex_);
  vcrLocking_ = vcrLocking;
  return S_OK;
}

HRESULT V4l2Decoder::get_VCRHorizontalLocking(LONG* vcrLocking) {
  return Read(mutex_, vcrLocking_, vcrLocking);
}

HRESULT V4l2Decoder::get_NumberOfLines(LONG* lines) {
  if (lines == nullptr) return E_POINTER;
  HRESULT hr = S_OK;
  const auto id = CurrentStandard(device_, &hr);
  if (!id) return hr;
  *lines = (*id & V4L2_STD_525_60) != 0 ? 525 : 625;
  return S_OK;
}

HRESULT V4l2Decoder::put_OutputEnable(LONG enable) {
  std::lock_guard lock(mutex_);
  outputEnable_ = enable;
  return S_OK;
}

HRESULT V4l2Decoder::get_OutputEnable(LONG* enable) {
  return Read(mutex_, outputEnable_, enable);
}

std::optional<std::uint32_t> V4l2Tuner::FindAnalogTvTuner(const V4l2Device& device) {
  for (std::uint32_t index = 0;; ++index) {
    const auto tuner = TunerState(device, index);
    if (!tuner) return std::nullopt;
    if (tuner->type == V4L2_TUNER_ANALOG_TV) return index;
  }
}

V4l2Tuner::V4l2Tuner(IUnknown* owner, const V4l2Device& device, std::uint32_t tuner, LONG standards)
    : FilterPart(owner),
      device_(device),
      tuner_(tuner),
      lowUnits_([&] {
        const auto state = TunerState(device, tuner);
        return state && (state->capability & V4L2_TUNER_CAP_LOW) != 0;
      }()),
      standards_(standards) {
  HRESULT hr = S_OK;
  const auto frequency = Frequency(&hr);
  const auto channel = frequency
                           ? ChannelOfFrequency(countryCode_, Cable(),
                                                TunerUnitsToHz(frequency->frequency, lowUnits_))
                           : std::nullopt;
  channel_ = channel ? static_cast<LONG>(*channel) : ChannelRange(countryCode_, Cable()).first;
}

std::optional<v4l2_frequency> V4l2Tuner::Frequency(HRESULT* result) const {
  v4l2_frequency frequency{};
  frequency.tuner = tuner_;
  const int error = device_.Ioctl(VIDIOC_G_FREQUENCY, &frequency);
  *result = error < 0 ? HResultFromErrno(error) : S_OK;
  if (error < 0) return std::nullopt;
  return frequency;
}

HRESULT V4l2Tuner::put_Channel(LONG channel, LONG videoSubChannel, LONG audioSubChannel) {
  std::lock_guard lock(mutex_);
  const auto hz = ChannelFrequencyHz(countryCode_, Cable(), channel);
  if (!hz) return E_INVALIDARG;
  // G_FREQUENCY first: S_FREQUENCY wants the tuner's own type.
  HRESULT hr = S_OK;
  auto frequency = Frequency(&hr);
  if (!frequency) return hr;
  frequency->tuner = tuner_;
  frequency->frequency = FrequencyToTunerUnits(*hz, lowUnits_);
  const int result = device_.Ioctl(VIDIOC_S_FREQUENCY, &*frequency);
  if (result < 0) return HResultFromErrno(result);
  channel_ = channel;
  videoSubChannel_ = videoSubChannel;
  audioSubChannel_ = audioSubChannel;
  return S_OK;
}

HRESULT V4l2Tuner::get_Channel(LONG* channel, LONG* videoSubChannel, LONG* audioSubChannel) {
  if (channel == nullptr || videoSubChannel == nullptr || audioSubChannel == nullptr) {
    return E_POINTER;
  }
  std::lock_guard lock(mutex_);
  HRESULT hr = S_OK;
  const auto frequency = Frequency(&hr);
  if (!frequency) return hr;
  const std::uint32_t hz = TunerUnitsToHz(frequency->frequency, lowUnits_);
  // Where a plan gives one carrier several numbers, the one tuned last is the answer.
  const auto tuned = ChannelFrequencyHz(countryCode_, Cable(), channel_);
  const auto found = ChannelOfFrequency(countryCode_, Cable(), hz);
  const bool same = tuned && found && ChannelFrequencyHz(countryCode_, Cable(), *found) == tuned;
  *channel = found && !same ? static_cast<LONG>(*found) : channel_;
  *videoSubChannel = videoSubChannel_;
  *audioSubChannel = audioSubChannel_;
  return S_OK;
}

HRESULT V4l2Tuner::ChannelMinMax(LONG* channelMin, LONG* channelMax) {
  if (channelMin == nullptr || channelMax == nullptr) return E_POINTER;
  std::lock_guard lock(mutex_);
  const auto [lowest, highest] = ChannelRange(countryCode_, Cable());
  *channelMin = static_cast<LONG>(lowest);
  *channelMax = static_cast<LONG>(highest);
  return S_OK;
}

HRESULT V4l2Tuner::put_CountryCode(LONG countryCode) {
  if (ChannelRange(countryCode, false) == std::pair<long, long>{0, 0}) return E_INVALIDARG;
  std::lock_guard lock(mutex_);
  countryCode_ = countryCode;
  return S_OK;
}

HRESULT V4l2Tuner::get_CountryCode(LONG* countryCode) {
  return Read(mutex_, countryCode_, countryCode);
}

HRESULT V4l2Tuner::put_TuningSpace(LONG tuningSpace) {
  std::lock_guard lock(mutex_);
  tuningSpace_ = tuningSpace;
  return S_OK;
}

HRESULT V4l2Tuner::get_TuningSpace(LONG* tuningSpace) {
  return Read(mutex_, tuningSpace_, tuningSpace);
}

HRESULT V4l2Tuner::SignalPresent(LONG* signalStrength) {
  if (signalStrength == nullptr) return E_POINTER;
  v4l2_tuner tuner{};
  tuner.index = tuner_;
  const int result = device_.Ioctl(VIDIOC_G_TUNER, &tuner);
  if (result < 0) return HResultFromErrno(result);
  *signalStrength = tuner.signal > 0 ? AMTUNER_SIGNALPRESENT : AMTUNER_NOSIGNAL;
  return S_OK;
}

HRESULT V4l2Tuner::put_Mode(AMTunerModeType mode) {
  return mode == AMTUNER_MODE_TV ? S_OK : E_INVALIDARG;
}

HRESULT V4l2Tuner::get_Mode(AMTunerModeType* mode) {
  if (mode == nullptr) return E_POINTER;
  *mode = AMTUNER_MODE_TV;
  return S_OK;
}

HRESULT V4l2Tuner::GetAvailableModes(LONG* modes) {
  if (modes == nullptr) return E_POINTER;
  *modes = AMTUNER_MODE_TV;
  return S_OK;
}

HRESULT V4l2Tuner::get_AvailableTVFormats(LONG* standards) {
  if (standards == nullptr) return E_POINTER;
  *standards = standards_;
  return S_OK;
}

HRESULT V4l2Tuner::get_TVFormat(LONG* standard) {
  return CurrentFirstBit(device_, standard);
}

HRESULT V4l2Tuner::AutoTune(LONG channel, LONG* foundSignal) {
  if (foundSignal == nullptr) return E_POINTER;
  HRESULT hr = put_Channel(channel, AMTUNER_SUBCHAN_DEFAULT, AMTUNER_SUBCHAN_DEFAULT);
  if (FAILED(hr)) return hr;
  LONG signal = AMTUNER_NOSIGNAL;
  hr = SignalPresent(&signal);
  if (FAILED(hr)) return hr;
  *foundSignal = signal == AMTUNER_SIGNALPRESENT ? 1 : 0;
  return S_OK;
}

HRESULT V4l2Tuner::StoreAutoTune() {
  return S_OK;  // nothing to keep: channels map to frequencies through the plan
}

HRESULT V4l2Tuner::get_NumInputConnections(LONG* count) {
  if (count == nullptr) return E_POINTER;
  *count = 1;
  return S_OK;
}

HRESULT V4l2Tuner::put_InputType(LONG index, TunerInputType inputType) {
  if (index != 0 || (inputType != TunerInputCable && inputType != TunerInputAntenna)) {
    return E_INVALIDARG;
  }
  std::lock_guard lock(mutex_);
  inputType_ = inputType;
  return S_OK;
}

HRESULT V4l2Tuner::get_InputType(LONG index, TunerInputType* inputType) {
  if (inputType == nullptr) return E_POINTER;
  if (index != 0) return E_INVALIDARG;
  return Read(mutex_, inputType_, inputType);
}

HRESULT V4l2Tuner::put_ConnectInput(LONG index) {
  return index == 0 ? S_OK : E_INVALIDARG;
}

HRESULT V4l2Tuner::get_ConnectInput(LONG* index) {
  if (index == nullptr) return E_POINTER;
  *index = 0;
  return S_OK;
}

HRESULT V4l2Tuner::get_VideoFrequency(LONG* frequency) {
  if (frequency == nullptr) return E_POINTER;
  HRESULT hr = S_OK;
  const auto current = Frequency(&hr);
  if (!current) return hr;
  *frequency = ToLong(TunerUnitsToHz(current->frequency, lowUnits_));
  return S_OK;
}

HRESULT V4l2Tuner::get_AudioFrequency(LONG* frequency) {
  const HRESULT hr = get_VideoFrequency(frequency);
  if (FAILED(hr)) return hr;
  HRESULT standardResult = S_OK;
  const v4l2_std_id id = CurrentStandard(device_, &standardResult).value_or(V4L2_STD_MN);
  // The sound carrier's distance from the picture carrier in the standard's system.
  LONG offset = 4'500'000;  // M, N
  if ((id & (V4L2_STD_PAL_I)) != 0) {
    offset = 6'000'000;
  } else if ((id & (V4L2_STD_DK | V4L2_STD_SECAM_L | V4L2_STD_SECAM_LC)) != 0) {
    offset = 6'500'000;
  } else if ((id & (V4L2_STD_B | V4L2_STD_GH)) != 0) {
    offset = 5'500'000;
  }
  *frequency += offset;
  return S_OK;
}

}  // namespace devices

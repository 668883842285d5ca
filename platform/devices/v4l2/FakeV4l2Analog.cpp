// The fake node's analog side, as bttv/saa7134/em28xx answer it: video inputs, audio inputs,
// standards and the tuner with its frequency.

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "devices/v4l2/FakeV4l2Node.h"

namespace devices::fakev4l2 {
namespace {

template <std::size_t N>
void CopyName(const std::string& text, std::uint8_t (&out)[N]) {
  std::memset(out, 0, N);
  std::memcpy(out, text.data(), std::min(text.size(), N - 1));
}

int EnumInput(const Node& node, v4l2_input& input) {
  if (input.index >= node.device.inputs.size()) return -EINVAL;
  const FakeV4l2Input& source = node.device.inputs[input.index];
  const std::uint32_t index = input.index;
  std::memset(&input, 0, sizeof input);
  input.index = index;
  CopyName(source.name, input.name);
  input.type = source.type;
  input.audioset = source.audioset;
  input.tuner = source.tuner;
  input.std = source.standards;
  input.status = source.status;
  input.capabilities = source.standards != 0 ? V4L2_IN_CAP_STD : 0;
  return 0;
}

int FillAudio(const Node& node, std::uint32_t index, v4l2_audio& audio) {
  if (index >= node.device.audioInputs.size()) return -EINVAL;
  std::memset(&audio, 0, sizeof audio);
  audio.index = index;
  CopyName(node.device.audioInputs[index], audio.name);
  audio.capability = V4L2_AUDCAP_STEREO;
  return 0;
}

int EnumStandard(const Node& node, v4l2_standard& standard) {
  if (node.device.standards.empty()) return -ENODATA;
  if (standard.index >= node.device.standards.size()) return -EINVAL;
  const FakeV4l2Standard& source = node.device.standards[standard.index];
  const std::uint32_t index = standard.index;
  std::memset(&standard, 0, sizeof standard);
  standard.index = index;
  standard.id = source.id;
  CopyName(source.name, standard.name);
  standard.frameperiod = {source.framePeriod.numerator, source.framePeriod.denominator};
  standard.framelines = source.frameLines;
  return 0;
}

int SetStandard(Node& node, v4l2_std_id wanted) {
  if (node.device.standards.empty()) return -ENODATA;
  if (node.streaming) return -EBUSY;
  for (const FakeV4l2Standard& standard : node.device.standards) {
    if ((standard.id & wanted) != 0) {
      node.device.standard = standard.id;
      return 0;
    }
  }
  return -EINVAL;
}

std::int32_t SignalAt(const FakeV4l2Tuner& tuner) {
  for (const auto& [frequency, signal] : tuner.stations) {
    if (frequency == tuner.frequency) return signal;
  }
  return 0;
}

int GetTuner(const Node& node, v4l2_tuner& tuner) {
  if (tuner.index >= node.device.tuners.size()) return -EINVAL;
  const FakeV4l2Tuner& source = node.device.tuners[tuner.index];
  const std::uint32_t index = tuner.index;
  std::memset(&tuner, 0, sizeof tuner);
  tuner.index = index;
  CopyName(source.name, tuner.name);
  tuner.type = source.type;
  tuner.capability = source.capability;
  tuner.rangelow = source.rangeLow;
  tuner.rangehigh = source.rangeHigh;
  tuner.signal = SignalAt(source);
  tuner.rxsubchans = tuner.signal > 0 ? V4L2_TUNER_SUB_MONO | V4L2_TUNER_SUB_STEREO : 0;
  tuner.audmode = V4L2_TUNER_MODE_STEREO;
  return 0;
}

int SetFrequency(Node& node, const v4l2_frequency& frequency) {
  if (frequency.tuner >= node.device.tuners.size()) return -EINVAL;
  FakeV4l2Tuner& tuner = node.device.tuners[frequency.tuner];
  if (frequency.type != tuner.type) return -EINVAL;
  tuner.frequency = std::clamp(frequency.frequency, tuner.rangeLow, tuner.rangeHigh);
  return 0;
}

}  // namespace

int AnalogIoctl(Node& node, unsigned long request, void* argument) {
  FakeV4l2Device& device = node.device;
  switch (request) {
    case VIDIOC_ENUMINPUT:
      return EnumInput(node, *static_cast<v4l2_input*>(argument));
    case VIDIOC_G_INPUT:
      *static_cast<int*>(argument) = static_cast<int>(device.input);
      return 0;
    case VIDIOC_S_INPUT: {
      const int index = *static_cast<int*>(argument);
      if (index < 0 || static_cast<std::size_t>(index) >= device.inputs.size()) return -EINVAL;
      device.input = static_cast<std::uint32_t>(index);
      return 0;
    }
    case VIDIOC_ENUMAUDIO: {
      // Nodes without audio inputs do not know these requests, as uvcvideo does not.
      if (device.audioInputs.empty()) return -ENOTTY;
      auto& audio = *static_cast<v4l2_audio*>(argument);
      return FillAudio(node, audio.index, audio);
    }
    case VIDIOC_G_AUDIO:
      if (device.audioInputs.empty()) return -ENOTTY;
      return FillAudio(node, device.audioInput, *static_cast<v4l2_audio*>(argument));
    case VIDIOC_S_AUDIO: {
      if (device.audioInputs.empty()) return -ENOTTY;
      const auto& audio = *static_cast<const v4l2_audio*>(argument);
      if (audio.index >= device.audioInputs.size()) return -EINVAL;
      device.audioInput = audio.index;
      return 0;
    }
    case VIDIOC_ENUMSTD:
      return EnumStandard(node, *static_cast<v4l2_standard*>(argument));
    case VIDIOC_G_STD:
      if (device.standards.empty()) return -ENODATA;
      *static_cast<v4l2_std_id*>(argument) = device.standard;
      return 0;
    case VIDIOC_S_STD:
      return SetStandard(node, *static_cast<v4l2_std_id*>(argument));
    case VIDIOC_QUERYSTD: {
      if (device.standards.empty()) return -ENODATA;
      // What the decoder detects on the current input: nothing without a signal.
      const bool noSignal = device.input < device.inputs.size() &&
                            (device.inputs[device.input].status & V4L2_IN_ST_NO_SIGNAL) != 0;
      *static_cast<v4l2_std_id*>(argument) = noSignal ? V4L2_STD_UNKNOWN : device.standard;
      return 0;
    }
    case VIDIOC_G_TUNER:
      return GetTuner(node, *static_cast<v4l2_tuner*>(argument));
    case VIDIOC_S_TUNER: {
      const auto& tuner = *static_cast<const v4l2_tuner*>(argument);
      return tuner.index < device.tuners.size() ? 0 : -EINVAL;
    }
    case VIDIOC_G_FREQUENCY: {
      auto& frequency = *static_cast<v4l2_frequency*>(argument);
      if (frequency.tuner >= device.tuners.size()) return -EINVAL;
      frequency.type = device.tuners[frequency.tuner].type;
      frequency.frequency = device.tuners[frequency.tuner].frequency;
      return 0;
    }
    case VIDIOC_S_FREQUENCY:
      return SetFrequency(node, *static_cast<const v4l2_frequency*>(argument));
    default:
      return -ENOTTY;
  }
}

}  // namespace devices::fakev4l2

#include "devices/v4l2/V4l2Crossbar.h"

#include <linux/videodev2.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <vector>

#include "com/Diagnostics.h"
#include "devices/capture/DeviceResults.h"
#include "dshow/Uuids.h"

namespace devices {
namespace {

struct Connector {
  const char* word;  // lower case, found anywhere in the name
  LONG type;
};

// Searched in order: "S-Video" names video too, so S-Video comes before Composite's "video".
constexpr Connector kVideoConnectors[] = {
    {"s-video", PhysConn_Video_SVideo},
    {"svideo", PhysConn_Video_SVideo},
    {"s video", PhysConn_Video_SVideo},
    {"y/c", PhysConn_Video_SVideo},
    {"component", PhysConn_Video_YRYBY},
    {"ypbpr", PhysConn_Video_YRYBY},
    {"hdmi", PhysConn_Video_SerialDigital},
    {"dvi", PhysConn_Video_SerialDigital},
    {"sdi", PhysConn_Video_SerialDigital},
    {"rgb", PhysConn_Video_RGB},
    {"vga", PhysConn_Video_RGB},
    {"scart", PhysConn_Video_SCART},
    {"composite", PhysConn_Video_Composite},
    {"cvbs", PhysConn_Video_Composite},
    {"video", PhysConn_Video_Composite},
};

constexpr Connector kAudioConnectors[] = {
    {"tuner", PhysConn_Audio_Tuner},
    {"tv", PhysConn_Audio_Tuner},
    {"television", PhysConn_Audio_Tuner},
    {"line", PhysConn_Audio_Line},
    {"mic", PhysConn_Audio_Mic},
    {"spdif", PhysConn_Audio_SPDIFDigital},
    {"s/pdif", PhysConn_Audio_SPDIFDigital},
};

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

template <std::size_t N>
std::optional<LONG> FindConnector(const std::string& name, const Connector (&table)[N]) {
  const std::string lower = Lower(name);
  for (const Connector& connector : table) {
    if (lower.find(connector.word) != std::string::npos) return connector.type;
  }
  return std::nullopt;
}

template <std::size_t N>
std::string NameOf(const std::uint8_t (&text)[N]) {
  return std::string(reinterpret_cast<const char*>(text),
                     strnlen(reinterpret_cast<const char*>(text), N));
}

std::vector<v4l2_input> VideoInputs(const V4l2Device& device) {
  std::vector<v4l2_input> inputs;
  for (std::uint32_t index = 0;; ++index) {
    v4l2_input input{};
    input.index = index;
    const int result = device.Ioctl(VIDIOC_ENUMINPUT, &input);
    if (result == 0) {
      inputs.push_back(input);
      continue;
    }
    if (result != -EINVAL && result != -ENOTTY) {
      diag::Warn("v4l2", device.Path() + ": ENUMINPUT failed: errno " + std::to_string(-result));
    }
    return inputs;
  }
}

std::vector<v4l2_audio> AudioInputs(const V4l2Device& device) {
  std::vector<v4l2_audio> inputs;
  for (std::uint32_t index = 0;; ++index) {
    v4l2_audio audio{};
    audio.index = index;
    const int result = device.Ioctl(VIDIOC_ENUMAUDIO, &audio);
    if (result == 0) {
      inputs.push_back(audio);
      continue;
    }
    if (result != -EINVAL && result != -ENOTTY) {
      diag::Warn("v4l2", device.Path() + ": ENUMAUDIO failed: errno " + std::to_string(-result));
    }
    return inputs;
  }
}

// The first audio input of an audio set, or -1.
LONG FirstAudio(std::uint32_t audioset, std::size_t audioInputs) {
  for (std::size_t bit = 0; bit < audioInputs && bit < 32; ++bit) {
    if ((audioset & (1U << bit)) != 0) return static_cast<LONG>(bit);
  }
  return -1;
}

bool NeedsCrossbar(const std::vector<v4l2_input>& inputs) {
  if (inputs.size() > 1) return true;
  return std::any_of(inputs.begin(), inputs.end(), [](const v4l2_input& input) {
    return input.type != V4L2_INPUT_TYPE_CAMERA ||
           FindConnector(NameOf(input.name), kVideoConnectors).has_value();
  });
}

HRESULT RouteResult(int error) {
  return error == -EBUSY ? VFW_E_NOT_STOPPED : HResultFromErrno(error);
}

int SelectAudio(const V4l2Device& device, LONG audioIndex) {
  v4l2_audio audio{};
  audio.index = static_cast<std::uint32_t>(audioIndex);
  return device.Ioctl(VIDIOC_S_AUDIO, &audio);
}

// Applies a route of the crossbar to the node (see MakeV4l2Crossbar).
HRESULT ApplyRoute(const V4l2Device& device, const CrossbarDescription& crossbar, LONG output,
                   LONG input, CrossbarRouting& routing) {
  if (input < 0) return E_INVALIDARG;
  LONG videoInputs = 0;
  while (videoInputs < static_cast<LONG>(crossbar.inputs.size()) &&
         CrossbarRouting::IsVideo(
             crossbar.inputs[static_cast<std::size_t>(videoInputs)].physicalType)) {
    ++videoInputs;
  }
  if (output != 0) {  // the audio output
    const int result = SelectAudio(device, input - videoInputs);
    return result < 0 ? RouteResult(result) : S_OK;
  }
  int index = static_cast<int>(input);
  const int result = device.Ioctl(VIDIOC_S_INPUT, &index);
  if (result < 0) return RouteResult(result);
  const LONG related = crossbar.inputs[static_cast<std::size_t>(input)].related;
  if (related < 0 || crossbar.outputs.size() < 2) return S_OK;
  const int audio = SelectAudio(device, related - videoInputs);
  if (audio < 0) {
    // The picture switched; its sound stays where it was, which the audio output still shows.
    diag::Warn("v4l2", device.Path() + ": the input's sound does not follow: errno " +
                           std::to_string(-audio));
    return S_OK;
  }
  // The route is allowed by construction: the related pin is an audio input.
  (void)routing.Route(1, related);
  return S_OK;
}

}  // namespace

LONG VideoConnectorOf(const std::string& name, std::uint32_t type) {
  if (type == V4L2_INPUT_TYPE_TUNER) return PhysConn_Video_Tuner;
  return FindConnector(name, kVideoConnectors).value_or(PhysConn_Video_Composite);
}

LONG AudioConnectorOf(const std::string& name) {
  return FindConnector(name, kAudioConnectors).value_or(PhysConn_Audio_Line);
}

std::optional<CrossbarDescription> ReadV4l2Crossbar(const V4l2Device& device,
                                                    const std::string& name) {
  const std::vector<v4l2_input> video = VideoInputs(device);
  if (!NeedsCrossbar(video)) return std::nullopt;
  const std::vector<v4l2_audio> audio = AudioInputs(device);
  const auto videoCount = static_cast<LONG>(video.size());

  CrossbarDescription crossbar;
  crossbar.name = name;
  std::vector<LONG> audioRelated(audio.size(), -1);
  for (std::size_t i = 0; i < video.size(); ++i) {
    const LONG first = FirstAudio(video[i].audioset, audio.size());
    crossbar.inputs.push_back({VideoConnectorOf(NameOf(video[i].name), video[i].type),
                               first >= 0 ? videoCount + first : -1});
    if (first >= 0 && audioRelated[static_cast<std::size_t>(first)] < 0) {
      audioRelated[static_cast<std::size_t>(first)] = static_cast<LONG>(i);
    }
  }
  for (std::size_t j = 0; j < audio.size(); ++j) {
    // The sound of a tuner input is the tuner's, whatever the driver calls it.
    const LONG owner = audioRelated[j];
    const bool tuner =
        owner >= 0 && video[static_cast<std::size_t>(owner)].type == V4L2_INPUT_TYPE_TUNER;
    crossbar.inputs.push_back(
        {tuner ? PhysConn_Audio_Tuner : AudioConnectorOf(NameOf(audio[j].name)), owner});
  }
  crossbar.outputs.push_back({PhysConn_Video_VideoDecoder, audio.empty() ? -1 : 1});
  if (!audio.empty()) crossbar.outputs.push_back({PhysConn_Audio_AudioDecoder, 0});

  int current = 0;
  if (device.Ioctl(VIDIOC_G_INPUT, &current) < 0 || current < 0 || current >= videoCount) {
    current = 0;  // a node that cannot tell takes its first input, as drivers start
  }
  crossbar.routing.push_back(current);
  if (!audio.empty()) {
    v4l2_audio routed{};
    const bool known = device.Ioctl(VIDIOC_G_AUDIO, &routed) == 0 && routed.index < audio.size();
    const LONG fallback = crossbar.inputs[static_cast<std::size_t>(current)].related;
    crossbar.routing.push_back(known ? videoCount + static_cast<LONG>(routed.index) : fallback);
  }
  return crossbar;
}

ComPtr<CrossbarFilter> MakeV4l2Crossbar(std::shared_ptr<const V4l2Device> device,
                                        CrossbarDescription crossbar) {
  CrossbarDescription layout = crossbar;
  return MakeComObject<CrossbarFilter>(CLSID_Proxy, std::move(crossbar),
                                       [device = std::move(device), layout = std::move(layout)](
                                           LONG output, LONG input, CrossbarRouting& routing) {
                                         return ApplyRoute(*device, layout, output, input, routing);
                                       });
}

}  // namespace devices

#pragma once
// The inputs of an analog capture node (a TV card, a composite or S-Video dongle) as a crossbar.
// Inputs: the node's video inputs (VIDIOC_ENUMINPUT), in its order, then its audio inputs
// (ENUMAUDIO); each video input is related to the first audio input of its audio set, each audio
// input to the first video input that uses it. Outputs: "Video Decoder Out", and "Audio Decoder
// Out" when the node has audio inputs, related to each other. The routing starts from G_INPUT
// and G_AUDIO. Routing the video output to an input selects it (S_INPUT) and brings its sound
// along (S_AUDIO); routing the audio output selects that audio input.
//
// Threads: application thread.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "devices/capture/CrossbarFilter.h"
#include "devices/v4l2/V4l2Device.h"

namespace devices {

// The crossbar of the node, named name; nullopt when the node needs none: a single camera input
// (a webcam's "Camera 1"), as opposed to several inputs, a tuner, or an input named after an
// analog or digital connector.
std::optional<CrossbarDescription> ReadV4l2Crossbar(const V4l2Device& device,
                                                    const std::string& name);

// A crossbar filter over the node that crossbar describes (from ReadV4l2Crossbar). A route the
// node refuses fails and leaves the routing as it was: VFW_E_NOT_STOPPED when the driver allows
// no switch while it streams (EBUSY); disconnecting an output (input -1) is E_INVALIDARG, since
// a decoder always takes some input.
ComPtr<CrossbarFilter> MakeV4l2Crossbar(std::shared_ptr<const V4l2Device> device,
                                        CrossbarDescription crossbar);

// The connector a video input's name stands for (tuner inputs are told by their type):
// S-Video, Component, HDMI/DVI/SDI (serial digital), RGB/VGA, SCART, Composite; Composite when
// the name says nothing.
LONG VideoConnectorOf(const std::string& name, std::uint32_t type);
// The connector of an audio input: Tuner/TV, Line, Mic, S/PDIF; Line when the name says nothing.
LONG AudioConnectorOf(const std::string& name);

}  // namespace devices

#include "rudozav/devices/Crossbar.h"

#include <algorithm>
#include <string_view>
#include <utility>

namespace {

LONG PinType(IAMCrossbar& crossbar, BOOL isInput, LONG index, LONG* related = nullptr) {
  LONG relatedPin = -1;
  LONG type = 0;
  if (FAILED(crossbar.get_CrossbarPinInfo(isInput, index, &relatedPin, &type))) return -1;
  if (related != nullptr) *related = relatedPin;
  return type;
}

std::string PinLine(IAMCrossbar& crossbar, BOOL isInput, LONG index) {
  LONG related = -1;
  const LONG type = PinType(crossbar, isInput, index, &related);
  return PinTypeName(type) + ", related " + std::to_string(related);
}

}  // namespace

std::string PinTypeName(LONG physicalType) {
  static constexpr std::pair<LONG, std::string_view> kNames[] = {
      {PhysConn_Video_Tuner, "Tuner"},
      {PhysConn_Video_Composite, "Composite"},
      {PhysConn_Video_SVideo, "SVideo"},
      {PhysConn_Video_RGB, "RGB"},
      {PhysConn_Video_YRYBY, "YRYBY"},
      {PhysConn_Video_SerialDigital, "Serial Digital"},
      {PhysConn_Video_ParallelDigital, "Parallel Digital"},
      {PhysConn_Video_SCSI, "SCSI"},
      {PhysConn_Video_AUX, "AUX"},
      {PhysConn_Video_1394, "1394"},
      {PhysConn_Video_USB, "USB"},
      {PhysConn_Video_VideoDecoder, "Video Decoder"},
      {PhysConn_Video_VideoEncoder, "Video Encoder"},
      {PhysConn_Video_SCART, "SCART"},
      {PhysConn_Video_Black, "black"},
      {PhysConn_Audio_Tuner, "Audio Tuner"},
      {PhysConn_Audio_Line, "Audio Line"},
      {PhysConn_Audio_Mic, "Audio Mic"},
      {PhysConn_Audio_AESDigital, "Audio AES Digital"},
      {PhysConn_Audio_SPDIFDigital, "Audio SPDIF Digital"},
      {PhysConn_Audio_SCSI, "Audio SCSI"},
      {PhysConn_Audio_AUX, "Audio AUX"},
      {PhysConn_Audio_1394, "Audio 1394"},
      {PhysConn_Audio_USB, "Audio USB"},
      {PhysConn_Audio_AudioDecoder, "Audio Decoder"},
  };
  for (const auto& [type, name] : kNames) {
    if (type == physicalType) return std::string(name);
  }
  return {};
}

std::string ListVideoInputs(IAMCrossbar* crossbar) {
  LONG outputs = 0;
  LONG inputs = 0;
  if (crossbar == nullptr || FAILED(crossbar->get_PinCounts(&outputs, &inputs))) return {};
  bool videoOutput = false;
  for (LONG i = 0; i < outputs && !videoOutput; ++i) {
    const LONG type = PinType(*crossbar, FALSE, i);
    videoOutput = type >= 0 && IsVideoPinType(type);
  }
  if (!videoOutput) return {};
  std::vector<LONG> listedTypes;
  std::string text;
  for (LONG i = 0; i < inputs; ++i) {
    const LONG type = PinType(*crossbar, TRUE, i);
    if (type < 0 || !IsVideoPinType(type)) continue;
    const auto same = std::count(listedTypes.begin(), listedTypes.end(), type);
    std::string line = PinTypeName(type);
    if (same > 0) line += " " + std::to_string(same);
    if (!listedTypes.empty()) text += "\r\n";
    text += line;
    listedTypes.push_back(type);
  }
  return text;
}

int CurrentVideoInput(IAMCrossbar* crossbar) {
  LONG input = 0;
  if (crossbar == nullptr || FAILED(crossbar->get_IsRoutedTo(0, &input))) return 0;
  return input;
}

void LoadCrossbarPins(TCrossbar& pins, IAMCrossbar* crossbar) {
  pins = TCrossbar{};
  if (crossbar == nullptr) return;
  pins.Crossbar = crossbar;
  if (FAILED(crossbar->get_PinCounts(&pins.OutputCount, &pins.InputCount))) {
    pins.OutputCount = 0;
    pins.InputCount = 0;
    return;
  }
  for (LONG i = 0; i < pins.InputCount; ++i)
    pins.InputPins.push_back(PinLine(*crossbar, TRUE, i));
  for (LONG i = 0; i < pins.OutputCount; ++i) {
    LONG input = -1;
    if (FAILED(crossbar->get_IsRoutedTo(i, &input))) input = -1;
    pins.OutputPins.push_back(PinLine(*crossbar, FALSE, i) + ", routed to " +
                              std::to_string(input));
  }
}

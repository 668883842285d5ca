#include "devices/v4l2/FakeV4l2Description.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <numeric>
#include <set>

#include "devices/v4l2/FakeV4l2Picture.h"
#include "devices/virtual/TestPattern.h"
#include "dshow/AnalogInterfaces.h"
#include "dshow/Uuids.h"
#include "dshow/VideoMediaType.h"

namespace devices {
namespace {

struct FormatMapping {
  GUID subtype;
  std::uint32_t fourcc;
  const char* description;
};

// The subtypes a V4L2 driver can deliver, in the pixel format that has their memory layout.
const FormatMapping kFormats[] = {
    {MEDIASUBTYPE_YUY2, V4L2_PIX_FMT_YUYV, "YUYV 4:2:2"},
    {MEDIASUBTYPE_UYVY, V4L2_PIX_FMT_UYVY, "UYVY 4:2:2"},
    {MEDIASUBTYPE_MJPG, V4L2_PIX_FMT_MJPEG, "Motion-JPEG"},
    {MEDIASUBTYPE_RGB24, V4L2_PIX_FMT_BGR24, "24-bit BGR 8-8-8"},
    {MEDIASUBTYPE_RGB32, V4L2_PIX_FMT_BGR32, "32-bit BGRA/X 8-8-8-8"},
    {MEDIASUBTYPE_I420, V4L2_PIX_FMT_YUV420, "Planar YUV 4:2:0"},
    {MEDIASUBTYPE_NV12, V4L2_PIX_FMT_NV12, "Y/UV 4:2:0"},
    {MEDIASUBTYPE_YV12, V4L2_PIX_FMT_YVU420, "Planar YVU 4:2:0"},
    {MEDIASUBTYPE_Y800, V4L2_PIX_FMT_GREY, "8-bit Greyscale"},
    {FourCCGuid(MakeFourCC('G', 'R', 'E', 'Y')), V4L2_PIX_FMT_GREY, "8-bit Greyscale"},
};

const FormatMapping* MappingOf(const GUID& subtype) {
  for (const FormatMapping& mapping : kFormats) {
    if (mapping.subtype == subtype) return &mapping;
  }
  return nullptr;
}

// The subtype whose test pattern has the pixel format's layout when rows have no padding.
std::optional<GUID> PaintedSubtype(std::uint32_t fourcc) {
  for (const FormatMapping& mapping : kFormats) {
    if (mapping.fourcc == fourcc && fourcc != V4L2_PIX_FMT_MJPEG) return mapping.subtype;
  }
  return std::nullopt;
}

FakeV4l2Interval IntervalOf(double rate) {
  if (std::abs(rate - std::round(rate)) < 1e-6)
    return {1, static_cast<std::uint32_t>(std::lround(rate))};
  const auto denominator = static_cast<std::uint32_t>(std::lround(rate * 1000));
  const std::uint32_t divisor = std::gcd(1000U, denominator);
  return {1000 / divisor, denominator / divisor};
}

// The capability's rates as intervals, fastest first.
std::vector<FakeV4l2Interval> IntervalsOf(const VideoCapability& capability) {
  std::set<double, std::greater<>> rates;
  for (double rate : {capability.frameRate, capability.minFrameRate, capability.maxFrameRate}) {
    if (rate > 0) rates.insert(rate);
  }
  std::vector<FakeV4l2Interval> intervals;
  for (double rate : rates)
    intervals.push_back(IntervalOf(rate));
  return intervals;
}

void AddCapability(FakeV4l2Format& format, const VideoCapability& capability) {
  const auto intervals = IntervalsOf(capability);
  const bool ranged = capability.minSize.cx > 0 && capability.maxSize.cx > 0;
  if (ranged && capability.granularityX > 0 && capability.granularityY > 0) {
    // A range in steps: its intervals stand for every size of it.
    format.sizes.kind = FakeV4l2Sizes::Kind::kStepwise;
    format.sizes.range = {static_cast<std::uint32_t>(capability.minSize.cx),
                          static_cast<std::uint32_t>(capability.maxSize.cx),
                          static_cast<std::uint32_t>(capability.granularityX),
                          static_cast<std::uint32_t>(capability.minSize.cy),
                          static_cast<std::uint32_t>(capability.maxSize.cy),
                          static_cast<std::uint32_t>(capability.granularityY)};
    format.sizes.sizes = {{static_cast<std::uint32_t>(capability.width),
                           static_cast<std::uint32_t>(capability.height), intervals}};
    return;
  }
  if (format.sizes.kind != FakeV4l2Sizes::Kind::kDiscrete) return;  // a range covers it
  // Without steps: the capability's own size, its minimum and its maximum.
  std::vector<SIZE> sizes{{capability.width, capability.height}};
  if (ranged) sizes.insert(sizes.end(), {capability.maxSize, capability.minSize});
  for (const SIZE& size : sizes) {
    const auto width = static_cast<std::uint32_t>(size.cx);
    const auto height = static_cast<std::uint32_t>(size.cy);
    const bool known =
        std::any_of(format.sizes.sizes.begin(), format.sizes.sizes.end(),
                    [&](const auto& s) { return s.width == width && s.height == height; });
    if (!known) format.sizes.sizes.push_back({width, height, intervals});
  }
}

std::vector<FakeV4l2Format> FormatsOf(const DeviceDescription& device) {
  const VideoPinDescription* pin = nullptr;
  for (const VideoPinDescription& candidate : device.pins) {
    if (candidate.role == PinRole::kCapture && !candidate.capabilities.empty()) {
      pin = &candidate;
      break;
    }
  }
  std::vector<FakeV4l2Format> formats;
  if (pin == nullptr) return formats;
  for (const VideoCapability& capability : pin->capabilities) {
    const FormatMapping* mapping = MappingOf(capability.subtype);
    if (mapping == nullptr) continue;  // DV and the like: no V4L2 capture format
    auto it = std::find_if(formats.begin(), formats.end(),
                           [&](const auto& f) { return f.fourcc == mapping->fourcc; });
    if (it == formats.end()) {
      FakeV4l2Format format;
      format.fourcc = mapping->fourcc;
      format.description = mapping->description;
      format.compressed = mapping->fourcc == V4L2_PIX_FMT_MJPEG;
      format.sizes.sizes.clear();
      formats.push_back(std::move(format));
      it = std::prev(formats.end());
    }
    AddCapability(*it, capability);
  }
  return formats;
}

FakeV4l2Control Control(std::uint32_t id, const char* name, const ProcAmpRange& range) {
  FakeV4l2Control control;
  control.id = id;
  control.name = name;
  control.minimum = range.min;
  control.maximum = std::max(range.min, range.max);
  control.step = std::max<LONG>(range.step, 1);
  control.defaultValue = control.value = std::clamp(range.defaultValue, range.min, control.maximum);
  return control;
}

// The automatic partner of a manual control. It starts on when the property cannot be manual.
FakeV4l2Control AutoControl(std::uint32_t id, const char* name, FakeV4l2Control& manual,
                            const ProcAmpRange& range) {
  FakeV4l2Control control;
  control.id = id;
  control.name = name;
  control.type = V4L2_CTRL_TYPE_BOOLEAN;
  control.minimum = 0;
  control.maximum = 1;
  control.step = 1;
  control.defaultValue = control.value = (range.flags & VideoProcAmp_Flags_Manual) == 0 ? 1 : 0;
  control.flags = V4L2_CTRL_FLAG_UPDATE;
  manual.autoId = id;
  manual.manualWhen = 0;
  return control;
}

std::vector<FakeV4l2Control> ControlsOf(const ProcAmpDescription& procAmp) {
  struct Property {
    VideoProcAmpProperty property;
    std::uint32_t id;
    const char* name;
    std::uint32_t autoId;  // 0: no automatic partner
    const char* autoName;
  };
  static const Property kProperties[] = {
      {VideoProcAmp_Brightness, V4L2_CID_BRIGHTNESS, "Brightness", 0, nullptr},
      {VideoProcAmp_Contrast, V4L2_CID_CONTRAST, "Contrast", 0, nullptr},
      {VideoProcAmp_Hue, V4L2_CID_HUE, "Hue", 0, nullptr},
      {VideoProcAmp_Saturation, V4L2_CID_SATURATION, "Saturation", 0, nullptr},
      {VideoProcAmp_Sharpness, V4L2_CID_SHARPNESS, "Sharpness", 0, nullptr},
      {VideoProcAmp_Gamma, V4L2_CID_GAMMA, "Gamma", 0, nullptr},
      {VideoProcAmp_WhiteBalance, V4L2_CID_WHITE_BALANCE_TEMPERATURE, "White Balance Temperature",
       V4L2_CID_AUTO_WHITE_BALANCE, "White Balance, Automatic"},
      {VideoProcAmp_BacklightCompensation, V4L2_CID_BACKLIGHT_COMPENSATION,
       "Backlight Compensation", 0, nullptr},
      {VideoProcAmp_Gain, V4L2_CID_GAIN, "Gain", V4L2_CID_AUTOGAIN, "Gain, Automatic"},
  };
  std::vector<FakeV4l2Control> controls;
  for (const Property& property : kProperties) {
    const ProcAmpRange& range = procAmp[static_cast<std::size_t>(property.property)];
    if (!range.present) continue;
    FakeV4l2Control manual = Control(property.id, property.name, range);
    if (property.autoId != 0 && (range.flags & VideoProcAmp_Flags_Auto) != 0)
      controls.push_back(AutoControl(property.autoId, property.autoName, manual, range));
    controls.push_back(std::move(manual));
  }
  std::sort(controls.begin(), controls.end(),
            [](const auto& a, const auto& b) { return a.id < b.id; });
  return controls;
}

struct StandardMapping {
  LONG analog;
  v4l2_std_id id;
  const char* name;
  bool lines525;
};

const StandardMapping kStandards[] = {
    {AnalogVideo_NTSC_M, V4L2_STD_NTSC_M, "NTSC-M", true},
    {AnalogVideo_NTSC_M_J, V4L2_STD_NTSC_M_JP, "NTSC-M-JP", true},
    {AnalogVideo_NTSC_433, V4L2_STD_NTSC_443, "NTSC-443", true},
    {AnalogVideo_PAL_B, V4L2_STD_PAL_B, "PAL-B", false},
    {AnalogVideo_PAL_D, V4L2_STD_PAL_D, "PAL-D", false},
    {AnalogVideo_PAL_G, V4L2_STD_PAL_G, "PAL-G", false},
    {AnalogVideo_PAL_H, V4L2_STD_PAL_H, "PAL-H", false},
    {AnalogVideo_PAL_I, V4L2_STD_PAL_I, "PAL-I", false},
    {AnalogVideo_PAL_M, V4L2_STD_PAL_M, "PAL-M", true},
    {AnalogVideo_PAL_N, V4L2_STD_PAL_N, "PAL-N", false},
    {AnalogVideo_PAL_60, V4L2_STD_PAL_60, "PAL-60", true},
    {AnalogVideo_SECAM_B, V4L2_STD_SECAM_B, "SECAM-B", false},
    {AnalogVideo_SECAM_D, V4L2_STD_SECAM_D, "SECAM-D", false},
    {AnalogVideo_SECAM_G, V4L2_STD_SECAM_G, "SECAM-G", false},
    {AnalogVideo_SECAM_H, V4L2_STD_SECAM_H, "SECAM-H", false},
    {AnalogVideo_SECAM_K, V4L2_STD_SECAM_K, "SECAM-K", false},
    {AnalogVideo_SECAM_K1, V4L2_STD_SECAM_K1, "SECAM-K1", false},
    {AnalogVideo_SECAM_L, V4L2_STD_SECAM_L, "SECAM-L", false},
    {AnalogVideo_SECAM_L1, V4L2_STD_SECAM_LC, "SECAM-Lc", false},
    {AnalogVideo_PAL_N_COMBO, V4L2_STD_PAL_Nc, "PAL-Nc", false},
};

v4l2_std_id StandardsOf(LONG mask) {
  v4l2_std_id ids = 0;
  for (const StandardMapping& mapping : kStandards) {
    if ((mask & mapping.analog) != 0) ids |= mapping.id;
  }
  return ids;
}

std::vector<FakeV4l2Standard> StandardListOf(LONG mask) {
  std::vector<FakeV4l2Standard> standards;
  for (const StandardMapping& mapping : kStandards) {
    if ((mask & mapping.analog) == 0) continue;
    FakeV4l2Standard standard;
    standard.id = mapping.id;
    standard.name = mapping.name;
    standard.framePeriod =
        mapping.lines525 ? FakeV4l2Interval{1001, 30000} : FakeV4l2Interval{1, 25};
    standard.frameLines = mapping.lines525 ? 525 : 625;
    standards.push_back(std::move(standard));
  }
  return standards;
}

bool IsVideoConnector(LONG type) {
  return type == PhysConn_Video_Tuner || type == PhysConn_Video_Composite ||
         type == PhysConn_Video_SVideo;
}

bool IsAudioConnector(LONG type) {
  return type >= PhysConn_Audio_Tuner && type != PhysConn_Audio_AudioDecoder;
}

const char* ConnectorName(LONG type) {
  switch (type) {
    case PhysConn_Video_Tuner:
      return "Television";
    case PhysConn_Video_Composite:
      return "Composite";
    case PhysConn_Video_SVideo:
      return "S-Video";
    case PhysConn_Audio_Tuner:
      return "Tuner";
    case PhysConn_Audio_Line:
      return "Line In";
    case PhysConn_Audio_Mic:
      return "Microphone";
    default:
      return "Audio";
  }
}

// The input of an upstream crossbar that its output drives: the routed one, else the first of
// the output's connector type, else the one at the output's place.
std::size_t SourceOf(const CrossbarDescription& crossbar, std::size_t output) {
  if (output < crossbar.routing.size() && crossbar.routing[output] >= 0)
    return static_cast<std::size_t>(crossbar.routing[output]);
  for (std::size_t i = 0; i < crossbar.inputs.size(); ++i) {
    if (output < crossbar.outputs.size() &&
        crossbar.inputs[i].physicalType == crossbar.outputs[output].physicalType) {
      return i;
    }
  }
  return output;
}

// The crossbars' outside connectors as inputs and audio inputs: every video or audio input pin
// that no upstream crossbar feeds. An input's audio set is its related pin, followed upstream
// when an upstream crossbar feeds that pin.
void AddInputs(const DeviceDescription& description, v4l2_std_id standards,
               FakeV4l2Device& device) {
  const auto& crossbars = description.crossbars;
  // Inputs of crossbar [0] that an upstream crossbar's outputs feed are inside the card.
  std::vector<bool> fed(crossbars.empty() ? 0 : crossbars[0].inputs.size(), false);
  for (std::size_t c = 1; c < crossbars.size(); ++c) {
    for (LONG input : crossbars[c].feeds) {
      if (input >= 0 && static_cast<std::size_t>(input) < fed.size())
        fed[static_cast<std::size_t>(input)] = true;
    }
  }
  // Per crossbar and input pin: the index of its audio input, -1 for none.
  std::vector<std::vector<int>> audioIndex(crossbars.size());
  std::vector<std::string> audioInputs;
  for (std::size_t c = crossbars.size(); c-- > 0;) {
    const auto& pins = crossbars[c].inputs;
    audioIndex[c].assign(pins.size(), -1);
    for (std::size_t i = 0; i < pins.size(); ++i) {
      if (!IsAudioConnector(pins[i].physicalType) || (c == 0 && fed[i])) continue;
      audioIndex[c][i] = static_cast<int>(audioInputs.size());
      audioInputs.push_back(ConnectorName(pins[i].physicalType));
    }
  }
  // A fed audio pin of crossbar [0] is the upstream input that drives it.
  for (std::size_t c = 1; c < crossbars.size(); ++c) {
    for (std::size_t o = 0; o < crossbars[c].feeds.size(); ++o) {
      const LONG input = crossbars[c].feeds[o];
      const std::size_t source = SourceOf(crossbars[c], o);
      if (input < 0 || static_cast<std::size_t>(input) >= fed.size() ||
          source >= audioIndex[c].size()) {
        continue;
      }
      auto& index = audioIndex[0][static_cast<std::size_t>(input)];
      if (IsAudioConnector(crossbars[0].inputs[static_cast<std::size_t>(input)].physicalType))
        index = audioIndex[c][source];
    }
  }
  std::vector<FakeV4l2Input> inputs;
  int composites = 0;
  for (std::size_t c = 0; c < crossbars.size(); ++c) {
    const auto& pins = crossbars[c].inputs;
    for (std::size_t i = 0; i < pins.size(); ++i) {
      const LONG type = pins[i].physicalType;
      if (!IsVideoConnector(type) || (c == 0 && fed[i])) continue;
      FakeV4l2Input input;
      input.name = ConnectorName(type);
      if (type == PhysConn_Video_Composite) input.name += std::to_string(++composites);
      input.type = type == PhysConn_Video_Tuner ? V4L2_INPUT_TYPE_TUNER : V4L2_INPUT_TYPE_CAMERA;
      input.standards = standards;
      const LONG related = pins[i].related;
      if (related >= 0 && static_cast<std::size_t>(related) < pins.size() &&
          audioIndex[c][static_cast<std::size_t>(related)] >= 0) {
        input.audioset = 1U << audioIndex[c][static_cast<std::size_t>(related)];
      }
      if (c == 0 && !crossbars[0].routing.empty() &&
          crossbars[0].routing[0] == static_cast<LONG>(i)) {
        device.input = static_cast<std::uint32_t>(inputs.size());
      }
      inputs.push_back(std::move(input));
    }
  }
  if (inputs.empty()) return;
  // The audio input routed to crossbar [0]'s audio decoder output is the current one.
  for (std::size_t o = 0; o < crossbars[0].outputs.size() && o < crossbars[0].routing.size(); ++o) {
    const LONG routed = crossbars[0].routing[o];
    if (crossbars[0].outputs[o].physicalType == PhysConn_Audio_AudioDecoder && routed >= 0 &&
        static_cast<std::size_t>(routed) < audioIndex[0].size() &&
        audioIndex[0][static_cast<std::size_t>(routed)] >= 0) {
      device.audioInput =
          static_cast<std::uint32_t>(audioIndex[0][static_cast<std::size_t>(routed)]);
    }
  }
  device.inputs = std::move(inputs);
  device.audioInputs = std::move(audioInputs);
  if (!device.audioInputs.empty()) device.deviceCaps |= V4L2_CAP_AUDIO;
}

FakeV4l2Tuner TunerOf() {
  FakeV4l2Tuner tuner;
  tuner.frequency = tuner.rangeLow;
  tuner.stations = {{tuner.frequency, 65535}};
  return tuner;
}

// The test pattern where its layout is the pixel format's (no row padding), else the ramp.
void PaintPicture(const PictureDescription& picture, std::uint32_t sequence,
                  const v4l2_pix_format& format, std::uint8_t* data) {
  const auto subtype = PaintedSubtype(format.pixelformat);
  const auto width = static_cast<LONG>(format.width);
  const auto height = static_cast<LONG>(format.height);
  // RGB test patterns are top-down with a negative height.
  const bool rgb = subtype && (*subtype == MEDIASUBTYPE_RGB24 || *subtype == MEDIASUBTYPE_RGB32);
  const auto type =
      subtype ? MakeVideoMediaType(*subtype, width, rgb ? -height : height) : std::nullopt;
  const bool even = width % 2 == 0 && height % 2 == 0;
  const bool unpadded = !rgb || format.bytesperline % 4 == 0;
  if (subtype && type && even && unpadded &&
      VideoImageSize(*subtype, width, height) == format.sizeimage &&
      PaintTestPattern(picture, type->Get(), sequence, data, format.sizeimage) != 0) {
    return;
  }
  fakev4l2::PaintGreyRamp(sequence, format, data);
}

}  // namespace

FakeV4l2Device FakeV4l2DeviceFrom(const DeviceDescription& description) {
  FakeV4l2Device device;
  const bool card = !description.crossbars.empty();
  device.driver = card ? "saa7134" : "uvcvideo";
  device.card = description.friendlyName;
  device.busInfo = card ? "PCI:0000:03:00.0" : "usb-0000:00:14.0-1";
  if (!description.vid.empty()) {
    device.properties = {{"ID_BUS", description.bus},
                         {"ID_VENDOR_ID", description.vid},
                         {"ID_MODEL_ID", description.pid},
                         {"ID_USB_INTERFACE_NUM", description.mi},
                         {"ID_PATH", card ? "pci-0000:03:00.0" : "pci-0000:00:14.0-usb-0:1:1.0"}};
    if (!description.instance.empty()) device.properties["ID_SERIAL_SHORT"] = description.instance;
  }
  device.formats = FormatsOf(description);
  if (description.procAmp) device.controls = ControlsOf(*description.procAmp);

  const LONG standardMask = description.decoder ? description.decoder->standards
                            : description.tuner ? description.tuner->standards
                                                : 0;
  device.standards = StandardListOf(standardMask);
  if (!device.standards.empty()) {
    const LONG current = description.decoder ? description.decoder->standard : 0;
    const v4l2_std_id id = StandardsOf(current);
    device.standard = id != 0 ? id : device.standards.front().id;
  }
  AddInputs(description, StandardsOf(standardMask), device);
  if (description.tuner) {
    device.tuners = {TunerOf()};
    device.deviceCaps |= V4L2_CAP_TUNER;
  }

  device.faults.busyAtSetFormat = description.faults.inUse ? INT_MAX : 0;
  device.faults.lostAfterFrames = description.faults.lostAfterFrames;
  device.painter = [picture = description.picture](
                       std::uint32_t sequence, const v4l2_pix_format& format, std::uint8_t* data) {
    PaintPicture(picture, sequence, format, data);
  };
  return device;
}

}  // namespace devices

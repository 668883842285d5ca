// The picture, the output pins and the crossbars of a video capture device description.

#include "devices/virtual/DescriptionSections.h"
#include "dshow/Uuids.h"

namespace devices::json {
namespace {

std::string Item(const std::string& path, qsizetype index) {
  return path + "[" + std::to_string(index) + "]";
}

PatternKind ReadPattern(const Fields& fields) {
  const std::string text = fields.String("pattern", "bars");
  if (text == "bars") return PatternKind::kBars;
  if (text == "gradient") return PatternKind::kGradient;
  if (text == "checker") return PatternKind::kChecker;
  if (text == "solid") return PatternKind::kSolid;
  if (text == "alternate") return PatternKind::kAlternate;
  Fail(fields.PathOf("pattern"),
       "unknown pattern \"" + text + "\" (bars, gradient, checker, solid, alternate)");
}

void ReadColour(const Fields& fields, const char* name, std::array<BYTE, 3>& colour) {
  const QJsonArray values = fields.Array(name);
  if (values.isEmpty()) return;
  if (values.size() != 3) Fail(fields.PathOf(name), "expected [red, green, blue]");
  for (qsizetype i = 0; i < 3; ++i) {
    const long component = ToInteger(values[i], Item(fields.PathOf(name), i));
    if (component < 0 || component > 255) Fail(fields.PathOf(name), "components 0 to 255");
    colour[static_cast<std::size_t>(i)] = static_cast<BYTE>(component);
  }
}

void ReadPicture(const Fields& device, PictureDescription& picture) {
  if (!device.Has("picture")) return;
  const Fields fields(device.Value("picture"), device.PathOf("picture"));
  fields.AllowOnly({"pattern", "moving", "colour", "colour2"});
  picture.pattern = ReadPattern(fields);
  picture.moving = fields.Bool("moving", true);
  ReadColour(fields, "colour", picture.colour);
  ReadColour(fields, "colour2", picture.colour2);
}

PinRole ReadRole(const Fields& fields) {
  const std::string text = fields.String("role", "capture");
  if (text == "capture") return PinRole::kCapture;
  if (text == "preview") return PinRole::kPreview;
  if (text == "videoPort") return PinRole::kVideoPort;
  if (text == "analogVideoIn") return PinRole::kAnalogVideoIn;
  if (text == "interleaved") return PinRole::kInterleaved;
  Fail(fields.PathOf("role"),
       "unknown role \"" + text + "\" (capture, preview, videoPort, analogVideoIn, interleaved)");
}

SIZE ToSizeValue(const Size& size) {
  return SIZE{static_cast<LONG>(size.width), static_cast<LONG>(size.height)};
}

VideoCapability ReadCapability(const QJsonValue& value, const std::string& path, PinRole role) {
  const Fields fields(value, path);
  fields.AllowOnly({"subtype", "size", "frameRate", "frameRates", "formatType", "minSize",
                    "maxSize", "granularity"});
  VideoCapability capability;
  const char* defaultSubtype = role == PinRole::kInterleaved ? "dvsd" : "YUY2";
  capability.subtype =
      ParseSubtype(fields.String("subtype", defaultSubtype), fields.PathOf("subtype"));
  if (fields.Has("size")) {
    const Size size = ToSize(fields.Value("size"), fields.PathOf("size"));
    capability.width = static_cast<LONG>(size.width);
    capability.height = static_cast<LONG>(size.height);
  } else if (role == PinRole::kInterleaved) {
    capability.width = 720;
    capability.height = 480;
  }
  if (capability.width <= 0 || capability.height <= 0) Fail(fields.PathOf("size"), "an empty size");
  capability.frameRate = fields.Number("frameRate", role == PinRole::kInterleaved ? 29.97 : 30.0);
  if (capability.frameRate <= 0) Fail(fields.PathOf("frameRate"), "must be positive");
  const QJsonArray rates = fields.Array("frameRates");
  if (!rates.isEmpty()) {
    if (rates.size() != 2 || !rates[0].isDouble() || !rates[1].isDouble()) {
      Fail(fields.PathOf("frameRates"), "expected [slowest, fastest]");
    }
    capability.minFrameRate = rates[0].toDouble();
    capability.maxFrameRate = rates[1].toDouble();
  }
  const std::string formatType = fields.String("formatType", "VideoInfo");
  if (formatType != "VideoInfo" && formatType != "VideoInfo2") {
    Fail(fields.PathOf("formatType"), "VideoInfo or VideoInfo2");
  }
  capability.videoInfo2 = formatType == "VideoInfo2";
  if (fields.Has("minSize"))
    capability.minSize = ToSizeValue(ToSize(fields.Value("minSize"), fields.PathOf("minSize")));
  if (fields.Has("maxSize"))
    capability.maxSize = ToSizeValue(ToSize(fields.Value("maxSize"), fields.PathOf("maxSize")));
  if (fields.Has("granularity")) {
    const Size step = ToSize(fields.Value("granularity"), fields.PathOf("granularity"));
    capability.granularityX = static_cast<int>(step.width);
    capability.granularityY = static_cast<int>(step.height);
  }
  return capability;
}

VideoPinDescription ReadPin(const QJsonValue& value, const std::string& path) {
  const Fields fields(value, path);
  fields.AllowOnly({"name", "role", "formats", "acceptedSizes", "acceptsOverlay", "sound"});
  VideoPinDescription pin;
  pin.role = ReadRole(fields);
  pin.name = fields.String("name", "");
  const QJsonArray formats = fields.Array("formats");
  for (qsizetype i = 0; i < formats.size(); ++i) {
    pin.capabilities.push_back(
        ReadCapability(formats[i], Item(fields.PathOf("formats"), i), pin.role));
  }
  const QJsonArray sizes = fields.Array("acceptedSizes");
  for (qsizetype i = 0; i < sizes.size(); ++i) {
    pin.acceptedSizes.push_back(
        ToSizeValue(ToSize(sizes[i], Item(fields.PathOf("acceptedSizes"), i))));
  }
  pin.acceptsOverlay = fields.Bool("acceptsOverlay", false);
  pin.sound = fields.Bool("sound", true);
  return pin;
}

const char* DefaultPinName(PinRole role) {
  switch (role) {
    case PinRole::kCapture:
      return "Capture";
    case PinRole::kPreview:
      return "Preview";
    case PinRole::kVideoPort:
      return "VP";
    case PinRole::kAnalogVideoIn:
      return "Analog Video Out";
    case PinRole::kInterleaved:
      return "DV A/V Out";
  }
  return "Out";
}

// A camera with nothing said about its pins: one capture pin, YUY2 from 160x120 to 640x480.
VideoPinDescription DefaultCapturePin() {
  VideoPinDescription pin;
  VideoCapability capability;
  capability.subtype = MEDIASUBTYPE_YUY2;
  capability.minSize = SIZE{160, 120};
  capability.maxSize = SIZE{640, 480};
  capability.granularityX = 160;
  capability.granularityY = 120;
  pin.capabilities.push_back(capability);
  return pin;
}

// Pins without formats take those of the first capture (or interleaved) pin.
void CompletePins(std::vector<VideoPinDescription>& pins, const std::string& path) {
  const VideoPinDescription* source = nullptr;
  for (const VideoPinDescription& pin : pins) {
    if (!pin.capabilities.empty() && source == nullptr) source = &pin;
  }
  for (VideoPinDescription& pin : pins) {
    if (pin.name.empty()) pin.name = DefaultPinName(pin.role);
    if (!pin.capabilities.empty()) continue;
    if (source == nullptr) {
      if (pin.role == PinRole::kInterleaved) {
        pin.capabilities.push_back(ReadCapability(QJsonObject(), path, PinRole::kInterleaved));
      } else {
        pin.capabilities = DefaultCapturePin().capabilities;
      }
      source = &pin;
    } else {
      pin.capabilities = source->capabilities;
    }
  }
}

CrossbarPinDescription ReadCrossbarPin(const QJsonValue& value, const std::string& path) {
  const Fields fields(value, path);
  fields.AllowOnly({"type", "related"});
  if (!fields.Has("type")) Fail(path, "a crossbar pin needs a type");
  CrossbarPinDescription pin;
  pin.physicalType =
      static_cast<LONG>(ParsePhysicalType(fields.Value("type"), fields.PathOf("type")));
  pin.related = static_cast<LONG>(fields.Integer("related", -1));
  return pin;
}

std::vector<CrossbarPinDescription> ReadCrossbarPins(const Fields& fields, const char* key) {
  std::vector<CrossbarPinDescription> pins;
  const QJsonArray list = fields.Array(key);
  for (qsizetype i = 0; i < list.size(); ++i) {
    pins.push_back(ReadCrossbarPin(list[i], Item(fields.PathOf(key), i)));
  }
  return pins;
}

std::vector<LONG> ReadIndexes(const QJsonArray& list, const std::string& path, std::size_t limit,
                              bool allowNone) {
  std::vector<LONG> indexes;
  for (qsizetype i = 0; i < list.size(); ++i) {
    const long index = ToInteger(list[i], Item(path, i));
    const bool none = allowNone && index == -1;
    if (!none && (index < 0 || static_cast<std::size_t>(index) >= limit)) {
      Fail(Item(path, i), "index out of range");
    }
    indexes.push_back(static_cast<LONG>(index));
  }
  return indexes;
}

void CheckRelated(const std::vector<CrossbarPinDescription>& pins, const std::string& path) {
  for (std::size_t i = 0; i < pins.size(); ++i) {
    if (pins[i].related < -1 || pins[i].related >= static_cast<LONG>(pins.size())) {
      Fail(path + "[" + std::to_string(i) + "].related", "index out of range");
    }
  }
}

CrossbarDescription ReadCrossbar(const QJsonValue& value, const std::string& path) {
  const Fields fields(value, path);
  fields.AllowOnly({"name", "inputs", "outputs", "canRoute", "routing", "feeds"});
  CrossbarDescription crossbar;
  crossbar.name = fields.String("name", "Crossbar");
  crossbar.inputs = ReadCrossbarPins(fields, "inputs");
  crossbar.outputs = ReadCrossbarPins(fields, "outputs");
  if (crossbar.inputs.empty() || crossbar.outputs.empty()) {
    Fail(path, "a crossbar needs inputs and outputs");
  }
  CheckRelated(crossbar.inputs, fields.PathOf("inputs"));
  CheckRelated(crossbar.outputs, fields.PathOf("outputs"));
  const QJsonArray canRoute = fields.Array("canRoute");
  if (!canRoute.isEmpty() && canRoute.size() != static_cast<qsizetype>(crossbar.outputs.size())) {
    Fail(fields.PathOf("canRoute"), "one list of inputs per output");
  }
  for (qsizetype i = 0; i < canRoute.size(); ++i) {
    if (!canRoute[i].isArray())
      Fail(Item(fields.PathOf("canRoute"), i), "expected a list of inputs");
    crossbar.canRoute.push_back(ReadIndexes(
        canRoute[i].toArray(), Item(fields.PathOf("canRoute"), i), crossbar.inputs.size(), false));
  }
  crossbar.routing =
      ReadIndexes(fields.Array("routing"), fields.PathOf("routing"), crossbar.inputs.size(), true);
  if (crossbar.routing.size() > crossbar.outputs.size())
    Fail(fields.PathOf("routing"), "one input per output");
  crossbar.feeds = ReadIndexes(fields.Array("feeds"), fields.PathOf("feeds"), 1024, true);
  if (crossbar.feeds.size() > crossbar.outputs.size())
    Fail(fields.PathOf("feeds"), "one input per output");
  return crossbar;
}

}  // namespace

void ReadVideoPins(const Fields& fields, DeviceDescription& device) {
  ReadPicture(fields, device.picture);
  const QJsonArray pins = fields.Array("pins");
  for (qsizetype i = 0; i < pins.size(); ++i) {
    device.pins.push_back(ReadPin(pins[i], Item(fields.PathOf("pins"), i)));
  }
  if (device.pins.empty()) device.pins.push_back(DefaultCapturePin());
  CompletePins(device.pins, fields.PathOf("pins"));
}

void ReadCrossbars(const Fields& fields, DeviceDescription& device) {
  const QJsonArray crossbars = fields.Array("crossbars");
  if (crossbars.size() > 2) Fail(fields.PathOf("crossbars"), "at most two crossbars");
  for (qsizetype i = 0; i < crossbars.size(); ++i) {
    device.crossbars.push_back(ReadCrossbar(crossbars[i], Item(fields.PathOf("crossbars"), i)));
  }
  // The crossbar next to the capture filter feeds its one analog input; the upstream crossbar's
  // outputs feed inputs of the one next to the capture filter.
  if (!device.crossbars.empty()) {
    for (LONG input : device.crossbars[0].feeds) {
      if (input > 0)
        Fail(fields.PathOf("crossbars") + "[0].feeds", "the capture filter has input 0 only");
    }
  }
  if (device.crossbars.size() == 2) {
    const std::size_t limit = device.crossbars[0].inputs.size();
    for (LONG input : device.crossbars[1].feeds) {
      if (input >= static_cast<LONG>(limit)) {
        Fail(fields.PathOf("crossbars") + "[1].feeds", "no such input on the crossbar downstream");
      }
    }
  }
}

}  // namespace devices::json

#include "devices/virtual/DescriptionParser.h"

#include <QJsonDocument>
#include <QJsonParseError>
#include <cctype>

#include "devices/virtual/DescriptionSections.h"
#include "devices/virtual/JsonFields.h"
#include "dshow/Uuids.h"

namespace devices {
namespace {

using json::Fail;
using json::Fields;

DeviceCategory ReadCategory(const Fields& fields) {
  const std::string text = fields.String("category", "video");
  if (text == "video") return DeviceCategory::kVideoInput;
  if (text == "audio") return DeviceCategory::kAudioInput;
  if (text == "videoCompressor") return DeviceCategory::kVideoCompressor;
  if (text == "audioCompressor") return DeviceCategory::kAudioCompressor;
  Fail(fields.PathOf("category"),
       "unknown category \"" + text + "\" (video, audio, videoCompressor, audioCompressor)");
}

DeviceKind ReadKind(const Fields& fields, DeviceCategory category) {
  const bool compressor =
      category == DeviceCategory::kVideoCompressor || category == DeviceCategory::kAudioCompressor;
  const std::string text = fields.String("kind", compressor ? "other" : "wdm");
  if (text == "wdm") return DeviceKind::kWdm;
  if (text == "vfw") return DeviceKind::kVfw;
  if (text == "other") return DeviceKind::kOther;
  Fail(fields.PathOf("kind"), "unknown kind \"" + text + "\" (wdm, vfw, other)");
}

// Lower-case hexadecimal of exactly four digits, or empty.
std::string ReadHexId(const Fields& fields, const char* key) {
  std::string text = fields.String(key, "");
  if (text.empty()) return text;
  bool valid = text.size() == 4;
  for (char& c : text) {
    valid = valid && std::isxdigit(static_cast<unsigned char>(c));
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  }
  if (!valid) Fail(fields.PathOf(key), "expected four hexadecimal digits");
  return text;
}

// A part of the built display name: no "#" or "\", which would split it differently.
std::string ReadNamePart(const Fields& fields, const char* key, const std::string& fallback) {
  const std::string text = fields.String(key, fallback);
  if (text.find_first_of("#\\") != std::string::npos) {
    Fail(fields.PathOf(key), "may not contain \"#\" or \"\\\"");
  }
  return text;
}

void ReadIdentity(const Fields& fields, DeviceDescription& device) {
  device.friendlyName = fields.String("friendlyName", "");
  if (device.friendlyName.empty()) Fail(fields.PathOf("friendlyName"), "a device needs a name");
  if (fields.Has("clsid")) {
    const std::string text = fields.String("clsid", "");
    device.clsid = ParseGuid(text);
    if (!device.clsid) Fail(fields.PathOf("clsid"), "expected a braced GUID");
  }
  device.displayName = fields.String("displayName", "");
  device.bus = ReadNamePart(fields, "bus", "usb");
  device.vid = ReadHexId(fields, "vid");
  device.pid = ReadHexId(fields, "pid");
  if (device.vid.empty() != device.pid.empty()) Fail(fields.Path(), "vid and pid go together");
  device.mi = ReadNamePart(fields, "mi", "00");
  device.instance = ReadNamePart(fields, "instance", "");
}

void ReadFaults(const Fields& device, FaultDescription& faults) {
  if (!device.Has("faults")) return;
  const Fields fields(device.Value("faults"), device.PathOf("faults"));
  fields.AllowOnly({"bindFails", "addFails", "inUse", "lostAfterFrames"});
  faults.bindFails = fields.Bool("bindFails", false);
  faults.addFails = fields.Bool("addFails", false);
  faults.inUse = fields.Bool("inUse", false);
  faults.lostAfterFrames = fields.Integer("lostAfterFrames", -1);
}

void ReadAudio(const Fields& fields, DeviceDescription& device) {
  const QJsonArray formats = fields.Array("formats");
  for (qsizetype i = 0; i < formats.size(); ++i) {
    const Fields format(formats[i], fields.PathOf("formats") + "[" + std::to_string(i) + "]");
    format.AllowOnly({"samplesPerSec", "bitsPerSample", "channels"});
    AudioFormatDescription entry;
    entry.samplesPerSec = static_cast<DWORD>(format.Integer("samplesPerSec", 44100));
    entry.bitsPerSample = static_cast<WORD>(format.Integer("bitsPerSample", 16));
    entry.channels = static_cast<WORD>(format.Integer("channels", 2));
    if (entry.bitsPerSample != 8 && entry.bitsPerSample != 16) {
      Fail(format.PathOf("bitsPerSample"), "8 or 16");
    }
    if (entry.channels < 1 || entry.channels > 2) Fail(format.PathOf("channels"), "1 or 2");
    if (entry.samplesPerSec < 1000) Fail(format.PathOf("samplesPerSec"), "at least 1000");
    device.audioFormats.push_back(entry);
  }
  if (device.audioFormats.empty()) device.audioFormats.emplace_back();
  if (fields.Has("tone")) {
    const Fields tone(fields.Value("tone"), fields.PathOf("tone"));
    tone.AllowOnly({"frequency", "amplitude"});
    device.tone.frequency = tone.Number("frequency", 440.0);
    device.tone.amplitude = tone.Number("amplitude", 0.25);
    if (device.tone.amplitude < 0 || device.tone.amplitude > 1) {
      Fail(tone.PathOf("amplitude"), "between 0 and 1");
    }
  }
}

void ReadCompressor(const Fields& fields, DeviceDescription& device) {
  CompressorDescription& compressor = device.compressor;
  if (device.category == DeviceCategory::kVideoCompressor) {
    const std::string fourcc = fields.String("fourcc", "");
    if (fourcc.size() != 4) Fail(fields.PathOf("fourcc"), "a video compressor needs a FourCC");
    compressor.fourcc = MakeFourCC(fourcc[0], fourcc[1], fourcc[2], fourcc[3]);
  } else {
    compressor.formatTag = static_cast<WORD>(fields.Integer("formatTag", 0));
    if (compressor.formatTag == 0) Fail(fields.PathOf("formatTag"), "needs a format tag");
  }
  compressor.dialogs = fields.Bool("dialogs", false);
  compressor.persist = fields.Bool("persist", false);
}

DeviceDescription ReadDevice(const QJsonValue& value, const std::string& path) {
  const Fields fields(value, path);
  DeviceDescription device;
  device.category = ReadCategory(fields);
  device.kind = ReadKind(fields, device.category);
  ReadIdentity(fields, device);
  ReadFaults(fields, device.faults);
  device.source = QJsonDocument(value.toObject()).toJson(QJsonDocument::Compact).toStdString();
  switch (device.category) {
    case DeviceCategory::kVideoInput:
      fields.AllowOnly(
          {"category",      "kind",      "friendlyName", "clsid",     "displayName", "bus",
           "vid",           "pid",       "mi",           "instance",  "faults",      "picture",
           "pins",          "crossbars", "tuner",        "tvAudio",   "decoder",     "procAmp",
           "droppedFrames", "timecode",  "transport",    "vfwDialogs"});
      json::ReadVideoPins(fields, device);
      json::ReadCrossbars(fields, device);
      json::ReadVideoControls(fields, device);
      break;
    case DeviceCategory::kAudioInput:
      fields.AllowOnly({"category", "kind", "friendlyName", "clsid", "displayName", "bus", "vid",
                        "pid", "mi", "instance", "faults", "formats", "tone"});
      ReadAudio(fields, device);
      break;
    case DeviceCategory::kVideoCompressor:
    case DeviceCategory::kAudioCompressor:
      fields.AllowOnly({"category", "kind", "friendlyName", "clsid", "displayName", "bus", "vid",
                        "pid", "mi", "instance", "faults", "fourcc", "formatTag", "dialogs",
                        "persist"});
      ReadCompressor(fields, device);
      break;
  }
  return device;
}

}  // namespace

std::optional<std::vector<DeviceDescription>> ParseDeviceDescriptions(std::string_view text,
                                                                      std::string* error) {
  QJsonParseError parseError;
  const QJsonDocument document = QJsonDocument::fromJson(
      QByteArray(text.data(), static_cast<qsizetype>(text.size())), &parseError);
  if (document.isNull()) {
    if (error != nullptr) {
      *error = "JSON error at offset " + std::to_string(parseError.offset) + ": " +
               parseError.errorString().toStdString();
    }
    return std::nullopt;
  }
  try {
    QJsonArray list;
    std::string path = "devices";
    if (document.isArray()) {
      list = document.array();
    } else if (document.object().contains(QLatin1String("devices"))) {
      const Fields top(document.object(), "document");
      top.AllowOnly({"devices"});
      list = top.Array("devices");
    } else {
      list.append(document.object());
      path = "device";
    }
    std::vector<DeviceDescription> devices;
    for (qsizetype i = 0; i < list.size(); ++i) {
      devices.push_back(ReadDevice(list[i], path + "[" + std::to_string(i) + "]"));
    }
    return devices;
  } catch (const json::DescriptionError& failure) {
    if (error != nullptr) *error = failure.what();
    return std::nullopt;
  }
}

}  // namespace devices

// The controls of a video capture device description: tuner, TV audio, decoder, picture
// controls, frame counters, time code, transport and driver dialogs.

#include <cstdio>

#include "devices/virtual/DescriptionSections.h"
#include "dshow/TransportInterfaces.h"

namespace devices::json {
namespace {

struct Flag {
  const char* name;
  long value;
};

long ReadFlag(const std::string& text, const std::string& path, std::initializer_list<Flag> flags) {
  for (const Flag& flag : flags) {
    if (text == flag.name) return flag.value;
  }
  std::string names;
  for (const Flag& flag : flags)
    names += std::string(names.empty() ? "" : ", ") + flag.name;
  Fail(path, "unknown value \"" + text + "\" (" + names + ")");
}

long ReadFlags(const QJsonArray& list, const std::string& path, std::initializer_list<Flag> flags) {
  long mask = 0;
  for (qsizetype i = 0; i < list.size(); ++i) {
    const std::string itemPath = path + "[" + std::to_string(i) + "]";
    mask |= ReadFlag(ToString(list[i], itemPath), itemPath, flags);
  }
  return mask;
}

const std::initializer_list<Flag> kTunerModes = {{"tv", AMTUNER_MODE_TV},
                                                 {"fm", AMTUNER_MODE_FM_RADIO},
                                                 {"am", AMTUNER_MODE_AM_RADIO},
                                                 {"dss", AMTUNER_MODE_DSS}};
const std::initializer_list<Flag> kTvAudioModes = {{"mono", AMTVAUDIO_MODE_MONO},
                                                   {"stereo", AMTVAUDIO_MODE_STEREO},
                                                   {"langA", AMTVAUDIO_MODE_LANG_A},
                                                   {"langB", AMTVAUDIO_MODE_LANG_B},
                                                   {"langC", AMTVAUDIO_MODE_LANG_C}};

TunerDescription ReadTuner(const Fields& fields) {
  fields.AllowOnly({"channels", "channel", "countryCode", "tuningSpace", "modes", "mode",
                    "standards", "inputs", "connectInput", "signal"});
  TunerDescription tuner;
  if (fields.Has("channels")) {
    const Size range = ToSize(fields.Value("channels"), fields.PathOf("channels"));
    tuner.channelMin = static_cast<LONG>(range.width);
    tuner.channelMax = static_cast<LONG>(range.height);
  }
  tuner.channel = static_cast<LONG>(fields.Integer("channel", tuner.channelMin));
  tuner.countryCode = static_cast<LONG>(fields.Integer("countryCode", 90));
  tuner.tuningSpace = static_cast<LONG>(fields.Integer("tuningSpace", 0));
  if (fields.Has("modes"))
    tuner.availableModes = ReadFlags(fields.Array("modes"), fields.PathOf("modes"), kTunerModes);
  tuner.mode =
      static_cast<LONG>(ReadFlag(fields.String("mode", "tv"), fields.PathOf("mode"), kTunerModes));
  if (fields.Has("standards"))
    tuner.standards = ParseStandards(fields.Value("standards"), fields.PathOf("standards"));
  if (fields.Has("inputs")) {
    tuner.inputTypes.clear();
    const QJsonArray inputs = fields.Array("inputs");
    for (qsizetype i = 0; i < inputs.size(); ++i) {
      const std::string path = fields.PathOf("inputs") + "[" + std::to_string(i) + "]";
      tuner.inputTypes.push_back(static_cast<TunerInputType>(
          ReadFlag(ToString(inputs[i], path), path,
                   {{"cable", TunerInputCable}, {"antenna", TunerInputAntenna}})));
    }
    if (tuner.inputTypes.empty()) Fail(fields.PathOf("inputs"), "a tuner needs an input");
  }
  tuner.connectInput = static_cast<LONG>(fields.Integer("connectInput", 0));
  tuner.signalPresent = fields.Bool("signal", true);
  return tuner;
}

TvAudioDescription ReadTvAudio(const Fields& fields) {
  fields.AllowOnly({"hardwareModes", "availableModes", "mode"});
  TvAudioDescription audio;
  if (fields.Has("hardwareModes")) {
    audio.hardwareModes =
        ReadFlags(fields.Array("hardwareModes"), fields.PathOf("hardwareModes"), kTvAudioModes);
  }
  audio.availableModes = fields.Has("availableModes")
                             ? ReadFlags(fields.Array("availableModes"),
                                         fields.PathOf("availableModes"), kTvAudioModes)
                             : audio.hardwareModes;
  audio.mode = static_cast<LONG>(
      ReadFlag(fields.String("mode", "stereo"), fields.PathOf("mode"), kTvAudioModes));
  return audio;
}

DecoderDescription ReadDecoder(const Fields& fields) {
  fields.AllowOnly({"standards", "standard", "horizontalLocked", "vcrLocking", "outputEnable"});
  DecoderDescription decoder;
  if (fields.Has("standards"))
    decoder.standards = ParseStandards(fields.Value("standards"), fields.PathOf("standards"));
  decoder.standard = fields.Has("standard")
                         ? ParseStandard(fields.String("standard", ""), fields.PathOf("standard"))
                         : (decoder.standards & -decoder.standards);  // the lowest offered bit
  decoder.horizontalLocked = fields.Bool("horizontalLocked", true);
  decoder.vcrLocking = static_cast<LONG>(fields.Integer("vcrLocking", 0));
  decoder.outputEnable = static_cast<LONG>(fields.Integer("outputEnable", 1));
  return decoder;
}

const std::pair<const char*, VideoProcAmpProperty> kProcAmpNames[] = {
    {"brightness", VideoProcAmp_Brightness},
    {"contrast", VideoProcAmp_Contrast},
    {"hue", VideoProcAmp_Hue},
    {"saturation", VideoProcAmp_Saturation},
    {"sharpness", VideoProcAmp_Sharpness},
    {"gamma", VideoProcAmp_Gamma},
    {"colorEnable", VideoProcAmp_ColorEnable},
    {"whiteBalance", VideoProcAmp_WhiteBalance},
    {"backlightCompensation", VideoProcAmp_BacklightCompensation},
    {"gain", VideoProcAmp_Gain},
};

ProcAmpRange ReadRange(const Fields& fields) {
  fields.AllowOnly({"min", "max", "step", "default", "flags"});
  ProcAmpRange range;
  range.present = true;
  range.min = static_cast<LONG>(fields.Integer("min", 0));
  range.max = static_cast<LONG>(fields.Integer("max", 255));
  range.step = static_cast<LONG>(fields.Integer("step", 1));
  range.defaultValue = static_cast<LONG>(fields.Integer("default", range.min));
  if (fields.Has("flags")) {
    range.flags =
        ReadFlags(fields.Array("flags"), fields.PathOf("flags"),
                  {{"auto", VideoProcAmp_Flags_Auto}, {"manual", VideoProcAmp_Flags_Manual}});
  }
  if (range.min > range.max || range.defaultValue < range.min || range.defaultValue > range.max) {
    Fail(fields.Path(), "needs min <= default <= max");
  }
  if (range.step <= 0) Fail(fields.PathOf("step"), "must be positive");
  return range;
}

ProcAmpDescription ReadProcAmp(const Fields& fields) {
  ProcAmpDescription procAmp;
  for (const auto& [name, property] : kProcAmpNames) {
    if (fields.Has(name))
      procAmp[property] = ReadRange(Fields(fields.Value(name), fields.PathOf(name)));
  }
  fields.AllowOnly({"brightness", "contrast", "hue", "saturation", "sharpness", "gamma",
                    "colorEnable", "whiteBalance", "backlightCompensation", "gain"});
  return procAmp;
}

// "hh:mm:ss:ff" as packed BCD.
DWORD ReadTimecodeText(const std::string& text, const std::string& path) {
  unsigned parts[4] = {0, 0, 0, 0};
  char tail = 0;
  if (std::sscanf(text.c_str(), "%2u:%2u:%2u:%2u%c", &parts[0], &parts[1], &parts[2], &parts[3],
                  &tail) != 4) {
    Fail(path, "expected \"hh:mm:ss:ff\"");
  }
  DWORD bcd = 0;
  for (unsigned part : parts)
    bcd = (bcd << 8) | ((part / 10) << 4) | (part % 10);
  return bcd;
}

TimecodeDescription ReadTimecode(const Fields& fields) {
  fields.AllowOnly({"start", "track", "framesPerSecond", "blank"});
  TimecodeDescription timecode;
  if (fields.Has("start"))
    timecode.start = ReadTimecodeText(fields.String("start", ""), fields.PathOf("start"));
  timecode.track = static_cast<DWORD>(fields.Integer("track", 0));
  timecode.framesPerSecond = static_cast<LONG>(fields.Integer("framesPerSecond", 25));
  if (timecode.framesPerSecond < 1 || timecode.framesPerSecond > 60) {
    Fail(fields.PathOf("framesPerSecond"), "1 to 60");
  }
  timecode.blank = fields.Bool("blank", false);
  return timecode;
}

TransportDescription ReadTransport(const Fields& fields) {
  fields.AllowOnly({"mode"});
  TransportDescription transport;
  transport.mode = static_cast<LONG>(ReadFlag(fields.String("mode", "stop"), fields.PathOf("mode"),
                                              {{"play", ED_MODE_PLAY},
                                               {"stop", ED_MODE_STOP},
                                               {"freeze", ED_MODE_FREEZE},
                                               {"ff", ED_MODE_FF},
                                               {"rew", ED_MODE_REW},
                                               {"record", ED_MODE_RECORD}}));
  return transport;
}

template <class Section, class Reader>
void ReadOptional(const Fields& device, const char* key, std::optional<Section>& section,
                  Reader read) {
  if (device.Has(key)) section = read(Fields(device.Value(key), device.PathOf(key)));
}

}  // namespace

void ReadVideoControls(const Fields& fields, DeviceDescription& device) {
  ReadOptional(fields, "tuner", device.tuner, ReadTuner);
  ReadOptional(fields, "tvAudio", device.tvAudio, ReadTvAudio);
  ReadOptional(fields, "decoder", device.decoder, ReadDecoder);
  ReadOptional(fields, "procAmp", device.procAmp, ReadProcAmp);
  ReadOptional(fields, "droppedFrames", device.droppedFrames, [](const Fields& section) {
    section.AllowOnly({"dropEvery"});
    return DroppedFramesDescription{static_cast<LONG>(section.Integer("dropEvery", 0))};
  });
  ReadOptional(fields, "timecode", device.timecode, ReadTimecode);
  ReadOptional(fields, "transport", device.transport, ReadTransport);
  device.vfwDialogs =
      static_cast<int>(ReadFlags(fields.Array("vfwDialogs"), fields.PathOf("vfwDialogs"),
                                 {{"source", VfwCaptureDialog_Source},
                                  {"format", VfwCaptureDialog_Format},
                                  {"display", VfwCaptureDialog_Display}}));
}

}  // namespace devices::json

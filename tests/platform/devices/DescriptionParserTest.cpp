// Reading JSON device descriptions: defaults, the sections of a capture card, and errors that
// say where the description is wrong.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "devices/virtual/DescriptionParser.h"
#include "dshow/Uuids.h"

namespace {

using devices::DeviceCategory;
using devices::DeviceDescription;
using devices::DeviceKind;
using devices::ParseDeviceDescriptions;
using devices::PinRole;

DeviceDescription ParseOne(const std::string& json) {
  std::string error;
  auto devices = ParseDeviceDescriptions(json, &error);
  EXPECT_TRUE(devices) << error;
  if (!devices || devices->size() != 1) return {};
  return devices->front();
}

std::string ErrorOf(const std::string& json) {
  std::string error;
  EXPECT_FALSE(ParseDeviceDescriptions(json, &error)) << json;
  return error;
}

TEST(DescriptionParser, ACameraWithOnlyANameGetsOneYuy2CapturePin) {
  const DeviceDescription camera = ParseOne(R"({"friendlyName": "Cam"})");
  EXPECT_EQ(camera.category, DeviceCategory::kVideoInput);
  EXPECT_EQ(camera.kind, DeviceKind::kWdm);
  ASSERT_EQ(camera.pins.size(), 1u);
  EXPECT_EQ(camera.pins[0].role, PinRole::kCapture);
  ASSERT_EQ(camera.pins[0].capabilities.size(), 1u);
  EXPECT_EQ(camera.pins[0].capabilities[0].subtype, MEDIASUBTYPE_YUY2);
  EXPECT_EQ(camera.pins[0].capabilities[0].width, 640);
  EXPECT_EQ(camera.pins[0].capabilities[0].maxSize.cy, 480);
}

TEST(DescriptionParser, PinsWithoutFormatsShareThoseOfTheCapturePin) {
  const DeviceDescription camera = ParseOne(R"({"friendlyName": "Cam", "pins": [
      {"role": "preview"},
      {"role": "capture", "formats": [{"subtype": "RGB24", "size": [320, 240]}]},
      {"role": "videoPort", "name": "VP out"}]})");
  ASSERT_EQ(camera.pins.size(), 3u);
  EXPECT_EQ(camera.pins[0].name, "Preview");
  EXPECT_EQ(camera.pins[0].capabilities[0].subtype, MEDIASUBTYPE_RGB24);
  EXPECT_EQ(camera.pins[2].name, "VP out");
  EXPECT_EQ(camera.pins[2].capabilities[0].width, 320);
}

TEST(DescriptionParser, ReadsTheSectionsOfAnAnalogCaptureCard) {
  const DeviceDescription card = ParseOne(R"({
      "friendlyName": "TV Card", "kind": "vfw", "vid": "14F1", "pid": "8800",
      "crossbars": [
        {"inputs": [{"type": "Tuner", "related": 2}, {"type": "Composite"}, {"type": "Audio Tuner", "related": 0}],
         "outputs": [{"type": "Video Decoder", "related": 1}, {"type": "AudioDecoder", "related": 0}],
         "routing": [1, 2]}],
      "decoder": {"standards": ["NTSC_M", "PAL B", "SECAM_L"], "standard": "PAL_B"},
      "tuner": {"channels": [2, 69], "channel": 5, "inputs": ["cable", "antenna"]},
      "procAmp": {"brightness": {"min": 0, "max": 255, "default": 128},
                  "whiteBalance": {"min": 2800, "max": 6500, "default": 4000, "flags": ["auto"]}},
      "timecode": {"start": "01:23:45:17", "track": 7},
      "vfwDialogs": ["source", "display"],
      "faults": {"lostAfterFrames": 10}})");
  EXPECT_EQ(card.kind, DeviceKind::kVfw);
  EXPECT_EQ(card.vid, "14f1");
  ASSERT_EQ(card.crossbars.size(), 1u);
  EXPECT_EQ(card.crossbars[0].inputs[2].physicalType, PhysConn_Audio_Tuner);
  EXPECT_EQ(card.crossbars[0].outputs[0].physicalType, PhysConn_Video_VideoDecoder);
  EXPECT_EQ(card.crossbars[0].routing, (std::vector<LONG>{1, 2}));
  ASSERT_TRUE(card.decoder);
  EXPECT_EQ(card.decoder->standards, 0x040011);
  EXPECT_EQ(card.decoder->standard, AnalogVideo_PAL_B);
  ASSERT_TRUE(card.tuner);
  EXPECT_EQ(card.tuner->channelMax, 69);
  EXPECT_EQ(card.tuner->inputTypes.size(), 2u);
  ASSERT_TRUE(card.procAmp);
  EXPECT_TRUE((*card.procAmp)[VideoProcAmp_WhiteBalance].present);
  EXPECT_EQ((*card.procAmp)[VideoProcAmp_WhiteBalance].flags, VideoProcAmp_Flags_Auto);
  EXPECT_FALSE((*card.procAmp)[VideoProcAmp_Gain].present);
  ASSERT_TRUE(card.timecode);
  EXPECT_EQ(card.timecode->start, 0x01234517u);
  EXPECT_EQ(card.vfwDialogs, VfwCaptureDialog_Source | VfwCaptureDialog_Display);
  EXPECT_EQ(card.faults.lostAfterFrames, 10);
}

TEST(DescriptionParser, ReadsAudioDevicesAndCompressors) {
  std::string error;
  auto devices = ParseDeviceDescriptions(R"([
      {"category": "audio", "friendlyName": "Mic", "formats": [{"samplesPerSec": 8000, "bitsPerSample": 8, "channels": 1}]},
      {"category": "videoCompressor", "friendlyName": "Codec", "fourcc": "MJPG", "dialogs": true},
      {"category": "audioCompressor", "friendlyName": "ADPCM", "formatTag": 2}])",
                                         &error);
  ASSERT_TRUE(devices) << error;
  ASSERT_EQ(devices->size(), 3u);
  EXPECT_EQ((*devices)[0].audioFormats[0].samplesPerSec, 8000u);
  EXPECT_EQ((*devices)[1].kind, DeviceKind::kOther);
  EXPECT_EQ((*devices)[1].compressor.fourcc, MakeFourCC('M', 'J', 'P', 'G'));
  EXPECT_TRUE((*devices)[1].compressor.dialogs);
  EXPECT_EQ((*devices)[2].compressor.formatTag, 2);
}

TEST(DescriptionParser, ErrorsNameThePlaceOfTheMistake) {
  EXPECT_EQ(
      ErrorOf(
          R"({"devices": [{"friendlyName": "A"}, {"friendlyName": "B", "pins": [{"role": "capturee"}]}]})"),
      "devices[1].pins[0].role: unknown role \"capturee\" (capture, preview, videoPort, "
      "analogVideoIn, interleaved)");
  EXPECT_EQ(ErrorOf(R"({"friendlyName": "A", "colour": 1})"),
            "device[0]: unknown field \"colour\"");
  EXPECT_EQ(ErrorOf(R"({"friendlyName": "A", "vid": "12345", "pid": "0001"})"),
            "device[0].vid: expected four hexadecimal digits");
  EXPECT_EQ(
      ErrorOf(
          R"({"friendlyName": "A", "crossbars": [{"inputs": [{"type": "Composite", "related": 3}], "outputs": [{"type": "VideoDecoder"}]}]})"),
      "device[0].crossbars[0].inputs[0].related: index out of range");
  EXPECT_EQ(ErrorOf(R"({"friendlyName": "A", "instance": "7#1"})"),
            "device[0].instance: may not contain \"#\" or \"\\\"");
  EXPECT_NE(ErrorOf(R"({"friendlyName": )").find("JSON error"), std::string::npos);
  EXPECT_EQ(ErrorOf(R"({"kind": "wdm"})"), "device[0].friendlyName: a device needs a name");
}

TEST(DescriptionParser, TheBuiltInDemoIsTheDemoFixture) {
  std::ifstream file(RUDOZAV_FIXTURES "/demo.json");
  ASSERT_TRUE(file);
  std::ostringstream text;
  text << file.rdbuf();
  EXPECT_EQ(text.str(), devices::DemoDescriptionJson());
  const auto demo = devices::DemoDevices();
  ASSERT_EQ(demo.size(), 2u);
  EXPECT_EQ(demo[0].category, DeviceCategory::kVideoInput);
  EXPECT_EQ(demo[1].category, DeviceCategory::kAudioInput);
}

TEST(DescriptionParser, EveryFixtureParses) {
  int parsed = 0;
  for (const auto& entry : std::filesystem::directory_iterator(RUDOZAV_FIXTURES)) {
    if (entry.path().extension() != ".json") continue;
    std::ifstream file(entry.path());
    std::ostringstream text;
    text << file.rdbuf();
    std::string error;
    EXPECT_TRUE(ParseDeviceDescriptions(text.str(), &error)) << entry.path() << ": " << error;
    ++parsed;
  }
  EXPECT_GE(parsed, 5);
}

}  // namespace

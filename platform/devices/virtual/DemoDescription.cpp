// The built-in demo devices (RUDOZAV_VIRTUAL_DEVICES=demo). The same text is
// tests/fixtures/demo.json and the example of platform/devices/README.md.

#include "com/Diagnostics.h"
#include "devices/virtual/DescriptionParser.h"

namespace devices {
namespace {

constexpr char kDemoJson[] = R"json({
  "devices": [
    {
      "category": "video",
      "friendlyName": "Virtual Camera",
      "kind": "wdm",
      "vid": "1d6b",
      "pid": "0102",
      "mi": "00",
      "picture": { "pattern": "bars", "moving": true },
      "pins": [
        {
          "name": "Capture",
          "role": "capture",
          "formats": [
            {
              "subtype": "YUY2",
              "size": [640, 480],
              "frameRate": 30,
              "frameRates": [5, 30],
              "minSize": [160, 120],
              "maxSize": [640, 480],
              "granularity": [160, 120]
            },
            {
              "subtype": "RGB24",
              "size": [320, 240],
              "frameRate": 15,
              "frameRates": [5, 15],
              "minSize": [160, 120],
              "maxSize": [640, 480],
              "granularity": [160, 120]
            }
          ]
        },
        { "name": "Preview", "role": "preview" }
      ],
      "procAmp": {
        "brightness": { "min": 0, "max": 255, "step": 1, "default": 128, "flags": ["manual"] },
        "contrast": { "min": 0, "max": 100, "step": 1, "default": 50, "flags": ["manual"] },
        "saturation": { "min": 0, "max": 100, "step": 1, "default": 64, "flags": ["manual"] },
        "whiteBalance": { "min": 2800, "max": 6500, "step": 10, "default": 4600, "flags": ["auto", "manual"] }
      },
      "droppedFrames": { "dropEvery": 0 }
    },
    {
      "category": "audio",
      "friendlyName": "Virtual Microphone",
      "kind": "wdm",
      "vid": "1d6b",
      "pid": "0102",
      "mi": "02",
      "formats": [
        { "samplesPerSec": 44100, "bitsPerSample": 16, "channels": 2 },
        { "samplesPerSec": 22050, "bitsPerSample": 16, "channels": 1 }
      ],
      "tone": { "frequency": 440, "amplitude": 0.25 }
    }
  ]
}
)json";

}  // namespace

std::string_view DemoDescriptionJson() {
  return kDemoJson;
}

std::vector<DeviceDescription> DemoDevices() {
  std::string error;
  auto devices = ParseDeviceDescriptions(kDemoJson, &error);
  if (!devices) {
    diag::Warn("devices", "the built-in demo description does not parse: " + error);
    return {};
  }
  return std::move(*devices);
}

}  // namespace devices

#pragma once
// The pieces display names of devices are made of, shared by virtual devices and V4L2 nodes so
// that both have the shape code which takes names apart (at "#", "&" and "\") expects:
//   @device:pnp:\\?\usb#vid_046d&pid_0825&mi_00#6&1a2b3c4d&0&0000#{65e8773d-...}\global
//   @device:cm:{860BB310-5D01-11D0-BD3B-00A0C911CE86}\Card name

#include <cstdint>
#include <string>
#include <string_view>

#include "com/Guid.h"

namespace devices {

// The device interface classes that follow the instance id of a plug-and-play name.
inline constexpr char kVideoCaptureInterface[] = "{65e8773d-8f56-11d0-a3b9-00a0c9223196}";
inline constexpr char kAudioCaptureInterface[] = "{6994ad04-93ef-11d0-a3cc-00a0c9223196}";

// FNV-1a over the bytes of text: the short, stable hash instance ids are derived with.
constexpr std::uint32_t Fnv1a(std::string_view text) {
  std::uint32_t hash = 2166136261u;
  for (char c : text) {
    hash ^= static_cast<unsigned char>(c);
    hash *= 16777619u;
  }
  return hash;
}

// "@device:pnp:\\?\" + bus + "#" + hardwareId + "#" + instance + "#" + interfaceClass + "\global".
inline std::string PnpDisplayName(std::string_view bus, std::string_view hardwareId,
                                  std::string_view instance, std::string_view interfaceClass) {
  std::string name = "@device:pnp:\\\\?\\";
  name.append(bus).append("#").append(hardwareId).append("#").append(instance);
  name.append("#").append(interfaceClass).append("\\global");
  return name;
}

// "@device:cm:" + the category in braces + "\" + tail.
inline std::string ClassManagerDisplayName(REFCLSID category, std::string_view tail) {
  std::string name = "@device:cm:" + StringFromCLSID(category) + "\\";
  name.append(tail);
  return name;
}

}  // namespace devices

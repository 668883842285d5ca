#include "devices/encoders/EncoderDeviceSource.h"

#include <atomic>

#include "devices/DeviceMoniker.h"
#include "devices/capture/DeviceResults.h"
#include "devices/encoders/CompressorFilter.h"
#include "dshow/Uuids.h"

namespace devices {
namespace {

std::atomic<bool> g_listed{true};

const CLSID& CategoryOf(EncoderKind kind) {
  return kind == EncoderKind::kVideo ? CLSID_VideoCompressorCategory
                                     : CLSID_AudioCompressorCategory;
}

PropertyMap PropertiesOf(const EncoderEntry& entry) {
  PropertyMap properties;
  properties["FriendlyName"] = VARIANT(std::string(entry.friendlyName));
  properties["CLSID"] =
      VARIANT(StringFromCLSID(entry.kind == EncoderKind::kVideo ? CLSID_FfmpegVideoCompressor
                                                                : CLSID_FfmpegAudioCompressor));
  return properties;
}

}  // namespace

void SetEncoderCompressorsListed(bool listed) {
  g_listed = listed;
}

bool EncoderCompressorsListed() {
  return g_listed;
}

std::string EncoderDisplayName(const EncoderEntry& entry) {
  return "@device:cm:" + StringFromCLSID(CategoryOf(entry.kind)) +
         "\\ffmpeg:" + std::string(entry.key);
}

void EncoderDeviceSource::AppendMonikers(REFCLSID category,
                                         std::vector<ComPtr<IMoniker>>& monikers) {
  EncoderKind kind = EncoderKind::kVideo;
  if (category == CLSID_AudioCompressorCategory) {
    kind = EncoderKind::kAudio;
  } else if (category != CLSID_VideoCompressorCategory) {
    return;
  }
  if (!EncoderCompressorsListed()) return;
  for (const AvailableEncoder& encoder : AvailableEncoders(kind)) {
    monikers.push_back(MakeComObject<DeviceMoniker>(EncoderDisplayName(*encoder.entry),
                                                    PropertiesOf(*encoder.entry), BindEncoder));
  }
}

HRESULT BindEncoder(const std::string& displayName, REFIID riid, void** object) {
  if (object == nullptr) return E_POINTER;
  *object = nullptr;
  for (const EncoderEntry& entry : KnownEncoders()) {
    if (EncoderDisplayName(entry) != displayName) continue;
    const auto encoder = FindAvailableEncoder(entry.key);
    if (!encoder) break;
    return CreateCompressorFilter(*encoder, riid, object);
  }
  return kDeviceNotConnected;
}

namespace {

const bool kRegistered = (AddDeviceSource(std::make_shared<EncoderDeviceSource>()), true);

}  // namespace

}  // namespace devices

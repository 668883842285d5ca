#pragma once
// FFmpeg's encoders as compressors of the system device enumerator: the video compressor
// category lists the video encoders of EncoderCatalog.h that libavcodec has, the audio
// compressor category the audio ones, in the catalog's order. Each moniker has a class-manager
// display name that names the encoder by its key, the same on every machine and run
// (@device:cm:{33D9A760-90C8-11D0-BD43-00A0C911CE86}\ffmpeg:mjpeg), "FriendlyName" (the
// catalog's) and "CLSID" (CLSID_FfmpegVideoCompressor or CLSID_FfmpegAudioCompressor).
// Binding makes a CompressorFilter.
//
// Threads: any thread; nothing is kept between calls.

#include <string>

#include "devices/DeviceSource.h"
#include "devices/encoders/EncoderCatalog.h"

namespace devices {

class EncoderDeviceSource : public DeviceSource {
 public:
  void AppendMonikers(REFCLSID category, std::vector<ComPtr<IMoniker>>& monikers) override;
};

// Whether the encoders are listed at all (they are unless turned off). The tests' entry turns
// them off, as it hides the machine's cameras, so that only a test that asks for them sees them.
// Any thread.
void SetEncoderCompressorsListed(bool listed);
bool EncoderCompressorsListed();

// The display name of an encoder's moniker.
std::string EncoderDisplayName(const EncoderEntry& entry);

// Makes the compressor with that display name; kDeviceNotConnected when no such encoder is
// present.
HRESULT BindEncoder(const std::string& displayName, REFIID riid, void** object);

}  // namespace devices

#pragma once
// Encodes the test picture for cameras that deliver compressed frames: MJPG, and DV (dvsd and
// dv25 at 720x480 or 720x576, with a tone in the frame's sound), with libavcodec, so that
// decoders downstream get real frames.
// One encoder per stream; used by the streaming thread only.

#include <memory>

#include "av/AvOwners.h"
#include "devices/virtual/DVSoundMuxer.h"
#include "devices/virtual/DeviceDescription.h"

namespace devices {

class CompressedFrameEncoder {
 public:
  // Null when frames of the subtype and size cannot be encoded here. sound: DV frames carry a
  // tone (without it, or when the muxer cannot open, their audio blocks stay empty).
  static std::unique_ptr<CompressedFrameEncoder> Create(const GUID& subtype, LONG width,
                                                        LONG height, bool sound = true);
  ~CompressedFrameEncoder();
  CompressedFrameEncoder(const CompressedFrameEncoder&) = delete;
  CompressedFrameEncoder& operator=(const CompressedFrameEncoder&) = delete;

  // Encodes frame number frame of the picture into buffer; the bytes written, 0 when encoding
  // failed or the frame does not fit.
  DWORD Encode(const PictureDescription& picture, LONGLONG frame, BYTE* buffer, DWORD capacity);

 private:
  CompressedFrameEncoder(LONG width, LONG height);
  bool Open(int codecId, int pixelFormat, int timeBaseNum, int timeBaseDen);

  const LONG width_;
  const LONG height_;
  av::CodecContextPtr context_;
  av::FramePtr frame_;
  av::PacketPtr packet_;
  av::SwsContextPtr scaler_;
  std::unique_ptr<BYTE[]> rgb_;          // the painted picture, top-down RGB24
  std::unique_ptr<DVSoundMuxer> sound_;  // DV only
};

}  // namespace devices

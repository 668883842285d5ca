#pragma once
// One libavformat demuxer over a media file: what the file holds (the streams the framework can
// type, with their times), and the packets of one chosen stream, with seeking to the key frame
// at or before a time.
//
// Times are REFERENCE_TIME (100 ns) from the start of the chosen stream. A file that is cut short
// (a recording whose process was killed: no index, headers with their counts unwritten) is read up
// to where it ends; a damaged tail ends the stream instead of failing it.
//
// Threads: one thread at a time (the file source's application thread while loading, then the
// streaming thread of the pin that owns the reader).

#include <memory>
#include <string>
#include <vector>

#include "av/AvOwners.h"
#include "av/IoDeadline.h"
#include "com/HResult.h"
#include "dshow/MediaType.h"
#include "dshow/filters/MediaFileLimits.h"

namespace dshow {

struct MediaStreamInfo {
  int index = -1;  // in the container
  MediaType type;
  bool video = false;
  // Every packet decodes on its own (audio, MJPEG, DV ...): seeking can drop what comes before
  // the target instead of decoding it.
  bool intraOnly = true;
  REFERENCE_TIME duration = 0;       // 0 when the file does not say
  REFERENCE_TIME frameInterval = 0;  // video; 0 when unknown
};

// One packet of the chosen stream. The bytes stay valid until the next Read or Seek.
struct MediaPacket {
  const BYTE* data = nullptr;
  size_t size = 0;
  REFERENCE_TIME start = 0;
  REFERENCE_TIME stop = 0;
  bool keyFrame = false;
};

class MediaFileReader {
 public:
  // Opens and probes the file. Null with *result: VFW_E_NOT_FOUND (no such file),
  // E_ACCESSDENIED, or VFW_E_UNKNOWN_FILE_TYPE (not a media file, or nothing in it that the
  // framework can type).
  static std::unique_ptr<MediaFileReader> Open(const std::string& path, HRESULT* result);
  MediaFileReader(const MediaFileReader&) = delete;
  MediaFileReader& operator=(const MediaFileReader&) = delete;

  const std::vector<MediaStreamInfo>& Streams() const { return streams_; }
  // The file's length, the longest stream's; 0 when unknown.
  REFERENCE_TIME Duration() const { return duration_; }

  // Reads only this stream (a Streams() entry's index) from now on; others are skipped.
  void Choose(int index);
  // The next packet of the chosen stream: S_OK, S_FALSE at the end of the file.
  HRESULT Read(MediaPacket* packet);
  // Goes to the key frame at or before time (to the start when there is none or the file has
  // no index to seek with). Read then continues from there.
  void Seek(REFERENCE_TIME time);

 private:
  MediaFileReader() = default;
  HRESULT ProbeFile(const std::string& path);

  MediaFileLimits limits_;
  av::IoDeadline deadline_;  // before context_, which calls it until closed
  av::InputFormatPtr context_;
  av::PacketPtr packet_;
  std::vector<MediaStreamInfo> streams_;
  REFERENCE_TIME duration_ = 0;
  int64_t origin_ = 0;  // the file's start, then the chosen stream's; AV_TIME_BASE units
  int chosen_ = -1;
  REFERENCE_TIME next_ = 0;  // where a packet without a time is placed
};

}  // namespace dshow

#pragma once
// Writes one AVI file with libavformat's "avi" muxer (OpenDML: past 1 GB the muxer goes on in
// extension RIFF chunks with their own indexes), one stream per media type, through a FileWriterIo
// that keeps room in reserve for the index (see av/AvIo.h).
//
// Time: a video frame goes where its sample start time (stream time, so relative to the run's
// start) puts it, in frame intervals: a frame the device dropped leaves a gap, which libavformat
// fills with empty chunks (a reader shows the frame before again), and frames missing before the
// first are empty chunks too. So the video keeps time with the sound. Sound is placed by the bytes
// written before it. A master stream, when set, is the length every video stream is filled up to
// when the file is finished.
//
// Failures: the first failing write ends the file early: Write answers the failure from then on
// (STG_E_MEDIUMFULL for a full disk) and the owner calls Finish, which still writes the index and
// the header into the reserve, so what was written stays a playable file.
//
// The file reaches the disk at least once a second (each Write sends what is buffered when a
// second has passed), so a process that is killed loses at most the last second, and the part
// written is readable without its index.
//
// Threads: not synchronised; the owner serialises every call.

#include <chrono>
#include <memory>
#include <vector>

#include "av/AvIo.h"
#include "av/AvOwners.h"
#include "dshow/MediaType.h"

namespace dshow {

struct AviWriterSettings {
  // Interleave by time: libavformat holds packets back (at most interleaveTime) to write them in
  // time order. Without it, packets are written as they arrive.
  bool interleave = true;
  REFERENCE_TIME interleaveTime = 10'000'000;
  // Index of the stream the others are filled up to at the end; -1 for none.
  LONG masterStream = -1;
};

class AviFileWriter {
 public:
  // One stream per type, in order; the header is written. Null with *result set when a type
  // cannot be carried or the file cannot be started.
  static std::unique_ptr<AviFileWriter> Open(std::unique_ptr<av::FileOutput> output,
                                             const std::vector<MediaType>& types,
                                             const AviWriterSettings& settings, HRESULT* result);
  ~AviFileWriter();
  AviFileWriter(const AviFileWriter&) = delete;
  AviFileWriter& operator=(const AviFileWriter&) = delete;

  // Writes one sample of the stream. start: the sample's start time, if it has one. S_OK, or
  // the failure that ended the file (also for every later call).
  HRESULT Write(int stream, const BYTE* data, size_t size, const REFERENCE_TIME* start,
                bool keyFrame);

  // Fills the streams up to the master's length, writes the index and header and ends the file
  // (a file allocated ahead keeps its length, see av::FileWriterIo::Finish). The first failure
  // of the whole file, or S_OK. Later calls only answer it.
  HRESULT Finish();
  bool Finished() const { return finished_; }

  // Packets written to each stream (empty fill chunks included).
  int64_t Frames(int stream) const;

 private:
  struct Stream {
    bool video = false;
    int64_t next = 0;           // the slot (video) or byte (sound) the next packet takes
    AVRational byteTime{0, 1};  // sound: the duration of one byte
  };

  AviFileWriter(std::unique_ptr<av::FileWriterIo> io, const AviWriterSettings& settings);
  HRESULT Start(const std::vector<MediaType>& types);
  int WritePacket(int stream, const BYTE* data, size_t size, int64_t dts, bool keyFrame);
  // Empty chunks for the slots of a video stream from its next one up to slot.
  int FillTo(int stream, int64_t slot);
  void FlushWhenDue();
  // The room finishing needs: the header, the index and what libavformat still holds.
  void UpdateReserve();
  HRESULT Failure() const;

  std::unique_ptr<av::FileWriterIo> io_;  // declared before the context that writes through it
  av::OutputFormatPtr context_;
  av::PacketPtr packet_;
  const AviWriterSettings settings_;
  std::vector<Stream> streams_;
  int64_t packets_ = 0;
  int64_t bytesIn_ = 0;
  HRESULT error_ = S_OK;  // a failure of libavformat itself
  bool finished_ = false;
  HRESULT finishResult_ = S_OK;
  std::chrono::steady_clock::time_point lastFlush_;
};

// The result for a failed write of errno error: STG_E_MEDIUMFULL for a full disk (or a file too
// big for it), E_ACCESSDENIED, else E_FAIL.
HRESULT WriteErrorResult(int error);

}  // namespace dshow

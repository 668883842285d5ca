#pragma once
// libavformat's I/O over our own ends: a writer into a FileOutput that keeps room in reserve and
// reports a full disk apart from other failures, and a reader of bytes in memory.
//
// Why the writer keeps a reserve: a muxer writes its index and fixes its header only when it
// finishes. Were the disk to fill up first, a capture would end as a file that no player can
// seek or even open. So the writer has blocks allocated (FileOutput::Reserve) a reserve ahead of
// its write position, extending them in steps as it goes; when that allocation fails the disk
// counts as full while the bytes already written still have room behind them, and the owner
// stops writing media and finishes the file into the reserve. The owner sizes the reserve for
// what finishing writes (the index grows with every packet). Where the file system cannot
// reserve blocks, a full disk is noticed only by a failing write.
//
// A failed write does not stop libavformat (which would write nothing more after its first
// error, not even the index): the writer remembers the first failure, answers as if it wrote,
// and the owner reads Error() after each packet.
//
// Threads: one thread at a time (the owner serialises).

#include <cstdint>
#include <memory>

#include "av/AvOwners.h"
#include "av/FileOutput.h"

namespace av {

// What libavformat hands its write callback: const bytes since libavformat 61.
#if LIBAVFORMAT_VERSION_MAJOR >= 61
using WrittenBytes = const uint8_t*;
#else
using WrittenBytes = uint8_t*;
#endif

class FileWriterIo {
 public:
  explicit FileWriterIo(std::unique_ptr<FileOutput> output);
  FileWriterIo(const FileWriterIo&) = delete;
  FileWriterIo& operator=(const FileWriterIo&) = delete;

  // Null when memory ran out.
  AVIOContext* Context() const { return io_.get(); }

  // Bytes to keep allocated past the write position.
  void SetReserve(int64_t bytes) { reserve_ = bytes; }
  // The first failure as a negative errno (-ENOSPC for a full disk, also when the reserve could
  // not be extended), 0 while there is none.
  int Error() const { return error_; }
  bool DiskFull() const { return error_ == -ENOSPC; }
  // The end of what was written.
  int64_t End() const { return end_; }

  // Writes out what is buffered and ends the file where the writing ended, dropping blocks
  // reserved past it. A file that was longer before (a capture file allocated ahead) keeps its
  // length and its blocks for the next time: the rest is marked as a RIFF "JUNK" chunk, which
  // readers of the RIFF chain before it pass over. The first failure, or 0.
  int Finish();

 private:
  static int Write(void* opaque, WrittenBytes data, int size);
  static int64_t Seek(void* opaque, int64_t offset, int whence);
  void EnsureReserve(int64_t upTo);
  void Fail(int error);

  std::unique_ptr<FileOutput> output_;
  IoContextPtr io_;
  int64_t position_ = 0;
  int64_t end_ = 0;
  int64_t reserved_ = 0;  // blocks are allocated below this offset
  int64_t lengthBefore_ = 0;
  int64_t reserve_ = 0;
  bool canReserve_ = true;
  int error_ = 0;
};

// Reads size bytes at data (borrowed; they outlive the reader), with seeking.
class MemoryReaderIo {
 public:
  MemoryReaderIo(const uint8_t* data, size_t size);
  MemoryReaderIo(const MemoryReaderIo&) = delete;
  MemoryReaderIo& operator=(const MemoryReaderIo&) = delete;

  // Null when memory ran out.
  AVIOContext* Context() const { return io_.get(); }

 private:
  static int Read(void* opaque, uint8_t* buffer, int size);
  static int64_t Seek(void* opaque, int64_t offset, int whence);

  const uint8_t* const data_;
  const size_t size_;
  size_t position_ = 0;
  IoContextPtr io_;
};

}  // namespace av

#include "av/AvIo.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace av {

namespace {

constexpr int kWriteBufferSize = 256 * 1024;
constexpr int kReadBufferSize = 32 * 1024;
// Reserved blocks grow by this much at a time, so that allocation is not a call per write.
constexpr int64_t kReserveStep = 16 * 1024 * 1024;

IoContextPtr MakeIo(int bufferSize, int writable, void* opaque, int (*read)(void*, uint8_t*, int),
                    int (*write)(void*, WrittenBytes, int), int64_t (*seek)(void*, int64_t, int)) {
  auto* buffer = static_cast<unsigned char*>(av_malloc(static_cast<size_t>(bufferSize)));
  if (buffer == nullptr) return nullptr;
  AVIOContext* io = avio_alloc_context(buffer, bufferSize, writable, opaque, read, write, seek);
  if (io == nullptr) av_free(buffer);
  return IoContextPtr(io);
}

// The new position of a seek from position in a stream of size bytes; -1 when outside.
int64_t SeekTarget(int64_t position, int64_t size, int64_t offset, int whence) {
  switch (whence & ~AVSEEK_FORCE) {
    case SEEK_SET:
      return offset;
    case SEEK_CUR:
      return position + offset;
    case SEEK_END:
      return size + offset;
    default:
      return -1;
  }
}

}  // namespace

// ---- FileWriterIo ----------------------------------------------------------------------------

FileWriterIo::FileWriterIo(std::unique_ptr<FileOutput> output)
    : output_(std::move(output)),
      io_(MakeIo(kWriteBufferSize, 1, this, nullptr, &Write, &Seek)),
      lengthBefore_(std::max<int64_t>(output_->Length(), 0)) {}

void FileWriterIo::Fail(int error) {
  if (error_ == 0) error_ = error;
}

void FileWriterIo::EnsureReserve(int64_t upTo) {
  if (!canReserve_ || upTo <= reserved_) return;
  // A generous step first; when the disk has no room for it, exactly what is needed.
  int result = output_->Reserve(reserved_, upTo + kReserveStep - reserved_);
  if (result == 0) {
    reserved_ = upTo + kReserveStep;
    return;
  }
  if (result == -ENOSPC) result = output_->Reserve(reserved_, upTo - reserved_);
  if (result == 0) {
    reserved_ = upTo;
  } else if (result == -EOPNOTSUPP) {
    canReserve_ = false;
  } else {
    Fail(result);  // -ENOSPC: the room behind the position is what is left to finish with
  }
}

int FileWriterIo::Write(void* opaque, WrittenBytes data, int size) {
  auto* self = static_cast<FileWriterIo*>(opaque);
  const int64_t offset = self->position_;
  self->EnsureReserve(offset + size + self->reserve_);
  const int result = self->output_->WriteAt(data, static_cast<size_t>(size), offset);
  if (result != 0) self->Fail(result);
  self->position_ += size;
  self->end_ = std::max(self->end_, self->position_);
  return size;  // see the header: libavformat must go on to write the index
}

int64_t FileWriterIo::Seek(void* opaque, int64_t offset, int whence) {
  auto* self = static_cast<FileWriterIo*>(opaque);
  if (whence == AVSEEK_SIZE) return self->end_;
  const int64_t target = SeekTarget(self->position_, self->end_, offset, whence);
  if (target < 0) return AVERROR(EINVAL);
  self->position_ = target;
  return target;
}

int FileWriterIo::Finish() {
  if (io_) avio_flush(io_.get());
  constexpr int64_t kChunkHeader = 8;
  int result = 0;
  if (lengthBefore_ >= end_ + kChunkHeader) {
    // A chunk's size is 32 bits and even; past 4 GB of tail a reader stops at the next bytes,
    // which are no RIFF chunk of this file either.
    const auto size = static_cast<uint32_t>(
        std::min<int64_t>(lengthBefore_ - end_ - kChunkHeader, 0xFFFFFFFE) & ~int64_t{1});
    const uint8_t junk[kChunkHeader] = {'J',
                                        'U',
                                        'N',
                                        'K',
                                        static_cast<uint8_t>(size),
                                        static_cast<uint8_t>(size >> 8),
                                        static_cast<uint8_t>(size >> 16),
                                        static_cast<uint8_t>(size >> 24)};
    result = output_->WriteAt(junk, sizeof junk, end_);
  } else {
    result = output_->Truncate(end_);
  }
  if (result != 0) Fail(result);
  return error_;
}

// ---- MemoryReaderIo --------------------------------------------------------------------------

MemoryReaderIo::MemoryReaderIo(const uint8_t* data, size_t size)
    : data_(data), size_(size), io_(MakeIo(kReadBufferSize, 0, this, &Read, nullptr, &Seek)) {}

int MemoryReaderIo::Read(void* opaque, uint8_t* buffer, int size) {
  auto* self = static_cast<MemoryReaderIo*>(opaque);
  const size_t left = self->size_ - self->position_;
  if (left == 0) return AVERROR_EOF;
  const size_t count = std::min(left, static_cast<size_t>(size));
  std::memcpy(buffer, self->data_ + self->position_, count);
  self->position_ += count;
  return static_cast<int>(count);
}

int64_t MemoryReaderIo::Seek(void* opaque, int64_t offset, int whence) {
  auto* self = static_cast<MemoryReaderIo*>(opaque);
  const auto size = static_cast<int64_t>(self->size_);
  if (whence == AVSEEK_SIZE) return size;
  const int64_t target = SeekTarget(static_cast<int64_t>(self->position_), size, offset, whence);
  if (target < 0 || target > size) return -1;
  self->position_ = static_cast<size_t>(target);
  return target;
}

}  // namespace av

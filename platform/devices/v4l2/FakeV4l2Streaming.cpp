// The fake node's streaming, as videobuf2 does it for memory-mapped buffers: REQBUFS (owned by
// one descriptor; others get EBUSY), QUERYBUF, QBUF, DQBUF (EAGAIN when nothing is ready),
// STREAMON/STREAMOFF, and frames made when they are due, with the injected faults.

#include <time.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "devices/v4l2/FakeV4l2Node.h"
#include "devices/v4l2/FakeV4l2Picture.h"
#include "devices/virtual/CompressedFrameEncoder.h"
#include "dshow/Uuids.h"

namespace devices::fakev4l2 {
namespace {

constexpr std::uint32_t kMaxBuffers = VIDEO_MAX_FRAME;
constexpr std::uint32_t kPage = 4096;

Clock::duration Period(FakeV4l2Interval interval) {
  if (interval.numerator == 0 || interval.denominator == 0) interval = {1, 30};
  return std::chrono::duration_cast<Clock::duration>(
      std::chrono::nanoseconds(1'000'000'000LL * interval.numerator / interval.denominator));
}

// steady_clock is CLOCK_MONOTONIC on Linux: its time points are the timestamps drivers give.
timeval MonotonicTime(Clock::time_point time) {
  const auto us =
      std::chrono::duration_cast<std::chrono::microseconds>(time.time_since_epoch()).count();
  return timeval{static_cast<time_t>(us / 1'000'000), static_cast<suseconds_t>(us % 1'000'000)};
}

bool Contains(const std::vector<std::uint32_t>& frames, std::uint32_t frame) {
  return std::find(frames.begin(), frames.end(), frame) != frames.end();
}

bool IsJpeg(std::uint32_t fourcc) {
  return fourcc == V4L2_PIX_FMT_MJPEG || fourcc == V4L2_PIX_FMT_JPEG;
}

// Paints or encodes the frame into the buffer; the bytes it uses.
std::uint32_t PaintFrame(Node& node, Buffer& buffer) {
  const v4l2_pix_format& format = node.format;
  std::uint8_t* data = buffer.memory->data();
  if (IsJpeg(format.pixelformat)) {
    if (!node.encoder) {
      node.encoder = CompressedFrameEncoder::Create(
          MEDIASUBTYPE_MJPG, static_cast<LONG>(format.width), static_cast<LONG>(format.height));
    }
    if (!node.encoder) return 0;
    return node.encoder->Encode(PictureDescription{}, buffer.sequence, data, buffer.length);
  }
  if (node.device.painter) {
    node.device.painter(buffer.sequence, format, data);
  } else {
    PaintGreyRamp(buffer.sequence, format, data);
  }
  return std::min(format.sizeimage, buffer.length);
}

// Fills the first queued buffer with the next frame, taken at time.
void FillNext(Node& node, Clock::time_point time) {
  const std::uint32_t index = node.queued.front();
  node.queued.pop_front();
  Buffer& buffer = node.buffers[index];
  const FakeV4l2Faults& faults = node.device.faults;
  const std::uint32_t frame = node.framesFilled++;
  for (const auto& [after, skipped] : faults.sequenceGaps) {
    if (after == frame) node.nextSequence += skipped;
  }
  buffer.sequence = node.nextSequence++;
  buffer.timestamp = MonotonicTime(time);
  buffer.flags = Contains(faults.errorFlagFrames, frame) ? V4L2_BUF_FLAG_ERROR : 0;
  buffer.bytesUsed = PaintFrame(node, buffer);
  if (buffer.bytesUsed == 0) buffer.flags |= V4L2_BUF_FLAG_ERROR;
  if (Contains(faults.truncatedFrames, frame)) {
    // Cut short: a JPEG loses its end marker (FF D9) with its last third.
    std::uint32_t used = buffer.bytesUsed * 2 / 3;
    const std::uint8_t* data = buffer.memory->data();
    if (used >= 2 && data[used - 2] == 0xFF && data[used - 1] == 0xD9) used -= 2;
    buffer.bytesUsed = used;
  }
  buffer.where = Buffer::Where::kFilled;
  node.filled.push_back(index);
}

void Describe(const Node& node, std::uint32_t index, v4l2_buffer& info) {
  const Buffer& buffer = node.buffers[index];
  std::memset(&info, 0, sizeof info);
  info.index = index;
  info.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
  info.memory = V4L2_MEMORY_MMAP;
  info.length = buffer.length;
  info.m.offset = buffer.offset;
  info.field = V4L2_FIELD_NONE;
  info.flags = V4L2_BUF_FLAG_TIMESTAMP_MONOTONIC | V4L2_BUF_FLAG_TSTAMP_SRC_EOF | buffer.flags;
  if (buffer.where == Buffer::Where::kQueued) info.flags |= V4L2_BUF_FLAG_QUEUED;
  if (buffer.where == Buffer::Where::kFilled) info.flags |= V4L2_BUF_FLAG_DONE;
  info.bytesused = buffer.where == Buffer::Where::kQueued ? 0 : buffer.bytesUsed;
  info.sequence = buffer.sequence;
  info.timestamp = buffer.timestamp;
}

int RequestBuffers(Node& node, int fd, v4l2_requestbuffers& request) {
  if (request.type != V4L2_BUF_TYPE_VIDEO_CAPTURE || request.memory != V4L2_MEMORY_MMAP)
    return -EINVAL;
  // Another descriptor streams from the node: the "second streamer" of a busy camera.
  if (node.owner != -1 && node.owner != fd) return -EBUSY;
  request.capabilities = V4L2_BUF_CAP_SUPPORTS_MMAP;
  if (request.count == 0) {
    StopStreaming(node);
    FreeBuffers(node);
    return 0;
  }
  if (node.device.faults.busyAtRequestBuffers || node.streaming) return -EBUSY;
  FreeBuffers(node);
  std::uint32_t granted = std::min(request.count, kMaxBuffers);
  if (node.device.faults.maxBuffers != 0)
    granted = std::min(granted, node.device.faults.maxBuffers);
  const std::uint32_t length = std::max<std::uint32_t>(node.format.sizeimage, 1);
  const std::uint32_t mapped = (length + kPage - 1) / kPage * kPage;
  for (std::uint32_t i = 0; i < granted; ++i) {
    Buffer buffer;
    buffer.memory = std::make_shared<Memory>(mapped);
    buffer.length = length;
    buffer.offset = i * mapped;
    node.buffers.push_back(std::move(buffer));
  }
  node.owner = fd;
  request.count = granted;
  return 0;
}

// The buffer a QUERYBUF/QBUF/DQBUF argument names, or the error it gets.
int CheckBuffer(const Node& node, int fd, const v4l2_buffer& info, bool owned) {
  if (info.type != V4L2_BUF_TYPE_VIDEO_CAPTURE) return -EINVAL;
  if (owned && node.owner != -1 && node.owner != fd) return -EBUSY;
  if (owned && info.memory != V4L2_MEMORY_MMAP) return -EINVAL;
  return 0;
}

int QueueBuffer(Node& node, int fd, v4l2_buffer& info) {
  if (const int result = CheckBuffer(node, fd, info, true); result != 0) return result;
  if (info.index >= node.buffers.size()) return -EINVAL;
  Buffer& buffer = node.buffers[info.index];
  if (buffer.where != Buffer::Where::kApp) return -EINVAL;
  buffer.where = Buffer::Where::kQueued;
  node.queued.push_back(info.index);
  Describe(node, info.index, info);
  return 0;
}

int DequeueBuffer(Node& node, int fd, v4l2_buffer& info) {
  if (const int result = CheckBuffer(node, fd, info, true); result != 0) return result;
  if (!node.streaming) return -EINVAL;
  ProduceFrames(node, Clock::now());
  if (node.filled.empty()) return -EAGAIN;
  const FakeV4l2Faults& faults = node.device.faults;
  if (faults.eagainEvery > 0 && !node.eagainGiven &&
      (node.framesDequeued + 1) % static_cast<std::uint32_t>(faults.eagainEvery) == 0) {
    node.eagainGiven = true;
    return -EAGAIN;
  }
  if (faults.ioErrorAfterFrames >= 0 && !node.ioErrorGiven &&
      node.framesDequeued >= static_cast<std::uint32_t>(faults.ioErrorAfterFrames)) {
    node.ioErrorGiven = true;
    return -EIO;
  }
  const std::uint32_t index = node.filled.front();
  node.filled.pop_front();
  node.buffers[index].where = Buffer::Where::kApp;
  Describe(node, index, info);
  node.eagainGiven = false;
  ++node.framesDequeued;
  if (faults.lostAfterFrames >= 0 &&
      node.framesDequeued >= static_cast<std::uint32_t>(faults.lostAfterFrames)) {
    node.lost = true;
  }
  return 0;
}

int StreamOn(Node& node, int fd, int type) {
  if (type != V4L2_BUF_TYPE_VIDEO_CAPTURE) return -EINVAL;
  if (node.owner != -1 && node.owner != fd) return -EBUSY;
  if (node.buffers.empty()) return -EINVAL;
  if (node.device.faults.noStreamOn) return -ENOSPC;
  if (node.streaming) return 0;
  node.streaming = true;
  node.nextSequence = node.device.faults.firstSequence;
  node.framesFilled = 0;
  node.nextDue = Clock::now() + Period(node.interval);
  const int lostAfter = node.device.faults.lostAfterFrames;
  if (lostAfter >= 0 && node.framesDequeued >= static_cast<std::uint32_t>(lostAfter))
    node.lost = true;
  return 0;
}

}  // namespace

int StreamingIoctl(Node& node, int fd, unsigned long request, void* argument) {
  switch (request) {
    case VIDIOC_REQBUFS:
      return RequestBuffers(node, fd, *static_cast<v4l2_requestbuffers*>(argument));
    case VIDIOC_QUERYBUF: {
      auto& info = *static_cast<v4l2_buffer*>(argument);
      if (const int result = CheckBuffer(node, fd, info, false); result != 0) return result;
      if (info.index >= node.buffers.size()) return -EINVAL;
      Describe(node, info.index, info);
      return 0;
    }
    case VIDIOC_QBUF:
      return QueueBuffer(node, fd, *static_cast<v4l2_buffer*>(argument));
    case VIDIOC_DQBUF:
      return DequeueBuffer(node, fd, *static_cast<v4l2_buffer*>(argument));
    case VIDIOC_STREAMON:
      return StreamOn(node, fd, *static_cast<int*>(argument));
    case VIDIOC_STREAMOFF: {
      if (*static_cast<int*>(argument) != V4L2_BUF_TYPE_VIDEO_CAPTURE) return -EINVAL;
      if (node.owner != -1 && node.owner != fd) return -EBUSY;
      StopStreaming(node);
      return 0;
    }
    default:
      return -ENOTTY;
  }
}

void ProduceFrames(Node& node, Clock::time_point now) {
  if (!node.streaming || node.Gone()) return;
  if (!node.device.paced) {
    while (!node.queued.empty())
      FillNext(node, now);
    return;
  }
  const Clock::duration period = Period(node.interval);
  // After a long pause, whole periods pass at once: the driver dropped those frames.
  if (now - node.nextDue > period * 64) {
    const auto missed = static_cast<std::uint32_t>((now - node.nextDue) / period);
    node.nextSequence += missed;
    node.nextDue += period * missed;
  }
  for (; node.nextDue <= now; node.nextDue += period) {
    if (node.queued.empty()) {
      ++node.nextSequence;  // no buffer waits: the frame is dropped
    } else {
      FillNext(node, node.nextDue);
    }
  }
}

std::optional<Clock::time_point> NextFrameDue(const Node& node) {
  if (!node.streaming || node.Gone() || node.queued.empty()) return std::nullopt;
  return node.device.paced ? node.nextDue : Clock::now();
}

short PollEvents(const Node& node, int fd) {
  if (node.Gone()) return POLLERR | POLLHUP;
  // As videobuf2: an error for a descriptor that does not stream.
  if (!node.streaming || node.owner != fd) return POLLERR;
  return node.filled.empty() ? 0 : POLLIN | POLLRDNORM;
}

void StopStreaming(Node& node) {
  node.streaming = false;
  for (Buffer& buffer : node.buffers)
    buffer.where = Buffer::Where::kApp;
  node.queued.clear();
  node.filled.clear();
}

void FreeBuffers(Node& node) {
  node.buffers.clear();
  node.owner = -1;
  node.encoder.reset();
}

}  // namespace devices::fakev4l2

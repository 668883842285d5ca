#include "devices/v4l2/V4l2Stream.h"

#include <cerrno>
#include <cmath>

#include "com/Diagnostics.h"
#include "devices/capture/DeviceResults.h"

namespace devices {
namespace {

constexpr std::uint32_t kBuffersWanted = 4;
constexpr std::uint32_t kBuffersNeeded = 2;  // fewer cannot stream without losing every other frame

v4l2_buffer MmapBuffer(std::uint32_t index) {
  v4l2_buffer buffer{};
  buffer.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
  buffer.memory = V4L2_MEMORY_MMAP;
  buffer.index = index;
  return buffer;
}

}  // namespace

V4l2Stream::V4l2Stream(const V4l2Device& device, int wakeFd) : device_(device), wakeFd_(wakeFd) {}

V4l2Stream::~V4l2Stream() {
  Stop();
}

HRESULT V4l2Stream::Configure(std::uint32_t fourcc, LONG width, LONG height,
                              REFERENCE_TIME interval) {
  Stop();
  const HRESULT hr = SetFormat(fourcc, width, height);
  if (FAILED(hr)) return hr;
  SetInterval(interval);
  return MapBuffers();
}

HRESULT V4l2Stream::SetFormat(std::uint32_t fourcc, LONG width, LONG height) {
  v4l2_format format{};
  format.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
  format.fmt.pix.pixelformat = fourcc;
  format.fmt.pix.width = static_cast<std::uint32_t>(width);
  format.fmt.pix.height = static_cast<std::uint32_t>(height);
  format.fmt.pix.field = V4L2_FIELD_ANY;
  const int result = device_.Ioctl(VIDIOC_S_FMT, &format);
  if (result < 0) return HResultFromErrno(result);
  // What the driver made of it: sizes are adjusted silently (720p as 1280x736).
  if (device_.Ioctl(VIDIOC_G_FMT, &format) < 0 || format.fmt.pix.pixelformat != fourcc)
    return VFW_E_TYPE_NOT_ACCEPTED;
  format_ = format.fmt.pix;
  if (format_.width < static_cast<std::uint32_t>(width) ||
      format_.height < static_cast<std::uint32_t>(height)) {
    return VFW_E_TYPE_NOT_ACCEPTED;  // smaller frames than the connection's cannot fill it
  }
  return S_OK;
}

void V4l2Stream::SetInterval(REFERENCE_TIME interval) {
  interval_ = interval;
  v4l2_streamparm parm{};
  parm.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
  parm.parm.capture.timeperframe = {static_cast<std::uint32_t>(interval), 10'000'000};
  // Some drivers refuse S_PARM or answer 0/0: the requested rate is then what we go by.
  if (device_.Ioctl(VIDIOC_S_PARM, &parm) < 0) {
    diag::Debug("v4l2", device_.Path(), ": the frame rate cannot be set");
    return;
  }
  if (device_.Ioctl(VIDIOC_G_PARM, &parm) < 0) return;
  const v4l2_fract& chosen = parm.parm.capture.timeperframe;
  if (chosen.numerator == 0 || chosen.denominator == 0) return;
  interval_ = static_cast<REFERENCE_TIME>(
      std::llround(10'000'000.0 * chosen.numerator / chosen.denominator));
}

HRESULT V4l2Stream::MapBuffers() {
  v4l2_requestbuffers request{};
  request.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
  request.memory = V4L2_MEMORY_MMAP;
  request.count = kBuffersWanted;
  const int result = device_.Ioctl(VIDIOC_REQBUFS, &request);
  if (result < 0) return HResultFromErrno(result);
  requested_ = true;
  if (request.count < kBuffersNeeded) {
    diag::Warn("v4l2", device_.Path() + ": the driver grants " + std::to_string(request.count) +
                           " buffers");
    Stop();
    return E_OUTOFMEMORY;
  }
  for (std::uint32_t index = 0; index < request.count; ++index) {
    v4l2_buffer buffer = MmapBuffer(index);
    int status = device_.Ioctl(VIDIOC_QUERYBUF, &buffer);
    Mapping mapping;
    if (status >= 0) {
      status = device_.Api().Mmap(device_.Fd(), buffer.length, buffer.m.offset, &mapping.address);
    }
    if (status >= 0) {
      mapping.length = buffer.length;
      mappings_.push_back(mapping);
      status = device_.Ioctl(VIDIOC_QBUF, &buffer);
    }
    if (status < 0) {
      Stop();
      return HResultFromErrno(status);
    }
  }
  return S_OK;
}

HRESULT V4l2Stream::On() {
  int type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
  const int result = device_.Ioctl(VIDIOC_STREAMON, &type);
  if (result < 0) return HResultFromErrno(result);
  on_ = true;
  return S_OK;
}

int V4l2Stream::Dequeue(V4l2Frame* frame) {
  v4l2_buffer buffer = MmapBuffer(0);
  const int result = device_.Ioctl(VIDIOC_DQBUF, &buffer);
  if (result == -EAGAIN) return 0;
  if (result < 0) return result;
  if (buffer.index >= mappings_.size()) return -EIO;
  const Mapping& mapping = mappings_[buffer.index];
  frame->index = buffer.index;
  frame->data = static_cast<const std::uint8_t*>(mapping.address);
  frame->bytes =
      std::min<std::uint32_t>(buffer.bytesused, static_cast<std::uint32_t>(mapping.length));
  frame->sequence = buffer.sequence;
  frame->timestampUs =
      static_cast<std::int64_t>(buffer.timestamp.tv_sec) * 1'000'000 + buffer.timestamp.tv_usec;
  frame->monotonic =
      (buffer.flags & V4L2_BUF_FLAG_TIMESTAMP_MASK) == V4L2_BUF_FLAG_TIMESTAMP_MONOTONIC;
  frame->damaged = (buffer.flags & V4L2_BUF_FLAG_ERROR) != 0 || frame->bytes == 0;
  return 1;
}

V4l2Wait V4l2Stream::Wait(int timeoutMs, V4l2Frame* frame, int* error) {
  *error = 0;
  pollfd fds[2] = {{device_.Fd(), POLLIN, 0}, {wakeFd_, POLLIN, 0}};
  const int ready = device_.Api().Poll(fds, 2, timeoutMs);
  if (ready < 0 && ready != -EINTR) {
    *error = -ready;
    return V4l2Wait::kFailed;
  }
  if (fds[1].revents & POLLIN) return V4l2Wait::kWoken;
  // A node that went away answers POLLERR at once and for ever: never poll it again.
  if (fds[0].revents & (POLLERR | POLLHUP | POLLNVAL)) return V4l2Wait::kLost;
  if (ready <= 0) return V4l2Wait::kTimeout;
  const int result = Dequeue(frame);
  if (result > 0) return V4l2Wait::kFrame;
  if (result == 0) return V4l2Wait::kTimeout;
  *error = -result;
  return IsDeviceGone(result) || result == -EIO ? V4l2Wait::kLost : V4l2Wait::kFailed;
}

HRESULT V4l2Stream::Restart() {
  int type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
  (void)device_.Ioctl(VIDIOC_STREAMOFF, &type);  // STREAMON below tells whether the node answers
  on_ = false;
  for (std::uint32_t index = 0; index < mappings_.size(); ++index) {
    v4l2_buffer buffer = MmapBuffer(index);
    const int result = device_.Ioctl(VIDIOC_QBUF, &buffer);
    if (result < 0) return HResultFromErrno(result);
  }
  return On();
}

void V4l2Stream::Requeue(const V4l2Frame& frame) {
  v4l2_buffer buffer = MmapBuffer(frame.index);
  // A buffer that cannot be queued again is one fewer in the pool; a node that is gone says so
  // at the next wait.
  (void)device_.Ioctl(VIDIOC_QBUF, &buffer);
}

void V4l2Stream::Stop() {
  if (on_) {
    int type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    (void)device_.Ioctl(VIDIOC_STREAMOFF, &type);  // a node that is gone is off already
    on_ = false;
  }
  for (const Mapping& mapping : mappings_)
    (void)device_.Api().Munmap(mapping.address, mapping.length);  // fails only for bad arguments
  mappings_.clear();
  if (requested_) {
    v4l2_requestbuffers request{};
    request.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    request.memory = V4L2_MEMORY_MMAP;
    request.count = 0;
    (void)device_.Ioctl(VIDIOC_REQBUFS, &request);  // freed with the descriptor at the latest
    requested_ = false;
  }
}

}  // namespace devices

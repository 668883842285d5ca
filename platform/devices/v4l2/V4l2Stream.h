#pragma once
// Memory-mapped streaming from a V4L2 node: the format set and read back, a small pool of driver
// buffers mapped into the process, frames dequeued as they come and queued again once copied.
// Stopping turns the stream off, unmaps the buffers and frees them, in that order; so does the
// destructor.
//
// Threads: Configure and Stop on the application thread while the streaming thread is not
// running; On, Wait and Requeue on the streaming thread.

#include <linux/videodev2.h>

#include <cstdint>
#include <vector>

#include "com/HResult.h"
#include "com/Types.h"
#include "devices/v4l2/V4l2Device.h"

namespace devices {

// One dequeued frame: valid until it is queued again.
struct V4l2Frame {
  std::uint32_t index = 0;
  const std::uint8_t* data = nullptr;
  std::uint32_t bytes = 0;  // bytesused, never the buffer's length
  std::uint32_t sequence = 0;
  std::int64_t timestampUs = 0;  // CLOCK_MONOTONIC when monotonic
  bool monotonic = false;
  bool damaged = false;  // V4L2_BUF_FLAG_ERROR or no bytes
};

enum class V4l2Wait { kFrame, kWoken, kTimeout, kLost, kFailed };

class V4l2Stream {
 public:
  // wakeFd: an eventfd that ends a Wait when written.
  V4l2Stream(const V4l2Device& device, int wakeFd);
  ~V4l2Stream();
  V4l2Stream(const V4l2Stream&) = delete;
  V4l2Stream& operator=(const V4l2Stream&) = delete;

  // Sets the format and the frame interval, reads back what the driver chose, and maps and
  // queues the buffers. kDeviceInUse when another program streams from the node.
  HRESULT Configure(std::uint32_t fourcc, LONG width, LONG height, REFERENCE_TIME interval);
  // What the driver chose (it may adjust the size, and pads rows to bytesperline).
  const v4l2_pix_format& Format() const { return format_; }
  // The interval the node runs at; the requested one when the driver does not say.
  REFERENCE_TIME Interval() const { return interval_; }

  HRESULT On();
  // Waits up to timeoutMs for a frame. kLost when the node is gone (ENODEV, POLLERR) or fails
  // for good (EIO); *error holds the errno of a failure.
  V4l2Wait Wait(int timeoutMs, V4l2Frame* frame, int* error);
  // Streaming thread: off and on again with every buffer queued, for a node that stalled.
  HRESULT Restart();
  // Gives the frame's buffer back to the driver.
  void Requeue(const V4l2Frame& frame);
  // Off, unmapped and freed; harmless when not configured.
  void Stop();

 private:
  struct Mapping {
    void* address = nullptr;
    std::size_t length = 0;
  };

  HRESULT SetFormat(std::uint32_t fourcc, LONG width, LONG height);
  void SetInterval(REFERENCE_TIME interval);
  HRESULT MapBuffers();
  // DQBUF: 1 with a frame, 0 when none is ready, or -errno.
  int Dequeue(V4l2Frame* frame);

  const V4l2Device& device_;
  const int wakeFd_;
  v4l2_pix_format format_{};
  REFERENCE_TIME interval_ = 0;
  std::vector<Mapping> mappings_;
  bool requested_ = false;  // REQBUFS gave buffers
  bool on_ = false;
};

}  // namespace devices

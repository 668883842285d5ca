#pragma once
// The inside of FakeV4l2: one plugged node with what its driver holds, and the ioctl handlers of
// each group (formats, controls, analog, streaming), each in its own file. Every function here
// runs with FakeV4l2's mutex held, on whichever thread made the call.

#include <chrono>
#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "devices/v4l2/FakeV4l2.h"

namespace devices {

class CompressedFrameEncoder;

namespace fakev4l2 {

using Clock = std::chrono::steady_clock;

// The memory of one driver buffer. Shared by the buffer and every mapping of it, so that a
// client's mapping stays readable after REQBUFS 0 or an unplug, until it unmaps.
using Memory = std::vector<std::uint8_t>;

struct Buffer {
  enum class Where { kApp, kQueued, kFilled };
  std::shared_ptr<Memory> memory;
  std::uint32_t length = 0;
  std::uint32_t offset = 0;  // the mmap offset QUERYBUF reports
  Where where = Where::kApp;
  std::uint32_t bytesUsed = 0;
  std::uint32_t sequence = 0;
  std::uint32_t flags = 0;  // V4L2_BUF_FLAG_ERROR of a broken frame
  timeval timestamp{};
};

struct Node {
  std::string path;
  FakeV4l2Device device;
  bool unplugged = false;
  bool lost = false;  // the lostAfterFrames fault struck
  bool Gone() const { return unplugged || lost; }

  v4l2_pix_format format{};
  FakeV4l2Interval interval;
  int busyAtSetFormatLeft = 0;

  // Streaming: the descriptor that owns the buffers (-1 none), the buffers, their queues.
  int owner = -1;
  std::vector<Buffer> buffers;
  std::deque<std::uint32_t> queued;
  std::deque<std::uint32_t> filled;
  bool streaming = false;
  Clock::time_point nextDue;
  std::uint32_t nextSequence = 0;
  std::uint32_t framesFilled = 0;    // since STREAMON
  std::uint32_t framesDequeued = 0;  // over the node's life
  std::uint32_t dequeueCalls = 0;
  bool eagainGiven = false;
  bool ioErrorGiven = false;
  std::unique_ptr<CompressedFrameEncoder> encoder;  // MJPG frames of the current size

  Node();
  ~Node();
};

// A format's fourcc, or null.
const FakeV4l2Format* FindFormat(const Node& node, std::uint32_t fourcc);
// Fills bytesperline, sizeimage, field and colour space of a format of that size.
void CompleteFormat(v4l2_pix_format& format, bool compressed);
// The node's first format at its default size and interval (at plug time).
void ResetFormat(Node& node);
// The interval the format allows at its size nearest to the one asked.
FakeV4l2Interval NearestInterval(const Node& node, FakeV4l2Interval wanted);

// The groups' handlers: -ENOTTY for a request the group does not serve.
int FormatIoctl(Node& node, int fd, unsigned long request, void* argument);
int ControlIoctl(Node& node, unsigned long request, void* argument);
int AnalogIoctl(Node& node, unsigned long request, void* argument);
int StreamingIoctl(Node& node, int fd, unsigned long request, void* argument);

// Fills every queued buffer whose frame is due at now (all of them when not paced); frames due
// while no buffer waits are dropped, as drivers drop them, and their sequence numbers skipped.
void ProduceFrames(Node& node, Clock::time_point now);
// When the node's next frame is due, if one will come without another call.
std::optional<Clock::time_point> NextFrameDue(const Node& node);
// The poll events of a descriptor of the node (POLLIN | POLLRDNORM, POLLERR, or 0).
short PollEvents(const Node& node, int fd);
// Ends streaming and gives every buffer back to the application side.
void StopStreaming(Node& node);
// Frees the buffers (mappings keep their memory) and the ownership.
void FreeBuffers(Node& node);

}  // namespace fakev4l2
}  // namespace devices

#pragma once
// An in-memory V4L2 for tests and benchmarks: device nodes that answer the ioctls a capture
// back-end makes the way real drivers answer them (uvcvideo for cameras, bttv/saa7134/em28xx for
// analog cards), with the quirks real drivers have and faults to inject. Install it with
// SetDefaultV4l2Api; plugging and unplugging a node raises the device-change notification, as
// udev does for hardware.
//
// What a node serves:
//   QUERYCAP, ENUM_FMT, ENUM_FRAMESIZES (discrete, stepwise, continuous, missing),
//   ENUM_FRAMEINTERVALS (discrete, stepwise, continuous, none), G/S/TRY_FMT (sizes adjusted to the
//   nearest the format has), G/S_PARM, QUERYCTRL/QUERY_EXT_CTRL with V4L2_CTRL_FLAG_NEXT_CTRL,
//   QUERYMENU, G/S_CTRL, G/S_EXT_CTRLS, ENUMINPUT, G/S_INPUT, ENUMAUDIO, G/S_AUDIO, ENUMSTD,
//   G/S_STD, QUERYSTD, G/S_TUNER, G/S_FREQUENCY, REQBUFS, QUERYBUF, QBUF, DQBUF, STREAMON,
//   STREAMOFF; anything else gives -ENOTTY. Frames are made when due (at the current frame
//   interval, on the steady clock, or at once when the node is not paced), carry sequence numbers
//   and MONOTONIC timestamps.
//
// Threads: every member is guarded by one mutex; Poll waits without holding it. Make it with
// std::make_shared.

#include <linux/videodev2.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "devices/v4l2/V4l2Api.h"

namespace devices {

struct FakeV4l2Interval {
  std::uint32_t numerator = 1;
  std::uint32_t denominator = 30;
};

// The frame sizes of one format, as ENUM_FRAMESIZES reports them.
struct FakeV4l2Sizes {
  enum class Kind {
    kDiscrete,     // the listed sizes
    kStepwise,     // min..max in steps
    kContinuous,   // min..max in steps of 1
    kNone,         // EINVAL at index 0: the back-end must find sizes with TRY_FMT
    kNotSupported  // ENOTTY
  };
  Kind kind = Kind::kDiscrete;
  struct Size {
    std::uint32_t width = 640;
    std::uint32_t height = 480;
    // The discrete intervals at this size, fastest first; empty: ENUM_FRAMEINTERVALS gives
    // EINVAL at index 0 (no interval list).
    std::vector<FakeV4l2Interval> intervals{{1, 30}};
  };
  std::vector<Size> sizes{Size{}};  // kDiscrete
  // kStepwise and kContinuous:
  v4l2_frmsize_stepwise range{160, 1920, 8, 120, 1080, 8};
  // Intervals of stepwise sizes: min (fastest) .. max (slowest), step; kContinuous when the step
  // is 1/1.
  std::optional<v4l2_frmival_stepwise> intervalRange;
};

struct FakeV4l2Format {
  std::uint32_t fourcc = V4L2_PIX_FMT_YUYV;
  std::string description = "YUYV 4:2:2";
  bool compressed = false;
  FakeV4l2Sizes sizes;
};

struct FakeV4l2Control {
  std::uint32_t id = V4L2_CID_BRIGHTNESS;
  std::uint32_t type = V4L2_CTRL_TYPE_INTEGER;
  std::string name = "Brightness";
  std::int32_t minimum = 0;
  std::int32_t maximum = 255;
  std::int32_t step = 1;
  std::int32_t defaultValue = 128;
  std::int32_t value = 128;
  std::uint32_t flags = 0;
  // Menu controls: the item names by index; an empty name is a hole (QUERYMENU gives EINVAL).
  std::vector<std::string> menu;
  // Integer menu controls: the item values by index.
  std::vector<std::int64_t> integerMenu;
  // A manual control paired with an automatic one: while autoId's value is not manualWhen, this
  // control is flagged INACTIVE and setting it fails with EACCES.
  std::uint32_t autoId = 0;
  std::int32_t manualWhen = 0;
};

struct FakeV4l2Input {
  std::string name = "Camera 1";
  std::uint32_t type = V4L2_INPUT_TYPE_CAMERA;
  std::uint32_t audioset = 0;  // bit n: audio input n goes with this input
  std::uint32_t tuner = 0;
  v4l2_std_id standards = 0;  // the standards this input takes
  std::uint32_t status = 0;   // V4L2_IN_ST_NO_SIGNAL, V4L2_IN_ST_NO_H_LOCK, ...
};

struct FakeV4l2Standard {
  v4l2_std_id id = V4L2_STD_PAL_B;
  std::string name = "PAL-B";
  FakeV4l2Interval framePeriod{1, 25};
  std::uint32_t frameLines = 625;
};

struct FakeV4l2Tuner {
  std::string name = "Television";
  std::uint32_t type = V4L2_TUNER_ANALOG_TV;
  std::uint32_t capability = V4L2_TUNER_CAP_NORM | V4L2_TUNER_CAP_STEREO;
  std::uint32_t rangeLow = 44 * 16;  // in 62.5 kHz units (62.5 Hz with V4L2_TUNER_CAP_LOW)
  std::uint32_t rangeHigh = 958 * 16;
  std::uint32_t frequency = 0;
  // The signal strength (0..65535) at each tuned frequency; others have none.
  std::vector<std::pair<std::uint32_t, std::int32_t>> stations;
};

struct FakeV4l2Faults {
  int busyAtSetFormat = 0;  // -EBUSY from S_FMT (another program streams from the node)
  bool busyAtRequestBuffers = false;
  int lostAfterFrames = -1;      // ENODEV/POLLERR for good after that many dequeued frames
  int ioErrorAfterFrames = -1;   // EIO from DQBUF after that many frames
  std::uint32_t maxBuffers = 0;  // REQBUFS grants at most this many (0: as asked)
  bool rejectParm = false;       // S_PARM gives EINVAL
  bool zeroParm = false;         // G_PARM answers 0/0
  bool noStreamOn = false;       // STREAMON gives ENOSPC (USB bandwidth)
  int eagainEvery = 0;           // every n-th DQBUF first answers EAGAIN
  // Sequence numbers skip ahead after these frame counts (frames the driver lost).
  std::vector<std::pair<std::uint32_t, std::uint32_t>> sequenceGaps;  // {after frame, skipped}
  std::uint32_t firstSequence = 0;
  // Frames (by count of dequeued frames, from 0) whose MJPG data is cut short, with no end marker.
  std::vector<std::uint32_t> truncatedFrames;
  std::vector<std::uint32_t> errorFlagFrames;  // dequeued with V4L2_BUF_FLAG_ERROR
};

struct FakeV4l2Device {
  // QUERYCAP
  std::string driver = "uvcvideo";
  std::string card = "Fake Camera";
  std::string busInfo = "usb-0000:00:14.0-2";
  std::uint32_t deviceCaps = V4L2_CAP_VIDEO_CAPTURE | V4L2_CAP_STREAMING;
  // udev properties of the node (V4l2NodeInfo::properties).
  std::map<std::string, std::string> properties;

  std::vector<FakeV4l2Format> formats{FakeV4l2Format{}};
  std::vector<FakeV4l2Control> controls;
  std::vector<FakeV4l2Input> inputs{FakeV4l2Input{}};
  std::uint32_t input = 0;
  std::vector<std::string> audioInputs;
  std::uint32_t audioInput = 0;
  std::vector<FakeV4l2Standard> standards;  // empty: ENUMSTD/G_STD give ENODATA
  v4l2_std_id standard = 0;
  std::vector<FakeV4l2Tuner> tuners;
  FakeV4l2Faults faults;
  bool paced = true;  // frames at the frame interval; false: a frame whenever a buffer waits
  // Fills a raw frame (sequence, format, the buffer of the format's full size); default: a grey
  // ramp that moves with the sequence. Compressed formats get a valid JPEG of the frame size.
  std::function<void(std::uint32_t sequence, const v4l2_pix_format& format, std::uint8_t* data)>
      painter;
};

class FakeV4l2 final : public V4l2Api, public std::enable_shared_from_this<FakeV4l2> {
 public:
  FakeV4l2();
  ~FakeV4l2() override;

  // Plugs a node at path ("/dev/video0"); its sysname is the path's last part. Raises the
  // device-change notification unless quiet.
  void Plug(const std::string& path, FakeV4l2Device device, bool quiet = false);
  // Unplugs it: open descriptors answer ENODEV from then on and poll gives POLLERR.
  void Unplug(const std::string& path, bool quiet = false);
  void UnplugAll();

  // What tests look at.
  int OpenDescriptors(const std::string& path) const;
  bool IsStreaming(const std::string& path) const;
  std::uint32_t FramesDequeued(const std::string& path) const;
  std::int32_t ControlValue(const std::string& path, std::uint32_t id) const;
  std::optional<v4l2_pix_format> CurrentFormat(const std::string& path) const;
  FakeV4l2Interval CurrentInterval(const std::string& path) const;
  std::uint32_t CurrentInput(const std::string& path) const;
  v4l2_std_id CurrentStandard(const std::string& path) const;
  std::uint32_t CurrentFrequency(const std::string& path) const;
  int MappedBuffers() const;

  // V4l2Api
  int Open(const std::string& path, int flags) override;
  int Close(int fd) override;
  int Ioctl(int fd, unsigned long request, void* argument) override;
  int Mmap(int fd, std::size_t length, long offset, void** address) override;
  int Munmap(void* address, std::size_t length) override;
  int Poll(pollfd* fds, nfds_t count, int timeoutMs) override;
  std::vector<V4l2NodeInfo> ListNodes() override;

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace devices

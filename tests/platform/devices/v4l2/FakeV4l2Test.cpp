// The in-memory V4L2 node answers as real drivers do: enumerations that end, adjusted formats,
// controls with holes and auto/manual pairs, a whole streaming cycle with its faults, unplugging,
// and Poll over fake and real descriptors. Nodes made from the virtual-device fixtures carry the
// fixtures' formats, inputs and standards.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "FixtureNodes.h"
#include "devices/v4l2/FakeV4l2.h"
#include "devices/v4l2/FakeV4l2Description.h"
#include "devices/virtual/DescriptionParser.h"

namespace {

using devices::FakeV4l2;
using devices::FakeV4l2Control;
using devices::FakeV4l2Device;
using devices::FakeV4l2Format;
using devices::FakeV4l2Sizes;

constexpr const char* kPath = "/dev/video0";
constexpr int kGenerousMs = 10'000;

// A node that makes a frame for every queued buffer at once.
FakeV4l2Device Unpaced(FakeV4l2Device device = {}) {
  device.paced = false;
  return device;
}

class FakeV4l2Test : public ::testing::Test {
 protected:
  int Plug(FakeV4l2Device device) {
    fake_->Plug(kPath, std::move(device), true);
    return fake_->Open(kPath, O_RDWR | O_NONBLOCK);
  }
  template <class T>
  int Ioctl(int fd, unsigned long request, T& argument) {
    return fake_->Ioctl(fd, request, &argument);
  }
  // REQBUFS, QUERYBUF, Mmap and QBUF of count buffers, then STREAMON.
  std::vector<std::pair<void*, std::size_t>> Start(int fd, std::uint32_t count = 2) {
    v4l2_requestbuffers request{};
    request.count = count;
    request.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    request.memory = V4L2_MEMORY_MMAP;
    EXPECT_EQ(Ioctl(fd, VIDIOC_REQBUFS, request), 0);
    std::vector<std::pair<void*, std::size_t>> mappings;
    for (std::uint32_t i = 0; i < request.count; ++i) {
      v4l2_buffer buffer = Buffer(i);
      EXPECT_EQ(Ioctl(fd, VIDIOC_QUERYBUF, buffer), 0);
      void* address = nullptr;
      EXPECT_EQ(fake_->Mmap(fd, buffer.length, buffer.m.offset, &address), 0);
      mappings.emplace_back(address, buffer.length);
      EXPECT_EQ(Ioctl(fd, VIDIOC_QBUF, buffer), 0);
    }
    int type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    EXPECT_EQ(Ioctl(fd, VIDIOC_STREAMON, type), 0);
    return mappings;
  }
  static v4l2_buffer Buffer(std::uint32_t index = 0) {
    v4l2_buffer buffer{};
    buffer.index = index;
    buffer.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    buffer.memory = V4L2_MEMORY_MMAP;
    return buffer;
  }
  // Polls until a frame is ready, then dequeues it and queues it again; DQBUF's result.
  int NextFrame(int fd, v4l2_buffer& buffer) {
    pollfd entry{fd, POLLIN, 0};
    if (fake_->Poll(&entry, 1, kGenerousMs) != 1) return -ETIMEDOUT;
    buffer = Buffer();
    const int result = Ioctl(fd, VIDIOC_DQBUF, buffer);
    if (result == 0) {
      v4l2_buffer again = Buffer(buffer.index);
      EXPECT_EQ(Ioctl(fd, VIDIOC_QBUF, again), 0);
    }
    return result;
  }

  std::shared_ptr<FakeV4l2> fake_ = std::make_shared<FakeV4l2>();
};

TEST_F(FakeV4l2Test, FrameSizeEnumerationsEndAsTheirKindDoes) {
  struct Case {
    FakeV4l2Sizes::Kind kind;
    int entries;
    int end;  // the result past the last entry
    std::uint32_t type;
  };
  const Case cases[] = {
      {FakeV4l2Sizes::Kind::kDiscrete, 2, -EINVAL, V4L2_FRMSIZE_TYPE_DISCRETE},
      {FakeV4l2Sizes::Kind::kStepwise, 1, -EINVAL, V4L2_FRMSIZE_TYPE_STEPWISE},
      {FakeV4l2Sizes::Kind::kContinuous, 1, -EINVAL, V4L2_FRMSIZE_TYPE_CONTINUOUS},
      {FakeV4l2Sizes::Kind::kNone, 0, -EINVAL, 0},
      {FakeV4l2Sizes::Kind::kNotSupported, 0, -ENOTTY, 0},
  };
  for (const Case& c : cases) {
    FakeV4l2Device device;
    device.formats[0].sizes.kind = c.kind;
    device.formats[0].sizes.sizes = {{320, 240, {}}, {640, 480, {{1, 30}, {1, 15}}}};
    const int fd = Plug(device);
    v4l2_frmsizeenum sizes{};
    sizes.pixel_format = V4L2_PIX_FMT_YUYV;
    for (int i = 0; i < c.entries; ++i) {
      sizes.index = static_cast<std::uint32_t>(i);
      ASSERT_EQ(Ioctl(fd, VIDIOC_ENUM_FRAMESIZES, sizes), 0) << static_cast<int>(c.kind);
      EXPECT_EQ(sizes.type, c.type);
    }
    sizes.index = static_cast<std::uint32_t>(c.entries);
    EXPECT_EQ(Ioctl(fd, VIDIOC_ENUM_FRAMESIZES, sizes), c.end) << static_cast<int>(c.kind);
  }
}

TEST_F(FakeV4l2Test, IntervalAndFormatEnumerationsEndWithEinval) {
  FakeV4l2Device device;
  device.formats[0].sizes.sizes = {{320, 240, {}}, {640, 480, {{1, 30}, {1, 15}}}};
  const int fd = Plug(device);
  const auto count = [&](std::uint32_t width, std::uint32_t height) {
    v4l2_frmivalenum intervals{};
    intervals.pixel_format = V4L2_PIX_FMT_YUYV;
    intervals.width = width;
    intervals.height = height;
    while (Ioctl(fd, VIDIOC_ENUM_FRAMEINTERVALS, intervals) == 0)
      ++intervals.index;
    return intervals.index;
  };
  EXPECT_EQ(count(640, 480), 2u);
  EXPECT_EQ(count(320, 240), 0u);  // a size without an interval list
  EXPECT_EQ(count(800, 600), 0u);  // not a size of the format

  v4l2_fmtdesc format{};
  format.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
  EXPECT_EQ(Ioctl(fd, VIDIOC_ENUM_FMT, format), 0);
  EXPECT_EQ(format.pixelformat, V4L2_PIX_FMT_YUYV);
  format.index = 1;
  EXPECT_EQ(Ioctl(fd, VIDIOC_ENUM_FMT, format), -EINVAL);
}

TEST_F(FakeV4l2Test, TryFormatAdjustsToTheNearestSizeAndFillsTheLayout) {
  FakeV4l2Device device;
  device.formats[0].sizes.sizes = {{320, 240}, {640, 480}};
  FakeV4l2Format nv12{V4L2_PIX_FMT_NV12, "NV12", false, {}};
  nv12.sizes.kind = FakeV4l2Sizes::Kind::kStepwise;  // 160..1920 x 120..1080 in steps of 8
  FakeV4l2Format mjpg{V4L2_PIX_FMT_MJPEG, "MJPG", true, {}};
  mjpg.sizes.sizes = {{1280, 720}};
  FakeV4l2Format bgr{V4L2_PIX_FMT_BGR24, "BGR3", false, {}};
  bgr.sizes.kind = FakeV4l2Sizes::Kind::kContinuous;
  device.formats.insert(device.formats.end(), {nv12, mjpg, bgr});
  const int fd = Plug(device);
  struct Case {
    std::uint32_t fourcc, width, height;
    std::uint32_t wantFourcc, wantWidth, wantHeight, bytesPerLine, sizeImage;
  };
  const Case cases[] = {
      {V4L2_PIX_FMT_YUYV, 700, 500, V4L2_PIX_FMT_YUYV, 640, 480, 1280, 640 * 480 * 2},
      {V4L2_PIX_FMT_YUYV, 300, 200, V4L2_PIX_FMT_YUYV, 320, 240, 640, 320 * 240 * 2},
      {V4L2_PIX_FMT_NV12, 1283, 717, V4L2_PIX_FMT_NV12, 1280, 720, 1280, 1280 * 720 * 3 / 2},
      {V4L2_PIX_FMT_NV12, 5000, 10, V4L2_PIX_FMT_NV12, 1920, 120, 1920, 1920 * 120 * 3 / 2},
      {V4L2_PIX_FMT_MJPEG, 640, 480, V4L2_PIX_FMT_MJPEG, 1280, 720, 0, 1280 * 720 * 2},
      {V4L2_PIX_FMT_BGR24, 333, 222, V4L2_PIX_FMT_BGR24, 333, 222, 999, 333 * 222 * 3},
      {V4L2_PIX_FMT_H264, 640, 480, V4L2_PIX_FMT_YUYV, 640, 480, 1280, 640 * 480 * 2},
  };
  for (const Case& c : cases) {
    v4l2_format format{};
    format.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    format.fmt.pix = {c.width, c.height, c.fourcc};
    ASSERT_EQ(Ioctl(fd, VIDIOC_TRY_FMT, format), 0);
    const v4l2_pix_format& pix = format.fmt.pix;
    EXPECT_EQ(pix.pixelformat, c.wantFourcc) << c.width << "x" << c.height;
    EXPECT_EQ(pix.width, c.wantWidth) << c.width << "x" << c.height;
    EXPECT_EQ(pix.height, c.wantHeight) << c.width << "x" << c.height;
    EXPECT_EQ(pix.bytesperline, c.bytesPerLine) << c.width << "x" << c.height;
    EXPECT_EQ(pix.sizeimage, c.sizeImage) << c.width << "x" << c.height;
    EXPECT_EQ(pix.field, V4L2_FIELD_NONE);
  }
  EXPECT_EQ(fake_->CurrentFormat(kPath)->width, 320u);  // TRY_FMT changes nothing
}

TEST_F(FakeV4l2Test, SetParmPicksTheNearestListedInterval) {
  FakeV4l2Device device;
  device.formats[0].sizes.sizes = {{640, 480, {{1, 30}, {1, 15}, {1, 5}}}};
  const int fd = Plug(device);
  struct Case {
    v4l2_fract wanted, got;
  };
  for (const Case& c : {Case{{1, 25}, {1, 30}}, Case{{1, 10}, {1, 15}}, Case{{1, 1}, {1, 5}},
                        Case{{0, 0}, {1, 30}}}) {
    v4l2_streamparm parm{};
    parm.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    parm.parm.capture.timeperframe = c.wanted;
    ASSERT_EQ(Ioctl(fd, VIDIOC_S_PARM, parm), 0);
    EXPECT_EQ(parm.parm.capture.timeperframe.denominator, c.got.denominator)
        << c.wanted.denominator;
    v4l2_streamparm current{};
    current.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    ASSERT_EQ(Ioctl(fd, VIDIOC_G_PARM, current), 0);
    EXPECT_EQ(current.parm.capture.capability, V4L2_CAP_TIMEPERFRAME);
    EXPECT_EQ(current.parm.capture.timeperframe.denominator, c.got.denominator);
  }
}

// exposure_auto as uvcvideo has it: declared 0..3, only "Manual Mode" (1) and "Aperture
// Priority Mode" (3) answer; the absolute exposure is manual only in mode 1.
FakeV4l2Device CameraWithExposure() {
  FakeV4l2Device device;
  FakeV4l2Control exposure{
      V4L2_CID_EXPOSURE_ABSOLUTE, V4L2_CTRL_TYPE_INTEGER, "Exposure", 3, 2047, 2, 250, 250};
  exposure.autoId = V4L2_CID_EXPOSURE_AUTO;
  exposure.manualWhen = V4L2_EXPOSURE_MANUAL;
  FakeV4l2Control mode{V4L2_CID_EXPOSURE_AUTO, V4L2_CTRL_TYPE_MENU, "Auto Exposure", 0, 3, 1, 3, 3};
  mode.menu = {"", "Manual Mode", "", "Aperture Priority Mode"};
  FakeV4l2Control brightness{
      V4L2_CID_BRIGHTNESS, V4L2_CTRL_TYPE_INTEGER, "Brightness", -64, 64, 1, 0, 0};
  device.controls = {exposure, mode, brightness};  // not in id order
  return device;
}

TEST_F(FakeV4l2Test, NextControlWalksInIdOrderAndMenusHaveHoles) {
  const int fd = Plug(CameraWithExposure());
  std::vector<std::uint32_t> ids;
  v4l2_queryctrl query{};
  query.id = V4L2_CTRL_FLAG_NEXT_CTRL;
  while (Ioctl(fd, VIDIOC_QUERYCTRL, query) == 0) {
    ids.push_back(query.id);
    query.id |= V4L2_CTRL_FLAG_NEXT_CTRL;
  }
  EXPECT_EQ(ids, (std::vector<std::uint32_t>{V4L2_CID_BRIGHTNESS, V4L2_CID_EXPOSURE_AUTO,
                                             V4L2_CID_EXPOSURE_ABSOLUTE}));
  std::vector<int> answers;
  for (std::uint32_t index = 0; index <= 4; ++index) {
    v4l2_querymenu menu{};
    menu.id = V4L2_CID_EXPOSURE_AUTO;
    menu.index = index;
    answers.push_back(Ioctl(fd, VIDIOC_QUERYMENU, menu));
  }
  EXPECT_EQ(answers, (std::vector<int>{-EINVAL, 0, -EINVAL, 0, -EINVAL}));
  v4l2_control hole{V4L2_CID_EXPOSURE_AUTO, 2};
  EXPECT_EQ(Ioctl(fd, VIDIOC_S_CTRL, hole), -EINVAL);
}

TEST_F(FakeV4l2Test, AManualControlIsInactiveWhileItsAutoIsOnAndClampsToItsSteps) {
  const int fd = Plug(CameraWithExposure());
  v4l2_queryctrl query{};
  query.id = V4L2_CID_EXPOSURE_ABSOLUTE;
  ASSERT_EQ(Ioctl(fd, VIDIOC_QUERYCTRL, query), 0);
  EXPECT_NE(query.flags & V4L2_CTRL_FLAG_INACTIVE, 0u);
  v4l2_control exposure{V4L2_CID_EXPOSURE_ABSOLUTE, 100};
  EXPECT_EQ(Ioctl(fd, VIDIOC_S_CTRL, exposure), -EACCES);

  v4l2_control manual{V4L2_CID_EXPOSURE_AUTO, V4L2_EXPOSURE_MANUAL};
  ASSERT_EQ(Ioctl(fd, VIDIOC_S_CTRL, manual), 0);
  ASSERT_EQ(Ioctl(fd, VIDIOC_QUERYCTRL, query), 0);
  EXPECT_EQ(query.flags & V4L2_CTRL_FLAG_INACTIVE, 0u);
  struct Case {
    std::int32_t written, stored;
  };
  for (const Case& c : {Case{100, 101}, Case{102, 103}, Case{0, 3}, Case{99999, 2047}}) {
    v4l2_control control{V4L2_CID_EXPOSURE_ABSOLUTE, c.written};
    ASSERT_EQ(Ioctl(fd, VIDIOC_S_CTRL, control), 0);
    EXPECT_EQ(control.value, c.stored) << c.written;
    EXPECT_EQ(fake_->ControlValue(kPath, V4L2_CID_EXPOSURE_ABSOLUTE), c.stored);
  }
  // Extended controls fail as a whole and name the control that failed.
  v4l2_ext_control items[2] = {};
  items[0].id = V4L2_CID_BRIGHTNESS;
  items[0].value = 10;
  items[1].id = V4L2_CID_EXPOSURE_AUTO;
  items[1].value = 2;
  v4l2_ext_controls list{};
  list.which = V4L2_CTRL_WHICH_CUR_VAL;
  list.count = 2;
  list.controls = items;
  EXPECT_EQ(Ioctl(fd, VIDIOC_S_EXT_CTRLS, list), -EINVAL);
  EXPECT_EQ(list.error_idx, 1u);
  EXPECT_EQ(fake_->ControlValue(kPath, V4L2_CID_BRIGHTNESS), 0);
}

TEST_F(FakeV4l2Test, AStreamingCycleDeliversNumberedStampedFrames) {
  const int fd = Plug(Unpaced());
  v4l2_buffer early = Buffer();
  EXPECT_EQ(Ioctl(fd, VIDIOC_DQBUF, early), -EINVAL);  // not streaming yet
  const auto mappings = Start(fd, 3);
  ASSERT_EQ(mappings.size(), 3u);
  EXPECT_EQ(fake_->MappedBuffers(), 3);
  EXPECT_TRUE(fake_->IsStreaming(kPath));
  for (std::uint32_t frame = 0; frame < 5; ++frame) {
    v4l2_buffer buffer;
    ASSERT_EQ(NextFrame(fd, buffer), 0);
    EXPECT_EQ(buffer.sequence, frame);
    EXPECT_EQ(buffer.bytesused, 640u * 480 * 2);
    EXPECT_EQ(buffer.field, V4L2_FIELD_NONE);
    EXPECT_NE(buffer.flags & V4L2_BUF_FLAG_TIMESTAMP_MONOTONIC, 0u);
    EXPECT_GT(buffer.timestamp.tv_sec + buffer.timestamp.tv_usec, 0);
    // The grey ramp moves with the sequence.
    const auto* data = static_cast<const std::uint8_t*>(mappings[buffer.index].first);
    EXPECT_EQ(data[2], static_cast<std::uint8_t>(1 + frame));
  }
  int type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
  ASSERT_EQ(Ioctl(fd, VIDIOC_STREAMOFF, type), 0);
  v4l2_buffer returned = Buffer(0);
  ASSERT_EQ(Ioctl(fd, VIDIOC_QUERYBUF, returned), 0);
  EXPECT_EQ(returned.flags & (V4L2_BUF_FLAG_QUEUED | V4L2_BUF_FLAG_DONE), 0u);
  for (const auto& [address, length] : mappings)
    EXPECT_EQ(fake_->Munmap(address, length), 0);
  v4l2_requestbuffers none{0, V4L2_BUF_TYPE_VIDEO_CAPTURE, V4L2_MEMORY_MMAP};
  EXPECT_EQ(Ioctl(fd, VIDIOC_REQBUFS, none), 0);
  EXPECT_EQ(fake_->MappedBuffers(), 0);
  EXPECT_EQ(fake_->FramesDequeued(kPath), 5u);
  EXPECT_EQ(fake_->Close(fd), 0);
  EXPECT_EQ(fake_->OpenDescriptors(kPath), 0);
}

TEST_F(FakeV4l2Test, APacedNodeHasNoFrameBeforeItIsDue) {
  FakeV4l2Device device;
  device.formats[0].sizes.sizes = {{640, 480, {{10, 1}}}};  // one frame in ten seconds
  const int fd = Plug(device);
  Start(fd);
  v4l2_buffer buffer = Buffer();
  EXPECT_EQ(Ioctl(fd, VIDIOC_DQBUF, buffer), -EAGAIN);
  pollfd entry{fd, POLLIN, 0};
  EXPECT_EQ(fake_->Poll(&entry, 1, 0), 0);
}

TEST_F(FakeV4l2Test, ASecondStreamerIsBusyUntilTheFirstLetsGo) {
  const int first = Plug(Unpaced());
  const int second = fake_->Open(kPath, O_RDWR | O_NONBLOCK);
  Start(first);
  v4l2_requestbuffers request{2, V4L2_BUF_TYPE_VIDEO_CAPTURE, V4L2_MEMORY_MMAP};
  EXPECT_EQ(Ioctl(second, VIDIOC_REQBUFS, request), -EBUSY);
  v4l2_format format{};
  format.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
  format.fmt.pix = {320, 240, V4L2_PIX_FMT_YUYV};
  EXPECT_EQ(Ioctl(second, VIDIOC_S_FMT, format), -EBUSY);
  v4l2_buffer buffer = Buffer();
  EXPECT_EQ(Ioctl(second, VIDIOC_DQBUF, buffer), -EBUSY);
  pollfd entry{second, POLLIN, 0};
  EXPECT_EQ(fake_->Poll(&entry, 1, 0), 1);
  EXPECT_EQ(entry.revents, POLLERR);

  ASSERT_EQ(fake_->Close(first), 0);  // releases the buffers (mappings stay readable)
  EXPECT_EQ(Ioctl(second, VIDIOC_REQBUFS, request), 0);
}

TEST_F(FakeV4l2Test, InjectedFaultsStrikeWhereTheySay) {
  FakeV4l2Device busy = Unpaced();
  busy.faults.busyAtSetFormat = 1;
  busy.faults.maxBuffers = 2;
  busy.faults.noStreamOn = true;
  int fd = Plug(busy);
  v4l2_format format{};
  format.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
  format.fmt.pix = {640, 480, V4L2_PIX_FMT_YUYV};
  EXPECT_EQ(Ioctl(fd, VIDIOC_S_FMT, format), -EBUSY);
  EXPECT_EQ(Ioctl(fd, VIDIOC_S_FMT, format), 0);
  v4l2_requestbuffers request{8, V4L2_BUF_TYPE_VIDEO_CAPTURE, V4L2_MEMORY_MMAP};
  EXPECT_EQ(Ioctl(fd, VIDIOC_REQBUFS, request), 0);
  EXPECT_EQ(request.count, 2u);
  int type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
  EXPECT_EQ(Ioctl(fd, VIDIOC_STREAMON, type), -ENOSPC);

  FakeV4l2Device gaps = Unpaced();
  gaps.faults.firstSequence = 100;
  gaps.faults.sequenceGaps = {{2, 5}};
  gaps.faults.errorFlagFrames = {1};
  gaps.faults.eagainEvery = 3;
  fd = Plug(gaps);
  Start(fd);
  std::vector<std::uint32_t> sequences;
  std::vector<bool> errors;
  int eagains = 0;
  while (sequences.size() < 4) {
    v4l2_buffer buffer;
    const int result = NextFrame(fd, buffer);
    ASSERT_TRUE(result == 0 || result == -EAGAIN) << result;
    if (result == -EAGAIN) ++eagains;
    if (result != 0) continue;
    sequences.push_back(buffer.sequence);
    errors.push_back((buffer.flags & V4L2_BUF_FLAG_ERROR) != 0);
  }
  EXPECT_EQ(sequences, (std::vector<std::uint32_t>{100, 101, 107, 108}));
  EXPECT_EQ(errors, (std::vector<bool>{false, true, false, false}));
  EXPECT_EQ(eagains, 1);
}

TEST_F(FakeV4l2Test, ALostNodeAnswersEnodevAndPollerrForGood) {
  FakeV4l2Device device = Unpaced();
  device.faults.lostAfterFrames = 2;
  const int fd = Plug(device);
  Start(fd);
  v4l2_buffer buffer;
  ASSERT_EQ(NextFrame(fd, buffer), 0);
  buffer = Buffer();
  ASSERT_EQ(Ioctl(fd, VIDIOC_DQBUF, buffer), 0);
  for (int attempt = 0; attempt < 3; ++attempt) {
    buffer = Buffer();
    EXPECT_EQ(Ioctl(fd, VIDIOC_DQBUF, buffer), -ENODEV);
    pollfd entry{fd, POLLIN, 0};
    EXPECT_EQ(fake_->Poll(&entry, 1, kGenerousMs), 1);
    EXPECT_NE(entry.revents & POLLERR, 0);
  }
  EXPECT_EQ(fake_->Open(kPath, O_RDWR), -ENODEV);
}

TEST_F(FakeV4l2Test, ATruncatedJpegFrameLacksItsEndMarker) {
  FakeV4l2Device device = Unpaced();
  device.formats = {{V4L2_PIX_FMT_MJPEG, "Motion-JPEG", true, {}}};
  device.formats[0].sizes.sizes = {{320, 240}};
  device.faults.truncatedFrames = {1};
  const int fd = Plug(device);
  const auto mappings = Start(fd);
  for (bool truncated : {false, true, false}) {
    v4l2_buffer buffer;
    ASSERT_EQ(NextFrame(fd, buffer), 0);
    const auto* data = static_cast<const std::uint8_t*>(mappings[buffer.index].first);
    ASSERT_GT(buffer.bytesused, 100u);
    EXPECT_EQ(data[0], 0xFF);
    EXPECT_EQ(data[1], 0xD8);
    const bool ends = data[buffer.bytesused - 2] == 0xFF && data[buffer.bytesused - 1] == 0xD9;
    EXPECT_EQ(ends, !truncated) << buffer.sequence;
  }
}

TEST_F(FakeV4l2Test, UnplugWakesAWaitingPollAndLeavesMappingsReadable) {
  const int fd = Plug(FakeV4l2Device{});
  const auto mappings = Start(fd);
  int type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
  ASSERT_EQ(Ioctl(fd, VIDIOC_STREAMOFF, type), 0);
  ASSERT_EQ(Ioctl(fd, VIDIOC_STREAMON, type), 0);  // streaming, nothing queued: nothing due
  pollfd entry{fd, POLLIN, 0};
  int polled = 0;
  std::thread waiter([&] { polled = fake_->Poll(&entry, 1, -1); });
  fake_->Unplug(kPath, true);
  waiter.join();
  EXPECT_EQ(polled, 1);
  EXPECT_NE(entry.revents & POLLERR, 0);
  v4l2_buffer buffer = Buffer();
  EXPECT_EQ(Ioctl(fd, VIDIOC_QUERYBUF, buffer), -ENODEV);
  // Still the client's memory (AddressSanitizer would see a freed buffer).
  const auto* data = static_cast<const std::uint8_t*>(mappings[0].first);
  const std::vector<std::uint8_t> copy(data, data + mappings[0].second);
  EXPECT_EQ(copy.size(), mappings[0].second);
  for (const auto& [address, length] : mappings)
    EXPECT_EQ(fake_->Munmap(address, length), 0);
  EXPECT_EQ(fake_->Close(fd), 0);
  EXPECT_EQ(fake_->Open(kPath, O_RDWR), -ENOENT);
}

TEST_F(FakeV4l2Test, PollWakesForARealDescriptorWithoutAFrameDue) {
  const int fd = Plug(FakeV4l2Device{});
  v4l2_requestbuffers request{2, V4L2_BUF_TYPE_VIDEO_CAPTURE, V4L2_MEMORY_MMAP};
  ASSERT_EQ(Ioctl(fd, VIDIOC_REQBUFS, request), 0);
  int type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
  ASSERT_EQ(Ioctl(fd, VIDIOC_STREAMON, type), 0);
  const int wake = ::eventfd(0, EFD_CLOEXEC);
  ASSERT_GE(wake, 0);
  pollfd entries[2] = {{fd, POLLIN, 0}, {wake, POLLIN, 0}};
  std::thread waker([&] {
    const std::uint64_t one = 1;
    EXPECT_EQ(::write(wake, &one, sizeof one), 8);
  });
  EXPECT_EQ(fake_->Poll(entries, 2, kGenerousMs), 1);
  waker.join();
  EXPECT_EQ(entries[0].revents, 0);
  EXPECT_EQ(entries[1].revents, POLLIN);
  ::close(wake);
}

TEST_F(FakeV4l2Test, TheSystemApiReturnsNegativeErrnos) {
  const auto system = devices::SystemV4l2Api();
  EXPECT_EQ(system->Open("/nonexistent/video0", O_RDWR), -ENOENT);
  EXPECT_EQ(system->Ioctl(-1, VIDIOC_QUERYCAP, nullptr), -EBADF);
  devices::SetDefaultV4l2Api(fake_);
  EXPECT_EQ(devices::DefaultV4l2Api(), fake_);
  devices::SetDefaultV4l2Api(nullptr);
  EXPECT_EQ(devices::DefaultV4l2Api(), system);
}

TEST_F(FakeV4l2Test, FixturesBecomeNodesWithTheirFormatsInputsAndStandards) {
  struct Case {
    const char* fixture;
    const char* driver;
    std::vector<std::uint32_t> formats;
    std::vector<std::string> inputs;
    std::uint32_t input;
    std::vector<std::string> audioInputs;
    v4l2_std_id standard;
    std::size_t standards, tuners, controls;
  };
  const Case cases[] = {
      {"demo.json",
       "uvcvideo",
       {V4L2_PIX_FMT_YUYV, V4L2_PIX_FMT_BGR24},
       {"Camera 1"},
       0,
       {},
       0,
       0,
       0,
       5},
      {"tv-card.json",
       "saa7134",
       {V4L2_PIX_FMT_UYVY},
       {"Television", "Composite1", "S-Video", "Composite2"},
       0,
       {"Tuner", "Line In"},
       V4L2_STD_PAL_B,
       3,
       1,
       4},
      {"one-crossbar-card.json",
       "saa7134",
       {V4L2_PIX_FMT_YUYV},
       {"Television", "Composite1", "S-Video", "Composite2"},
       1,
       {"Tuner", "Line In"},
       0,
       0,
       0,
       0},
  };
  for (const Case& c : cases) {
    const FakeV4l2Device device = devices_test::FixtureNode(c.fixture);
    EXPECT_EQ(device.driver, c.driver) << c.fixture;
    std::vector<std::uint32_t> formats;
    for (const auto& format : device.formats)
      formats.push_back(format.fourcc);
    EXPECT_EQ(formats, c.formats) << c.fixture;
    std::vector<std::string> inputs;
    for (const auto& input : device.inputs)
      inputs.push_back(input.name);
    EXPECT_EQ(inputs, c.inputs) << c.fixture;
    EXPECT_EQ(device.input, c.input) << c.fixture;
    EXPECT_EQ(device.audioInputs, c.audioInputs) << c.fixture;
    EXPECT_EQ(device.audioInput, c.input) << c.fixture;  // each routes the input's own sound
    EXPECT_EQ(device.standard, c.standard) << c.fixture;
    EXPECT_EQ(device.standards.size(), c.standards) << c.fixture;
    EXPECT_EQ(device.tuners.size(), c.tuners) << c.fixture;
    EXPECT_EQ(device.controls.size(), c.controls) << c.fixture;
  }
}

TEST_F(FakeV4l2Test, EveryFixtureCameraStreamsAFrame) {
  for (const auto& entry : std::filesystem::directory_iterator(RUDOZAV_FIXTURES)) {
    if (entry.path().extension() != ".json") continue;
    std::ifstream file(entry.path());
    std::ostringstream text;
    text << file.rdbuf();
    const auto parsed = devices::ParseDeviceDescriptions(text.str(), nullptr);
    ASSERT_TRUE(parsed) << entry.path();
    for (const auto& description : *parsed) {
      if (description.category != devices::DeviceCategory::kVideoInput) continue;
      const FakeV4l2Device device = devices::FakeV4l2DeviceFrom(description);
      if (device.formats.empty()) continue;  // DV only: no V4L2 capture format
      const int fd = Plug(Unpaced(device));
      Start(fd);
      v4l2_buffer buffer;
      EXPECT_EQ(NextFrame(fd, buffer), 0) << entry.path() << " " << description.friendlyName;
      EXPECT_GT(buffer.bytesused, 0u) << entry.path() << " " << description.friendlyName;
    }
  }
}

TEST_F(FakeV4l2Test, TheDemoCameraStreamsItsTestPatternWithItsUdevIdentity) {
  const FakeV4l2Device demo = devices_test::FixtureNode("demo.json");
  EXPECT_EQ(demo.formats[0].sizes.kind, FakeV4l2Sizes::Kind::kStepwise);
  const auto& tv = devices_test::FixtureNode("tv-card.json").inputs;
  EXPECT_EQ(tv[0].type, V4L2_INPUT_TYPE_TUNER);
  EXPECT_EQ(tv[0].audioset, 1u);  // the tuner's sound
  EXPECT_EQ(tv[1].audioset, 2u);  // line in

  const int fd = Plug(Unpaced(demo));
  const auto nodes = fake_->ListNodes();
  ASSERT_EQ(nodes.size(), 1u);
  EXPECT_EQ(nodes[0].properties.at("ID_VENDOR_ID"), "1d6b");
  EXPECT_EQ(nodes[0].properties.at("ID_MODEL_ID"), "0102");
  v4l2_queryctrl query{};
  query.id = V4L2_CID_WHITE_BALANCE_TEMPERATURE;
  ASSERT_EQ(Ioctl(fd, VIDIOC_QUERYCTRL, query), 0);
  EXPECT_EQ(query.flags & V4L2_CTRL_FLAG_INACTIVE, 0u);  // manual too: starts manual
  const auto mappings = Start(fd);
  v4l2_buffer buffer;
  ASSERT_EQ(NextFrame(fd, buffer), 0);
  // Colour bars, not the grey ramp: the chroma bytes are not neutral.
  const auto* data = static_cast<const std::uint8_t*>(mappings[buffer.index].first);
  const std::uint32_t width = fake_->CurrentFormat(kPath)->width;
  EXPECT_NE(data[width / 8 * 2 * 3 + 1], 128) << "bars expected";
}

}  // namespace

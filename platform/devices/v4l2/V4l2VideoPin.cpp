#include "devices/v4l2/V4l2VideoPin.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <ctime>

#include "com/Diagnostics.h"
#include "devices/capture/CaptureFilter.h"
#include "devices/v4l2/V4l2FrameCopy.h"
#include "dshow/Uuids.h"
#include "dshow/VideoMediaType.h"

namespace devices {
namespace {

// A node that delivers nothing for this long has stalled (dongles stop without an error).
constexpr REFERENCE_TIME kStallFrames = 10;
constexpr int kStallFloorMs = 2000;

std::int64_t MonotonicNowUs() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<std::int64_t>(now.tv_sec) * 1'000'000 + now.tv_nsec / 1000;
}

bool IsJpeg(std::uint32_t fourcc) {
  return fourcc == V4L2_PIX_FMT_MJPEG || fourcc == V4L2_PIX_FMT_JPEG;
}

}  // namespace

V4l2VideoPin::V4l2VideoPin(CaptureFilter* filter, std::shared_ptr<const V4l2Device> device,
                           V4l2ProbedFormats formats, LONG videoStandards)
    : VideoCapturePin(filter, "Capture", true),
      filter_(filter),
      device_(std::move(device)),
      probed_(std::move(formats)),
      formats_(probed_.pin, videoStandards),
      wakeFd_(eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {
  SetCategory(PIN_CATEGORY_CAPTURE);
}

V4l2VideoPin::~V4l2VideoPin() {
  stream_.reset();
  if (wakeFd_ >= 0) close(wakeFd_);
}

void V4l2VideoPin::WriteCaps(int index, BYTE* caps) const {
  const VIDEO_STREAM_CONFIG_CAPS capability = formats_.CapsOf(index);
  std::memcpy(caps, &capability, sizeof capability);
}

// A type fits when a capability takes it and the driver keeps its size (TRY_FMT).
bool V4l2VideoPin::Accepts(const AM_MEDIA_TYPE& mediaType) const {
  if (!formats_.Accepts(mediaType)) return false;
  const auto video = ReadVideoFormat(mediaType);
  const std::uint32_t fourcc = probed_.FourccOf(mediaType.subtype);
  if (!video || fourcc == 0) return false;
  v4l2_format format{};
  format.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
  format.fmt.pix.pixelformat = fourcc;
  format.fmt.pix.width = static_cast<std::uint32_t>(video->width);
  format.fmt.pix.height = static_cast<std::uint32_t>(std::abs(video->height));
  format.fmt.pix.field = V4L2_FIELD_ANY;
  if (device_->Ioctl(VIDIOC_TRY_FMT, &format) < 0) return true;  // a node without TRY_FMT: the list
  return format.fmt.pix.pixelformat == fourcc &&
         format.fmt.pix.width == static_cast<std::uint32_t>(video->width) &&
         format.fmt.pix.height == static_cast<std::uint32_t>(std::abs(video->height));
}

HRESULT V4l2VideoPin::PrepareStreaming() {
  if (wakeFd_ < 0) return E_OUTOFMEMORY;
  if (!IsConnected()) return S_OK;  // nothing to stream to
  const AM_MEDIA_TYPE& type = ConnectionType().Get();
  const auto video = ReadVideoFormat(type);
  fourcc_ = probed_.FourccOf(type.subtype);
  if (!video || fourcc_ == 0) return VFW_E_TYPE_NOT_ACCEPTED;
  width_ = video->width;
  height_ = std::abs(video->height);
  REFERENCE_TIME interval = formats_.FrameInterval(type);
  stream_ = std::make_unique<V4l2Stream>(*device_, wakeFd_);
  const HRESULT hr = stream_->Configure(fourcc_, width_, height_, interval);
  if (FAILED(hr)) {
    stream_.reset();
    if (hr == kDeviceInUse) {
      diag::Warn("v4l2",
                 filter_->DeviceName() + " (" + device_->Path() + ") is in use by another program");
    }
  }
  return hr;
}

void V4l2VideoPin::EndStreaming() {
  stream_.reset();
}

void V4l2VideoPin::Wake() {
  const std::uint64_t one = 1;
  (void)!write(wakeFd_, &one, sizeof one);  // a full counter wakes the thread all the same
}

HRESULT V4l2VideoPin::OnThreadStartPlay() {
  std::uint64_t pending = 0;
  (void)!read(wakeFd_, &pending, sizeof pending);  // an earlier stop's wake is spent
  ResetFrameCounts();
  frame_ = 0;
  haveSequence_ = false;
  gap_ = false;
  lastStart_ = 0;
  stalls_ = 0;
  started_ = S_OK;
  if (!stream_) return S_OK;
  const HRESULT hr = stream_->On();
  started_ = hr;
  if (hr == kDeviceNoBandwidth) {
    diag::Warn("v4l2",
               filter_->DeviceName() +
                   ": the bus cannot carry this format; a smaller or compressed one may work");
  }
  if (hr == kDeviceNotConnected) filter_->LoseDevice();
  return hr;
}

bool V4l2VideoPin::NextFrame(V4l2Frame* frame) {
  const REFERENCE_TIME interval = std::max<REFERENCE_TIME>(stream_->Interval(), 1);
  const int timeoutMs =
      std::max<int>(kStallFloorMs, static_cast<int>(interval * kStallFrames / 10'000));
  while (!filter_->IsStopping()) {
    int error = 0;
    switch (stream_->Wait(timeoutMs, frame, &error)) {
      case V4l2Wait::kFrame:
        stalls_ = 0;
        if (Usable(*frame)) return true;
        stream_->Requeue(*frame);
        continue;
      case V4l2Wait::kWoken:
        continue;
      case V4l2Wait::kTimeout:
        // A stalled node gets one restart; stalling again, it is given up.
        if (++stalls_ == 1 && SUCCEEDED(stream_->Restart())) {
          diag::Warn("v4l2", filter_->DeviceName() + " stalled; the stream is restarted");
          continue;
        }
        diag::Warn("v4l2", filter_->DeviceName() + " delivers no more frames");
        filter_->LoseDevice();
        return false;
      case V4l2Wait::kLost:
        filter_->LoseDevice();
        return false;
      case V4l2Wait::kFailed:
        diag::Warn("v4l2", filter_->DeviceName() + ": waiting for a frame failed: errno " +
                               std::to_string(error));
        filter_->LoseDevice();
        return false;
    }
  }
  return false;
}

bool V4l2VideoPin::Usable(const V4l2Frame& frame) {
  if (haveSequence_) {
    const std::uint32_t skipped = frame.sequence - lastSequence_ - 1;
    if (frame.sequence > lastSequence_ && skipped > 0) {
      CountDropped(static_cast<LONG>(std::min<std::uint32_t>(skipped, 1'000'000)));
      gap_ = true;
    }
  }
  haveSequence_ = true;
  lastSequence_ = frame.sequence;
  const bool broken =
      frame.damaged || (IsJpeg(fourcc_) && !IsCompleteJpeg(frame.data, frame.bytes));
  if (broken) {
    CountDropped(1);
    gap_ = true;
  }
  return !broken;
}

DWORD V4l2VideoPin::CopyFrame(const V4l2Frame& frame, BYTE* buffer, DWORD capacity) const {
  return static_cast<DWORD>(CopyV4l2Frame(frame.data, frame.bytes, stream_->Format(),
                                          static_cast<std::uint32_t>(width_),
                                          static_cast<std::uint32_t>(height_), buffer, capacity));
}

// Start times from the driver's timestamps: the frame's age on the monotonic clock taken off the
// graph's stream time now. Timestamps in the future, running backwards or of another clock are
// not believed: the frame is then stamped as arriving now.
void V4l2VideoPin::StampSample(IMediaSample* sample, const V4l2Frame& frame) {
  const REFERENCE_TIME interval = std::max<REFERENCE_TIME>(stream_->Interval(), 1);
  REFERENCE_TIME start = 0;
  if (SUCCEEDED(filter_->StreamTime(&start))) {
    const std::int64_t ageUs = MonotonicNowUs() - frame.timestampUs;
    if (frame.monotonic && ageUs >= 0 && ageUs < 1'000'000) start -= ageUs * 10;
    start = std::max(start, lastStart_);
  } else {
    start = frame_ * interval;  // no clock: by frame count
  }
  lastStart_ = start;
  REFERENCE_TIME stop = start + interval;
  (void)sample->SetTime(&start, &stop);  // the sample takes any times
  LONGLONG mediaStart = frame_;
  LONGLONG mediaStop = frame_ + 1;
  (void)sample->SetMediaTime(&mediaStart, &mediaStop);
  (void)sample->SetSyncPoint(TRUE);
  (void)sample->SetDiscontinuity(frame_ == 0 || gap_ ? TRUE : FALSE);
  gap_ = false;
}

HRESULT V4l2VideoPin::FillBuffer(IMediaSample* sample) {
  if (!stream_ || filter_->IsLost()) {
    filter_->WaitForStop();
    return S_FALSE;
  }
  if (FAILED(started_)) return started_;  // the stream never started: the graph aborts
  BYTE* buffer = nullptr;
  if (FAILED(sample->GetPointer(&buffer))) return E_UNEXPECTED;
  for (;;) {
    V4l2Frame frame;
    if (!NextFrame(&frame)) {
      if (filter_->IsLost()) filter_->WaitForStop();
      return S_FALSE;
    }
    const DWORD bytes = CopyFrame(frame, buffer, static_cast<DWORD>(sample->GetSize()));
    stream_->Requeue(frame);
    if (bytes == 0) {  // short or oversized: never passed on
      CountDropped(1);
      gap_ = true;
      continue;
    }
    if (FAILED(sample->SetActualDataLength(static_cast<LONG>(bytes)))) return E_UNEXPECTED;
    StampSample(sample, frame);
    ++frame_;
    CountDelivered();
    return S_OK;
  }
}

}  // namespace devices

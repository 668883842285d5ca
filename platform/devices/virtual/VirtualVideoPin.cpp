#include "devices/virtual/VirtualVideoPin.h"

#include <algorithm>
#include <cstring>

#include "com/Diagnostics.h"
#include "devices/virtual/TestPattern.h"
#include "devices/virtual/VirtualCaptureFilter.h"
#include "dshow/Uuids.h"
#include "dshow/VideoMediaType.h"

namespace devices {
namespace {

const GUID& CategoryOf(PinRole role) {
  switch (role) {
    case PinRole::kCapture:
      return PIN_CATEGORY_CAPTURE;
    case PinRole::kPreview:
      return PIN_CATEGORY_PREVIEW;
    case PinRole::kVideoPort:
      return PIN_CATEGORY_VIDEOPORT;
    case PinRole::kAnalogVideoIn:
      return PIN_CATEGORY_ANALOGVIDEOIN;
    case PinRole::kInterleaved:
      return PIN_CATEGORY_CAPTURE;
  }
  return PIN_CATEGORY_CAPTURE;
}

std::chrono::steady_clock::duration ToDuration(REFERENCE_TIME interval) {
  return std::chrono::duration_cast<std::chrono::steady_clock::duration>(
      std::chrono::nanoseconds(interval * 100));
}

}  // namespace

VirtualVideoPin::VirtualVideoPin(VirtualCaptureFilter* filter, const VideoPinDescription& pin,
                                 LONG videoStandards, bool countsFrames)
    : VideoCapturePin(filter, pin.name, countsFrames),
      device_(filter),
      formats_(pin, videoStandards) {
  SetCategory(CategoryOf(pin.role));
}

void VirtualVideoPin::WriteCaps(int index, BYTE* caps) const {
  const VIDEO_STREAM_CONFIG_CAPS capability = formats_.CapsOf(index);
  std::memcpy(caps, &capability, sizeof capability);
}

HRESULT VirtualVideoPin::OnThreadStartPlay() {
  frame_ = 0;
  encoder_.reset();
  encoderTried_ = false;
  ResetFrameCounts();
  nextFrame_ = std::chrono::steady_clock::now();
  return S_OK;
}

bool VirtualVideoPin::WaitForFrame(REFERENCE_TIME interval) {
  if (!device_->WaitUntil(nextFrame_)) return false;
  const auto step = ToDuration(interval);
  const auto now = std::chrono::steady_clock::now();
  // Frames whose time passed while the stream was held up downstream are lost, as on hardware.
  if (now - nextFrame_ > step) {
    const auto missed = (now - nextFrame_) / step;
    CountDropped(static_cast<LONG>(missed));
    frame_ += missed;
    nextFrame_ += missed * step;
  }
  nextFrame_ += step;
  return true;
}

void VirtualVideoPin::StampSample(IMediaSample* sample, LONGLONG frame, REFERENCE_TIME interval) {
  REFERENCE_TIME start = 0;
  if (FAILED(device_->StreamTime(&start))) start = frame * interval;  // no clock: by frame count
  REFERENCE_TIME stop = start + interval;
  (void)sample->SetTime(&start, &stop);  // the sample takes any times
  LONGLONG mediaStart = frame;
  LONGLONG mediaStop = frame + 1;
  (void)sample->SetMediaTime(&mediaStart, &mediaStop);
  (void)sample->SetSyncPoint(TRUE);
  (void)sample->SetDiscontinuity(frame == 0 ? TRUE : FALSE);
}

DWORD VirtualVideoPin::Picture(const AM_MEDIA_TYPE& type, LONGLONG frame, BYTE* buffer,
                               DWORD capacity) {
  if (!encoderTried_) {
    encoderTried_ = true;
    if (const auto size = formats_.FrameSize(type)) {
      encoder_ =
          CompressedFrameEncoder::Create(type.subtype, size->cx, size->cy, formats_.HasSound());
    }
  }
  PictureDescription picture = device_->Device().picture;
  picture.adjustment = device_->Adjustment();
  DWORD bytes = encoder_ ? encoder_->Encode(picture, frame, buffer, capacity)
                         : PaintTestPattern(picture, type, frame, buffer, capacity);
  if (bytes == 0 && type.lSampleSize > 0 && type.lSampleSize <= capacity) {
    // A compressed frame that could not be made: a filler of the frame's size, numbered.
    bytes = type.lSampleSize;
    std::memset(buffer, 0x80, bytes);
    std::memcpy(buffer, &frame, std::min<DWORD>(sizeof frame, bytes));
  }
  return bytes;
}

HRESULT VirtualVideoPin::FillBuffer(IMediaSample* sample) {
  const AM_MEDIA_TYPE& type = ConnectionType().Get();
  const REFERENCE_TIME interval = std::max<REFERENCE_TIME>(formats_.FrameInterval(type), 1);
  const LONG dropEvery =
      device_->Device().droppedFrames ? device_->Device().droppedFrames->dropEvery : 0;
  const LONG lostAfter = device_->Device().faults.lostAfterFrames;
  for (;;) {
    if (lostAfter >= 0 && Delivered() >= lostAfter) device_->LoseDevice();
    // A lost device delivers nothing more; the thread waits for the filter to stop.
    if (device_->IsLost() || type.subtype == MEDIASUBTYPE_Overlay) {
      device_->WaitForStop();
      return S_FALSE;
    }
    if (!WaitForFrame(interval)) return S_FALSE;
    const LONGLONG frame = frame_++;
    if (dropEvery > 0 && (frame + 1) % dropEvery == 0) {
      CountDropped(1);
      continue;
    }
    BYTE* buffer = nullptr;
    if (FAILED(sample->GetPointer(&buffer))) return E_UNEXPECTED;
    const DWORD bytes = Picture(type, frame, buffer, static_cast<DWORD>(sample->GetSize()));
    if (FAILED(sample->SetActualDataLength(static_cast<LONG>(bytes)))) return E_UNEXPECTED;
    StampSample(sample, frame, interval);
    CountDelivered();
    return S_OK;
  }
}

}  // namespace devices

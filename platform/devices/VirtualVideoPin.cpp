#include "devices/VirtualVideoPin.h"

#include <algorithm>
#include <cstring>

#include "com/Diagnostics.h"
#include "devices/TestPattern.h"
#include "devices/VirtualCaptureFilter.h"
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
    : CSourceStream(filter, pin.name),
      device_(filter),
      formats_(pin, videoStandards),
      countsFrames_(countsFrames) {
  SetCategory(CategoryOf(pin.role));
}

HRESULT VirtualVideoPin::QueryPinInterface(REFIID riid, void** object) {
  if (riid == IID_IAMStreamConfig) {
    *object = static_cast<IAMStreamConfig*>(this);
  } else if (riid == IID_IAMDroppedFrames && countsFrames_) {
    *object = static_cast<IAMDroppedFrames*>(this);
  } else {
    return CSourceStream::QueryPinInterface(riid, object);
  }
  AddRef();
  return S_OK;
}

bool VirtualVideoPin::HasChosenFormat() const {
  std::lock_guard lock(formatLock_);
  return !chosen_.IsEmpty();
}

MediaType VirtualVideoPin::PreferredType() const {
  std::lock_guard lock(formatLock_);
  return chosen_.IsEmpty() ? formats_.TypeOf(0) : chosen_;
}

bool VirtualVideoPin::FitsChosenFormat(const AM_MEDIA_TYPE& mediaType) const {
  std::lock_guard lock(formatLock_);
  if (chosen_.IsEmpty()) return true;
  if (mediaType.subtype != chosen_->subtype) return false;
  const auto wanted = ReadVideoFormat(chosen_.Get());
  if (!wanted) return mediaType.lSampleSize == chosen_->lSampleSize;  // DV: the frame size says it
  const auto offered = ReadVideoFormat(mediaType);
  return offered && wanted->width == offered->width && wanted->height == offered->height;
}

HRESULT VirtualVideoPin::CheckMediaType(const AM_MEDIA_TYPE* mediaType) {
  if (mediaType == nullptr) return E_POINTER;
  return formats_.Accepts(*mediaType) && FitsChosenFormat(*mediaType) ? S_OK : S_FALSE;
}

// Once a format was set, the pin connects with that format only, as a driver does.
HRESULT VirtualVideoPin::GetMediaType(int position, MediaType* mediaType) {
  if (mediaType == nullptr) return E_POINTER;
  if (position < 0) return E_INVALIDARG;
  if (position == 0) {
    *mediaType = PreferredType();
    return S_OK;
  }
  if (position > formats_.Count() || HasChosenFormat()) return VFW_S_NO_MORE_ITEMS;
  *mediaType = formats_.TypeOf(position - 1);
  return S_OK;
}

HRESULT VirtualVideoPin::DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) {
  const AM_MEDIA_TYPE& type = ConnectionType().Get();
  DWORD size = type.lSampleSize;
  if (const auto video = ReadVideoFormat(type)) {
    size = std::max(
        {size, video->imageSize, VideoImageSize(type.subtype, video->width, video->height)});
  }
  ALLOCATOR_PROPERTIES wanted = *request;
  wanted.cBuffers = std::max<LONG>(request->cBuffers, 3);
  wanted.cbBuffer = std::max<LONG>(request->cbBuffer, static_cast<LONG>(std::max<DWORD>(size, 1)));
  wanted.cbAlign = std::max<LONG>(request->cbAlign, 1);
  ALLOCATOR_PROPERTIES actual;
  const HRESULT hr = allocator->SetProperties(&wanted, &actual);
  if (FAILED(hr)) return hr;
  return actual.cbBuffer < wanted.cbBuffer ? E_FAIL : S_OK;
}

HRESULT VirtualVideoPin::SetFormat(AM_MEDIA_TYPE* mediaType) {
  if (mediaType == nullptr) return E_POINTER;
  if (!formats_.Accepts(*mediaType)) return VFW_E_INVALIDMEDIATYPE;
  if (!device_->IsStopped()) return VFW_E_NOT_STOPPED;
  {
    std::lock_guard lock(formatLock_);
    chosen_ = MediaType(*mediaType);
  }
  return IsConnected() ? Reconnect(*mediaType) : S_OK;
}

HRESULT VirtualVideoPin::Reconnect(const AM_MEDIA_TYPE& mediaType) {
  ComPtr<IPin> peer(GetConnected());
  IFilterGraph* graph = device_->Graph();
  if (graph == nullptr) return E_UNEXPECTED;
  if (peer->QueryAccept(&mediaType) != S_OK) return VFW_E_TYPE_NOT_ACCEPTED;
  // Both sides go and the pins meet again with the new type.
  (void)graph->Disconnect(peer.Get());  // the new connection's result says whether it worked
  (void)graph->Disconnect(this);
  return graph->ConnectDirect(this, peer.Get(), &mediaType);
}

HRESULT VirtualVideoPin::GetFormat(AM_MEDIA_TYPE** mediaType) {
  if (mediaType == nullptr) return E_POINTER;
  const MediaType current = IsConnected() ? CurrentMediaType() : PreferredType();
  *mediaType = current.CreateCopy();
  return *mediaType == nullptr ? E_OUTOFMEMORY : S_OK;
}

HRESULT VirtualVideoPin::GetNumberOfCapabilities(int* count, int* size) {
  if (count == nullptr || size == nullptr) return E_POINTER;
  *count = formats_.Count();
  *size = sizeof(VIDEO_STREAM_CONFIG_CAPS);
  return S_OK;
}

HRESULT VirtualVideoPin::GetStreamCaps(int index, AM_MEDIA_TYPE** mediaType, BYTE* caps) {
  if (mediaType == nullptr || caps == nullptr) return E_POINTER;
  *mediaType = nullptr;
  if (index < 0) return E_INVALIDARG;
  if (index >= formats_.Count()) return S_FALSE;
  const VIDEO_STREAM_CONFIG_CAPS capability = formats_.CapsOf(index);
  std::memcpy(caps, &capability, sizeof capability);
  *mediaType = formats_.TypeOf(index).CreateCopy();
  return *mediaType == nullptr ? E_OUTOFMEMORY : S_OK;
}

HRESULT VirtualVideoPin::GetNumDropped(LONG* dropped) {
  if (dropped == nullptr) return E_POINTER;
  *dropped = dropped_.load();
  return S_OK;
}

HRESULT VirtualVideoPin::GetNumNotDropped(LONG* notDropped) {
  if (notDropped == nullptr) return E_POINTER;
  *notDropped = delivered_.load();
  return S_OK;
}

HRESULT VirtualVideoPin::GetDroppedInfo(LONG /*size*/, LONG* frames, LONG* copied) {
  if (frames == nullptr || copied == nullptr) return E_POINTER;
  *copied = 0;
  return E_NOTIMPL;
}

HRESULT VirtualVideoPin::GetAverageFrameSize(LONG* averageSize) {
  if (averageSize == nullptr) return E_POINTER;
  const MediaType type = CurrentMediaType();
  const auto video = ReadVideoFormat(type.Get());
  *averageSize = static_cast<LONG>(video ? video->imageSize : type->lSampleSize);
  return S_OK;
}

HRESULT VirtualVideoPin::OnThreadStartPlay() {
  frame_ = 0;
  encoder_.reset();
  encoderTried_ = false;
  delivered_.store(0);
  dropped_.store(0);
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
    dropped_.fetch_add(static_cast<LONG>(missed));
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
  const PictureDescription& picture = device_->Device().picture;
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
    if (lostAfter >= 0 && delivered_.load() >= lostAfter) device_->LoseDevice();
    // A lost device delivers nothing more; the thread waits for the filter to stop.
    if (device_->IsLost() || type.subtype == MEDIASUBTYPE_Overlay) {
      device_->WaitForStop();
      return S_FALSE;
    }
    if (!WaitForFrame(interval)) return S_FALSE;
    const LONGLONG frame = frame_++;
    if (dropEvery > 0 && (frame + 1) % dropEvery == 0) {
      dropped_.fetch_add(1);
      continue;
    }
    BYTE* buffer = nullptr;
    if (FAILED(sample->GetPointer(&buffer))) return E_UNEXPECTED;
    const DWORD bytes = Picture(type, frame, buffer, static_cast<DWORD>(sample->GetSize()));
    if (FAILED(sample->SetActualDataLength(static_cast<LONG>(bytes)))) return E_UNEXPECTED;
    StampSample(sample, frame, interval);
    delivered_.fetch_add(1);
    return S_OK;
  }
}

}  // namespace devices

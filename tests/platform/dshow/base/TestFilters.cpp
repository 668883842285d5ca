#include "TestFilters.h"

#include <algorithm>
#include <chrono>
#include <cstring>

namespace dshow_test {

MediaType VideoType(const GUID& subtype) {
  if (auto known = MakeVideoMediaType(subtype, 32, 16, kFrameInterval)) return *known;
  MediaType made = *MakeVideoMediaType(MEDIASUBTYPE_RGB32, 32, 16, kFrameInterval);
  made->subtype = subtype;
  return made;
}

bool WaitUntil(const std::function<bool()>& condition) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (!condition()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

void DisconnectAll(std::initializer_list<CBaseFilter*> filters) {
  for (CBaseFilter* filter : filters) {
    filter->Stop();
    for (int i = 0; i < filter->GetPinCount(); ++i)
      filter->GetPin(i)->Disconnect();
  }
}

// ---- PatternSource ---------------------------------------------------------------------------

PatternStream::PatternStream(PatternSource* filter, MediaType type)
    : CSourceStream(filter, "Out"), type_(std::move(type)) {}

HRESULT PatternStream::CheckMediaType(const AM_MEDIA_TYPE* mediaType) {
  if (IsEqualMediaType(*mediaType, type_.Get())) return S_OK;
  const bool listed =
      std::find(alsoAccepts.begin(), alsoAccepts.end(), mediaType->subtype) != alsoAccepts.end();
  return listed && IsEqualMediaType(*mediaType, VideoType(mediaType->subtype).Get()) ? S_OK
                                                                                     : S_FALSE;
}

HRESULT PatternStream::GetMediaType(int position, MediaType* mediaType) {
  if (position != 0) return VFW_S_NO_MORE_ITEMS;
  *mediaType = type_;
  return S_OK;
}

HRESULT PatternStream::DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) {
  ALLOCATOR_PROPERTIES wanted = *request;
  wanted.cBuffers = std::max<LONG>(wanted.cBuffers, 2);
  wanted.cbBuffer =
      std::max<LONG>(wanted.cbBuffer, static_cast<LONG>(ConnectionType()->lSampleSize));
  ALLOCATOR_PROPERTIES actual;
  return allocator->SetProperties(&wanted, &actual);
}

void PatternStream::HoldFrames() {
  std::lock_guard lock(gateLock_);
  held_ = true;
}

void PatternStream::ReleaseFrames() {
  {
    std::lock_guard lock(gateLock_);
    held_ = false;
  }
  gateOpen_.notify_all();
}

HRESULT PatternStream::FillBuffer(IMediaSample* sample) {
  {
    std::unique_lock lock(gateLock_);
    gateOpen_.wait(lock, [this] { return !held_; });
  }
  if (failWith != S_OK) return failWith;
  const int number = framesFilled;
  if (frameLimit >= 0 && number >= frameLimit) return S_FALSE;
  BYTE* data = nullptr;
  sample->GetPointer(&data);
  std::memset(data, 0, static_cast<std::size_t>(sample->GetSize()));
  std::memcpy(data, &number, sizeof number);
  sample->SetActualDataLength(static_cast<LONG>(ConnectionType()->lSampleSize));
  if (timeStamps) {
    REFERENCE_TIME start = number * kFrameInterval;
    REFERENCE_TIME stop = start + kFrameInterval;
    sample->SetTime(&start, &stop);
  }
  sample->SetSyncPoint(TRUE);
  ++framesFilled;
  return S_OK;
}

HRESULT PatternStream::OnThreadCreate() {
  ++threadsStarted;
  return S_OK;
}

HRESULT PatternStream::OnThreadDestroy() {
  ++threadsEnded;
  return S_OK;
}

PatternSource::PatternSource(bool live, MediaType type)
    : CSource(kPatternSourceClass), live_(live) {
  stream_ = AddPin(std::make_unique<PatternStream>(this, std::move(type)));
}

// ---- CountingInPlace -------------------------------------------------------------------------

CountingInPlace::CountingInPlace() : CTransInPlaceFilter(kCountingInPlaceClass) {}

HRESULT CountingInPlace::CheckInputType(const AM_MEDIA_TYPE* mediaType) {
  return mediaType->majortype == MEDIATYPE_Video ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT CountingInPlace::Transform(IMediaSample* sample) {
  BYTE* data = nullptr;
  sample->GetPointer(&data);
  data[4] = 0xAB;
  ++frames;
  return S_OK;
}

// ---- RecordingRenderer -----------------------------------------------------------------------

RecordingRenderer::RecordingRenderer(std::vector<GUID> subtypes)
    : CBaseRenderer(kRecordingRendererClass), subtypes_(std::move(subtypes)) {}

HRESULT RecordingRenderer::CheckMediaType(const AM_MEDIA_TYPE* mediaType) {
  if (mediaType->majortype != MEDIATYPE_Video) return S_FALSE;
  if (subtypes_.empty()) return S_OK;
  return std::find(subtypes_.begin(), subtypes_.end(), mediaType->subtype) != subtypes_.end()
             ? S_OK
             : S_FALSE;
}

HRESULT RecordingRenderer::GetMediaType(int position, MediaType* mediaType) {
  if (position < 0 || position >= static_cast<int>(subtypes_.size())) return VFW_S_NO_MORE_ITEMS;
  *mediaType = VideoType(subtypes_[static_cast<std::size_t>(position)]);
  return S_OK;
}

HRESULT RecordingRenderer::DoRenderSample(IMediaSample* sample) {
  BYTE* data = nullptr;
  sample->GetPointer(&data);
  int number = 0;
  std::memcpy(&number, data, sizeof number);
  std::lock_guard lock(lock_);
  numbers_.push_back(number);
  if (data[4] != 0xAB) allMarked_ = false;
  if (std::find(threads_.begin(), threads_.end(), std::this_thread::get_id()) == threads_.end()) {
    threads_.push_back(std::this_thread::get_id());
  }
  return S_OK;
}

std::vector<int> RecordingRenderer::FrameNumbers() {
  std::lock_guard lock(lock_);
  return numbers_;
}

bool RecordingRenderer::AllMarked() {
  std::lock_guard lock(lock_);
  return allMarked_;
}

bool RecordingRenderer::RenderedOn(std::thread::id thread) {
  std::lock_guard lock(lock_);
  return std::find(threads_.begin(), threads_.end(), thread) != threads_.end();
}

// ---- SubtypeConverter ------------------------------------------------------------------------

SubtypeConverter::SubtypeConverter(GUID from, GUID to)
    : CTransformFilter(kSubtypeConverterClass), from_(from), to_(to) {}

HRESULT SubtypeConverter::CheckInputType(const AM_MEDIA_TYPE* mediaType) {
  return mediaType->majortype == MEDIATYPE_Video && mediaType->subtype == from_
             ? S_OK
             : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT SubtypeConverter::CheckTransform(const AM_MEDIA_TYPE* in, const AM_MEDIA_TYPE* out) {
  return in->subtype == from_ && out->subtype == to_ ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT SubtypeConverter::GetMediaType(int position, MediaType* mediaType) {
  if (position > 0) return VFW_S_NO_MORE_ITEMS;
  *mediaType = InputPin()->ConnectionType();
  mediaType->Get().subtype = to_;
  return S_OK;
}

HRESULT SubtypeConverter::DecideBufferSize(IMemAllocator* allocator,
                                           ALLOCATOR_PROPERTIES* request) {
  ALLOCATOR_PROPERTIES wanted = *request;
  wanted.cBuffers = std::max<LONG>(wanted.cBuffers, 1);
  wanted.cbBuffer = static_cast<LONG>(OutputPin()->ConnectionType()->lSampleSize);
  ALLOCATOR_PROPERTIES actual;
  return allocator->SetProperties(&wanted, &actual);
}

HRESULT SubtypeConverter::Transform(IMediaSample* in, IMediaSample* out) {
  BYTE* from = nullptr;
  BYTE* to = nullptr;
  in->GetPointer(&from);
  out->GetPointer(&to);
  const LONG length = std::min(in->GetActualDataLength(), out->GetSize());
  std::memcpy(to, from, static_cast<std::size_t>(length));
  out->SetActualDataLength(length);
  return S_OK;
}

}  // namespace dshow_test

#include "dshow/filters/MediaFileStream.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "com/Diagnostics.h"
#include "dshow/AudioMediaType.h"
#include "dshow/Uuids.h"
#include "dshow/VideoMediaType.h"
#include "dshow/base/MemAllocator.h"
#include "dshow/base/Source.h"
#include "dshow/filters/MediaFileLimits.h"

namespace {

constexpr LONG kMinimumBuffer = 256 * 1024;
constexpr DWORD kCapabilities = AM_SEEKING_CanSeekAbsolute | AM_SEEKING_CanSeekForwards |
                                AM_SEEKING_CanSeekBackwards | AM_SEEKING_CanGetCurrentPos |
                                AM_SEEKING_CanGetStopPos | AM_SEEKING_CanGetDuration;

// Room for the biggest packet: a compressed picture stays below the size of the picture in
// 32-bit RGB, and a sound packet below two seconds of it. Both are capped by the limits (the
// reader has refused bigger pictures already; a sound's byte rate is what the file claims).
LONG BufferSizeFor(const dshow::MediaStreamInfo& info) {
  const dshow::MediaFileLimits limits = dshow::CurrentMediaFileLimits();
  int64_t bytes = kMinimumBuffer;
  int64_t most = limits.maxPictureBytes;
  if (const auto format = ReadVideoFormat(info.type.Get())) {
    bytes =
        std::max<int64_t>(bytes, int64_t{format->width} * std::abs(int64_t{format->height}) * 4);
  } else if (const WAVEFORMATEX* wave = WaveFormatOf(info.type.Get())) {
    bytes = std::max<int64_t>(bytes, int64_t{wave->nAvgBytesPerSec} * 2);
    most = limits.maxSoundBufferBytes;
  }
  return static_cast<LONG>(std::clamp<int64_t>(bytes, 1, std::min<int64_t>(most, INT32_MAX)));
}

}  // namespace

MediaFileStream::MediaFileStream(CSource* filter, std::string name,
                                 std::unique_ptr<dshow::MediaFileReader> reader,
                                 const dshow::MediaStreamInfo& info, REFERENCE_TIME duration,
                                 REFERENCE_TIME frameInterval)
    : CSourceStream(filter, std::move(name)),
      info_(info),
      duration_(duration),
      frameInterval_(frameInterval),
      bufferSize_(BufferSizeFor(info)),
      timeFormat_(TIME_FORMAT_MEDIA_TIME),
      reader_(std::move(reader)) {
  reader_->Choose(info.index);
}

HRESULT MediaFileStream::QueryPinInterface(REFIID riid, void** object) {
  if (riid == IID_IMediaSeeking) {
    *object = static_cast<IMediaSeeking*>(this);
    AddRef();
    return S_OK;
  }
  return CSourceStream::QueryPinInterface(riid, object);
}

HRESULT MediaFileStream::CheckMediaType(const AM_MEDIA_TYPE* mediaType) {
  if (mediaType == nullptr) return E_POINTER;
  const AM_MEDIA_TYPE& own = info_.type.Get();
  return mediaType->majortype == own.majortype && mediaType->subtype == own.subtype &&
                 mediaType->formattype == own.formattype
             ? S_OK
             : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT MediaFileStream::GetMediaType(int position, MediaType* mediaType) {
  if (mediaType == nullptr) return E_POINTER;
  if (position < 0) return E_INVALIDARG;
  if (position > 0) return VFW_S_NO_MORE_ITEMS;
  *mediaType = info_.type;
  return S_OK;
}

HRESULT MediaFileStream::DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) {
  if (allocator == nullptr || request == nullptr) return E_POINTER;
  ALLOCATOR_PROPERTIES wanted = *request;
  wanted.cBuffers = std::max(wanted.cBuffers, LONG{4});
  wanted.cbBuffer = std::max(wanted.cbBuffer, bufferSize_);
  wanted.cbAlign = std::max(wanted.cbAlign, LONG{1});
  const HRESULT hr = SetAllocatorProperties(*allocator, wanted);
  if (SUCCEEDED(hr)) {
    ALLOCATOR_PROPERTIES actual{};
    if (SUCCEEDED(allocator->GetProperties(&actual))) bufferSize_ = actual.cbBuffer;
  }
  return hr;
}

// ---- Streaming -------------------------------------------------------------------------------

HRESULT MediaFileStream::OnThreadCreate() {
  {
    std::lock_guard lock(positionLock_);
    playing_ = segment_;
    current_ = segment_.start;
  }
  if (!fresh_ || playing_.start > 0) reader_->Seek(playing_.start);
  fresh_ = false;
  newSegment_ = true;
  discontinuity_ = true;
  return S_OK;
}

HRESULT MediaFileStream::FillBuffer(IMediaSample* sample) {
  if (newSegment_) {
    newSegment_ = false;
    // The peer's answer changes nothing: samples follow either way.
    (void)DeliverNewSegment(playing_.start, playing_.stop, playing_.rate);
  }
  BYTE* target = nullptr;
  if (FAILED(sample->GetPointer(&target))) return E_UNEXPECTED;
  const auto room = static_cast<size_t>(std::max(sample->GetSize(), LONG{0}));
  for (;;) {
    dshow::MediaPacket packet;
    const HRESULT hr = reader_->Read(&packet);
    if (hr != S_OK) return hr;
    REFERENCE_TIME stop = MAX_TIME;
    {
      std::lock_guard lock(positionLock_);
      stop = segment_.stop;  // may move while playing
    }
    if (packet.start >= stop) return S_FALSE;
    const bool early = packet.stop <= playing_.start;
    if (early && info_.intraOnly) continue;  // nothing of it shows at the target
    if (packet.size > room) {
      diag::Warn("dshow", Name() + ": a packet of " + std::to_string(packet.size) +
                              " bytes does not fit the buffer; dropped");
      continue;
    }
    std::memcpy(target, packet.data, packet.size);
    (void)sample->SetActualDataLength(static_cast<LONG>(packet.size));  // it fits
    const double rate = playing_.rate;
    REFERENCE_TIME start = std::llround(static_cast<double>(packet.start - playing_.start) / rate);
    REFERENCE_TIME end = std::llround(static_cast<double>(packet.stop - playing_.start) / rate);
    (void)sample->SetTime(&start, &end);  // our allocator's samples take any time
    if (info_.video && info_.frameInterval > 0) {
      LONGLONG frame = packet.start / info_.frameInterval;
      LONGLONG next = frame + 1;
      (void)sample->SetMediaTime(&frame, &next);
    }
    (void)sample->SetSyncPoint(packet.keyFrame ? TRUE : FALSE);
    (void)sample->SetPreroll(early ? TRUE : FALSE);
    (void)sample->SetDiscontinuity(discontinuity_ ? TRUE : FALSE);
    discontinuity_ = false;
    std::lock_guard lock(positionLock_);
    current_ = std::max(packet.start, playing_.start);
    return S_OK;
  }
}

void MediaFileStream::Restart() {
  if (!IsConnected() || Source()->IsStopped()) return;  // the next start reads the segment
  // A downstream Receive may hold our thread (a paused renderer keeps its sample): flushing
  // lets it go, so that the thread can end.
  (void)DeliverBeginFlush();  // a peer that does not flush is stopped with the thread
  StopThread();
  {
    // The old thread may have moved the position on with a sample of the old segment after the
    // seek set it; until the new thread reads its first packet the position is the new start.
    std::lock_guard lock(positionLock_);
    current_ = segment_.start;
  }
  (void)DeliverEndFlush();
  const HRESULT hr = Active();
  if (FAILED(hr)) diag::Warn("dshow", Name() + ": cannot restart after a seek: " + HResultText(hr));
}

// ---- Seeking ---------------------------------------------------------------------------------

bool MediaFileStream::Converts(const GUID& format) const {
  return format == TIME_FORMAT_MEDIA_TIME || (format == TIME_FORMAT_FRAME && frameInterval_ > 0);
}

LONGLONG MediaFileStream::ToMediaTime(LONGLONG value, const GUID& format) const {
  if (format != TIME_FORMAT_FRAME || value == MAX_TIME) return value;
  // Frame numbers beyond any file saturate instead of overflowing.
  const LONGLONG most = dshow::kMaxMediaTime / frameInterval_;
  return std::clamp(value, -most, most) * frameInterval_;
}

LONGLONG MediaFileStream::FromMediaTime(LONGLONG value, const GUID& format) const {
  if (format != TIME_FORMAT_FRAME || value == MAX_TIME) return value;
  return (value + frameInterval_ / 2) / frameInterval_;
}

HRESULT MediaFileStream::GetCapabilities(DWORD* capabilities) {
  if (capabilities == nullptr) return E_POINTER;
  *capabilities = kCapabilities;
  return S_OK;
}

HRESULT MediaFileStream::CheckCapabilities(DWORD* capabilities) {
  if (capabilities == nullptr) return E_POINTER;
  const DWORD wanted = *capabilities;
  *capabilities &= kCapabilities;
  if (*capabilities == wanted) return S_OK;
  return *capabilities == 0 ? E_FAIL : S_FALSE;
}

HRESULT MediaFileStream::IsFormatSupported(const GUID* format) {
  if (format == nullptr) return E_POINTER;
  return Converts(*format) ? S_OK : S_FALSE;
}

HRESULT MediaFileStream::QueryPreferredFormat(GUID* format) {
  if (format == nullptr) return E_POINTER;
  *format = TIME_FORMAT_MEDIA_TIME;
  return S_OK;
}

HRESULT MediaFileStream::GetTimeFormat(GUID* format) {
  if (format == nullptr) return E_POINTER;
  std::lock_guard lock(positionLock_);
  *format = timeFormat_;
  return S_OK;
}

HRESULT MediaFileStream::IsUsingTimeFormat(const GUID* format) {
  if (format == nullptr) return E_POINTER;
  std::lock_guard lock(positionLock_);
  return *format == timeFormat_ ? S_OK : S_FALSE;
}

HRESULT MediaFileStream::SetTimeFormat(const GUID* format) {
  if (format == nullptr) return E_POINTER;
  if (!Converts(*format)) return E_INVALIDARG;
  std::lock_guard lock(positionLock_);
  timeFormat_ = *format;
  return S_OK;
}

HRESULT MediaFileStream::GetDuration(LONGLONG* duration) {
  if (duration == nullptr) return E_POINTER;
  std::lock_guard lock(positionLock_);
  *duration = FromMediaTime(duration_, timeFormat_);
  return S_OK;
}

HRESULT MediaFileStream::GetStopPosition(LONGLONG* stop) {
  if (stop == nullptr) return E_POINTER;
  std::lock_guard lock(positionLock_);
  const REFERENCE_TIME end = segment_.stop == MAX_TIME ? duration_ : segment_.stop;
  *stop = FromMediaTime(end, timeFormat_);
  return S_OK;
}

HRESULT MediaFileStream::GetCurrentPosition(LONGLONG* current) {
  if (current == nullptr) return E_POINTER;
  std::lock_guard lock(positionLock_);
  *current = FromMediaTime(current_, timeFormat_);
  return S_OK;
}

HRESULT MediaFileStream::ConvertTimeFormat(LONGLONG* target, const GUID* targetFormat,
                                           LONGLONG source, const GUID* sourceFormat) {
  if (target == nullptr) return E_POINTER;
  std::lock_guard lock(positionLock_);
  const GUID to = targetFormat != nullptr ? *targetFormat : timeFormat_;
  const GUID from = sourceFormat != nullptr ? *sourceFormat : timeFormat_;
  if (!Converts(to) || !Converts(from)) return E_INVALIDARG;
  *target = FromMediaTime(ToMediaTime(source, from), to);
  return S_OK;
}

HRESULT MediaFileStream::SetPositions(LONGLONG* current, DWORD currentFlags, LONGLONG* stop,
                                      DWORD stopFlags) {
  const DWORD currentHow = currentFlags & AM_SEEKING_PositioningBitsMask;
  const DWORD stopHow = stopFlags & AM_SEEKING_PositioningBitsMask;
  if ((currentHow != AM_SEEKING_NoPositioning && current == nullptr) ||
      (stopHow != AM_SEEKING_NoPositioning && stop == nullptr)) {
    return E_POINTER;
  }
  {
    std::lock_guard lock(positionLock_);
    REFERENCE_TIME start = current_;
    if (currentHow == AM_SEEKING_AbsolutePositioning) {
      start = ToMediaTime(*current, timeFormat_);
    } else if (currentHow == AM_SEEKING_RelativePositioning) {
      start = current_ + std::clamp(ToMediaTime(*current, timeFormat_), -dshow::kMaxMediaTime,
                                    dshow::kMaxMediaTime);
    } else if (currentHow == AM_SEEKING_IncrementalPositioning) {
      return E_INVALIDARG;
    }
    REFERENCE_TIME end = segment_.stop;
    if (stopHow == AM_SEEKING_AbsolutePositioning) {
      end = ToMediaTime(*stop, timeFormat_);
    } else if (stopHow == AM_SEEKING_RelativePositioning) {
      end = end == MAX_TIME ? MAX_TIME : end + ToMediaTime(*stop, timeFormat_);
    } else if (stopHow == AM_SEEKING_IncrementalPositioning) {
      end = start + ToMediaTime(*stop, timeFormat_);
    }
    start = std::clamp<REFERENCE_TIME>(start, 0, dshow::kMaxMediaTime);
    // At or past the end there is nothing to play: the stream ends at once.
    if (duration_ > 0) start = std::min(start, duration_);
    if (currentHow != AM_SEEKING_NoPositioning) {
      segment_.start = start;
      current_ = start;
    }
    segment_.stop = end;
    if ((currentFlags & AM_SEEKING_ReturnTime) != 0 && current != nullptr)
      *current = FromMediaTime(segment_.start, timeFormat_);
    if ((stopFlags & AM_SEEKING_ReturnTime) != 0 && stop != nullptr)
      *stop = FromMediaTime(end, timeFormat_);
  }
  if (currentHow != AM_SEEKING_NoPositioning) Restart();
  return S_OK;
}

HRESULT MediaFileStream::GetPositions(LONGLONG* current, LONGLONG* stop) {
  if (current == nullptr || stop == nullptr) return E_POINTER;
  const HRESULT hr = GetCurrentPosition(current);
  return FAILED(hr) ? hr : GetStopPosition(stop);
}

HRESULT MediaFileStream::GetAvailable(LONGLONG* earliest, LONGLONG* latest) {
  std::lock_guard lock(positionLock_);
  if (earliest != nullptr) *earliest = 0;
  if (latest != nullptr) *latest = FromMediaTime(duration_, timeFormat_);
  return S_OK;
}

HRESULT MediaFileStream::SetRate(double rate) {
  if (!(rate > 0.0)) return E_INVALIDARG;  // forward play only
  {
    std::lock_guard lock(positionLock_);
    if (rate == segment_.rate) return S_OK;
    segment_.rate = rate;
    segment_.start = current_;  // the new rate starts where the stream is
  }
  Restart();
  return S_OK;
}

HRESULT MediaFileStream::GetRate(double* rate) {
  if (rate == nullptr) return E_POINTER;
  std::lock_guard lock(positionLock_);
  *rate = segment_.rate;
  return S_OK;
}

HRESULT MediaFileStream::GetPreroll(LONGLONG* preroll) {
  if (preroll == nullptr) return E_POINTER;
  *preroll = 0;
  return S_OK;
}

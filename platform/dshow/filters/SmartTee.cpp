#include "dshow/filters/SmartTee.h"

#include <algorithm>
#include <cstring>

namespace {

// The preview pool: one frame being delivered, one in the mailbox, one being copied.
constexpr LONG kPreviewBuffers = 3;

// A copy of the sample's data and flags, without its times.
HRESULT CopyForPreview(IMediaSample* from, IMediaSample* to) {
  BYTE* source = nullptr;
  BYTE* target = nullptr;
  if (FAILED(from->GetPointer(&source)) || FAILED(to->GetPointer(&target))) return E_UNEXPECTED;
  const LONG length = std::min(from->GetActualDataLength(), to->GetSize());
  std::memcpy(target, source, static_cast<size_t>(std::max(length, LONG{0})));
  // Our own samples take any length up to their size, any flags and any type.
  (void)to->SetActualDataLength(length);
  (void)to->SetTime(nullptr, nullptr);
  (void)to->SetSyncPoint(from->IsSyncPoint() == S_OK ? TRUE : FALSE);
  (void)to->SetDiscontinuity(from->IsDiscontinuity() == S_OK ? TRUE : FALSE);
  AM_MEDIA_TYPE* changed = nullptr;
  if (from->GetMediaType(&changed) == S_OK && changed != nullptr) {
    (void)to->SetMediaType(changed);
    DeleteMediaType(changed);
  }
  return S_OK;
}

}  // namespace

// ---- Preview pin -----------------------------------------------------------------------------

SmartTeePreviewPin::SmartTeePreviewPin(CBaseFilter* filter, CBaseInputPin* input)
    : TeeOutputPin(filter, input, "Preview", /*passThrough=*/false, kPreviewBuffers) {
  SetCategory(PIN_CATEGORY_PREVIEW);
}

SmartTeePreviewPin::~SmartTeePreviewPin() {
  StopThread();
}

HRESULT SmartTeePreviewPin::Active() {
  const HRESULT hr = TeeOutputPin::Active();
  if (FAILED(hr)) return hr;
  {
    std::lock_guard lock(lock_);
    running_ = true;
    endOfStream_ = false;
  }
  if (!thread_.joinable()) thread_ = std::thread([this] { ThreadProc(); });
  return S_OK;
}

HRESULT SmartTeePreviewPin::Inactive() {
  StopThread();
  return TeeOutputPin::Inactive();
}

void SmartTeePreviewPin::StopThread() {
  {
    std::lock_guard lock(lock_);
    running_ = false;
    mailbox_.Reset();
  }
  wake_.notify_all();
  if (thread_.joinable()) thread_.join();
}

void SmartTeePreviewPin::Offer(IMediaSample* sample) {
  {
    std::lock_guard lock(lock_);
    if (!running_) return;
  }
  ComPtr<IMediaSample> copy;
  if (FAILED(GetDeliveryBuffer(copy.ReleaseAndGetAddressOf(), nullptr, nullptr, AM_GBF_NOWAIT)) ||
      FAILED(CopyForPreview(sample, copy.Get()))) {
    std::lock_guard lock(lock_);
    ++dropped_;
    return;
  }
  ComPtr<IMediaSample> replaced;  // released outside the lock: it goes back to the pool
  {
    std::lock_guard lock(lock_);
    if (!running_) return;
    if (mailbox_) ++dropped_;
    replaced = std::exchange(mailbox_, copy);
  }
  wake_.notify_one();
}

void SmartTeePreviewPin::OfferEndOfStream() {
  {
    std::lock_guard lock(lock_);
    endOfStream_ = true;
  }
  wake_.notify_one();
}

void SmartTeePreviewPin::Flush() {
  ComPtr<IMediaSample> dropped;
  std::lock_guard lock(lock_);
  dropped = std::exchange(mailbox_, nullptr);
  endOfStream_ = false;
}

long SmartTeePreviewPin::FramesDropped() const {
  std::lock_guard lock(lock_);
  return dropped_;
}

void SmartTeePreviewPin::ThreadProc() {
  std::unique_lock lock(lock_);
  for (;;) {
    wake_.wait(lock, [this] { return !running_ || mailbox_ || endOfStream_; });
    if (!running_) return;
    if (ComPtr<IMediaSample> frame = std::exchange(mailbox_, nullptr)) {
      lock.unlock();
      (void)Deliver(frame.Get());  // a refused preview frame is just not shown
      frame.Reset();
      lock.lock();
      continue;
    }
    endOfStream_ = false;
    lock.unlock();
    (void)TeeOutputPin::DeliverEndOfStream();  // nothing follows whatever the peer answers
    lock.lock();
  }
}

// ---- Filter ----------------------------------------------------------------------------------

SmartTee::SmartTee()
    : TeeFilter(CLSID_SmartTee),
      input_(std::make_unique<TeeInputPin>(this, "Input")),
      capture_(std::make_unique<TeeOutputPin>(this, input_.get(), "Capture", true)),
      preview_(std::make_unique<SmartTeePreviewPin>(this, input_.get())) {
  capture_->SetCategory(PIN_CATEGORY_CAPTURE);
}

SmartTee::~SmartTee() = default;

CBasePin* SmartTee::GetPin(int index) {
  switch (index) {
    case 0:
      return input_.get();
    case 1:
      return capture_.get();
    case 2:
      return preview_.get();
    default:
      return nullptr;
  }
}

bool SmartTee::OutputsAccept(const AM_MEDIA_TYPE& mediaType) {
  const CBasePin* outputs[] = {capture_.get(), preview_.get()};
  return PeersAccept(outputs, mediaType);
}

HRESULT SmartTee::DeliverSample(IMediaSample* sample) {
  // The copy comes first: a capture peer may change the sample in place.
  if (preview_->IsConnected()) preview_->Offer(sample);
  if (!capture_->IsConnected()) return S_OK;
  return capture_->Deliver(sample);
}

HRESULT SmartTee::DeliverEndOfStream() {
  if (preview_->IsConnected()) preview_->OfferEndOfStream();
  if (!capture_->IsConnected()) return S_OK;
  return capture_->DeliverEndOfStream();
}

HRESULT SmartTee::DeliverBeginFlush() {
  if (preview_->IsConnected()) {
    preview_->Flush();
    (void)preview_->TeeOutputPin::DeliverBeginFlush();  // the capture side's answer counts
  }
  return capture_->IsConnected() ? capture_->DeliverBeginFlush() : S_OK;
}

HRESULT SmartTee::DeliverEndFlush() {
  if (preview_->IsConnected()) (void)preview_->TeeOutputPin::DeliverEndFlush();
  return capture_->IsConnected() ? capture_->DeliverEndFlush() : S_OK;
}

HRESULT SmartTee::DeliverNewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) {
  if (preview_->IsConnected()) (void)preview_->DeliverNewSegment(start, stop, rate);
  return capture_->IsConnected() ? capture_->DeliverNewSegment(start, stop, rate) : S_OK;
}

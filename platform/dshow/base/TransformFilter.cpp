#include "dshow/base/TransformFilter.h"

#include "dshow/GraphInterfaces.h"

CTransformFilter::CTransformFilter(const CLSID& clsid) : CBaseFilter(clsid) {}

CTransformFilter::~CTransformFilter() = default;

std::unique_ptr<CTransformInputPin> CTransformFilter::CreateInputPin() {
  return std::make_unique<CTransformInputPin>(this);
}

std::unique_ptr<CTransformOutputPin> CTransformFilter::CreateOutputPin() {
  return std::make_unique<CTransformOutputPin>(this);
}

void CTransformFilter::EnsurePins() {
  std::lock_guard lock(FilterLock());
  if (!input_) input_ = CreateInputPin();
  if (!output_) output_ = CreateOutputPin();
}

// The pins exist before anything streams, so the streaming thread never takes the lock here.
CTransformInputPin* CTransformFilter::InputPin() {
  if (!input_ || !output_) EnsurePins();
  return input_.get();
}

CTransformOutputPin* CTransformFilter::OutputPin() {
  if (!input_ || !output_) EnsurePins();
  return output_.get();
}

CBasePin* CTransformFilter::GetPin(int index) {
  EnsurePins();
  if (index == 0) return input_.get();
  if (index == 1) return output_.get();
  return nullptr;
}

HRESULT CTransformFilter::Stop() {
  {
    std::lock_guard lock(FilterLock());
    if (IsStopped()) return S_OK;
    SetState(State_Stopped);
    // Decommitting wakes a Receive that waits for an output buffer, and an upstream thread
    // that waits for one of ours.
    (void)DeactivatePins();  // a decommit has nothing to report that would stop us
  }
  { std::lock_guard receive(receiveLock_); }  // the Receive in progress, if any, has finished
  std::lock_guard lock(FilterLock());
  return StopStreaming();
}

HRESULT CTransformFilter::Pause() {
  std::lock_guard lock(FilterLock());
  EnsurePins();
  const bool wasStopped = IsStopped();
  HRESULT hr = CBaseFilter::Pause();
  if (FAILED(hr) || !wasStopped) return hr;
  hr = StartStreaming();
  if (FAILED(hr)) {
    SetState(State_Stopped);
    (void)DeactivatePins();  // the start failure is the result
    return hr;
  }
  if (!input_->IsConnected() && output_->IsConnected()) {
    (void)output_->DeliverEndOfStream();  // nothing will come; downstream may complete
  }
  return S_OK;
}

HRESULT CTransformFilter::Transform(IMediaSample* /*in*/, IMediaSample* /*out*/) {
  return E_UNEXPECTED;
}

HRESULT CTransformFilter::InitializeOutputSample(IMediaSample* in, IMediaSample** out) {
  const DWORD flags = in->IsSyncPoint() == S_OK ? 0 : AM_GBF_NOTASYNCPOINT;
  ComPtr<IMediaSample> sample;
  const HRESULT hr =
      output_->GetDeliveryBuffer(sample.ReleaseAndGetAddressOf(), nullptr, nullptr, flags);
  if (FAILED(hr)) return hr;
  REFERENCE_TIME start = 0;
  REFERENCE_TIME stop = 0;
  const HRESULT timeResult = in->GetTime(&start, &stop);
  if (timeResult == S_OK) {
    (void)sample->SetTime(&start, &stop);  // our own samples take any time
  } else if (timeResult == VFW_S_NO_STOP_TIME) {
    (void)sample->SetTime(&start, nullptr);
  }
  LONGLONG mediaStart = 0;
  LONGLONG mediaStop = 0;
  if (in->GetMediaTime(&mediaStart, &mediaStop) == S_OK) {
    (void)sample->SetMediaTime(&mediaStart, &mediaStop);
  }
  (void)sample->SetSyncPoint(in->IsSyncPoint() == S_OK ? TRUE : FALSE);
  (void)sample->SetDiscontinuity(in->IsDiscontinuity() == S_OK ? TRUE : FALSE);
  (void)sample->SetPreroll(in->IsPreroll() == S_OK ? TRUE : FALSE);
  *out = sample.Detach();
  return S_OK;
}

HRESULT CTransformFilter::Receive(IMediaSample* sample) {
  ComPtr<IMediaSample> out;
  HRESULT hr = InitializeOutputSample(sample, out.ReleaseAndGetAddressOf());
  if (FAILED(hr)) return hr;
  hr = Transform(sample, out.Get());
  if (hr == S_FALSE) return S_OK;  // dropped on purpose
  if (FAILED(hr)) return hr;
  return output_->Deliver(out.Get());
}

HRESULT CTransformFilter::EndOfStream() {
  return output_->DeliverEndOfStream();
}

HRESULT CTransformFilter::BeginFlush() {
  return output_->DeliverBeginFlush();
}

HRESULT CTransformFilter::EndFlush() {
  return output_->DeliverEndFlush();
}

HRESULT CTransformFilter::NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) {
  return output_->DeliverNewSegment(start, stop, rate);
}

#include "dshow/base/BaseRenderer.h"

#include <algorithm>
#include <chrono>

#include "clock/Clock.h"
#include "dshow/GraphInterfaces.h"
#include "dshow/base/LiveGraph.h"

namespace {

// The longest single wait for a sample's time: the clock may be a test clock that moves
// without waking anyone, so the time is looked at again at least this often.
constexpr auto kClockPoll = std::chrono::milliseconds(5);

}  // namespace

// ---- Input pin -------------------------------------------------------------------------------

CRendererInputPin::CRendererInputPin(CBaseRenderer* renderer, std::string name)
    : CBaseInputPin(renderer, std::move(name)), renderer_(renderer) {}

HRESULT CRendererInputPin::CheckMediaType(const AM_MEDIA_TYPE* mediaType) {
  return renderer_->CheckMediaType(mediaType);
}

HRESULT CRendererInputPin::GetMediaType(int position, MediaType* mediaType) {
  return renderer_->GetMediaType(position, mediaType);
}

HRESULT CRendererInputPin::SetMediaType(const AM_MEDIA_TYPE& mediaType) {
  const HRESULT hr = CBaseInputPin::SetMediaType(mediaType);
  if (FAILED(hr)) return hr;
  return renderer_->SetMediaType(&mediaType);
}

HRESULT CRendererInputPin::CheckConnect(IPin* pin) {
  const HRESULT hr = CBaseInputPin::CheckConnect(pin);
  if (FAILED(hr)) return hr;
  return renderer_->CheckConnect(pin);
}

HRESULT CRendererInputPin::BreakConnect() {
  (void)renderer_->BreakConnect();  // the pin's own state goes whatever it says
  return CBaseInputPin::BreakConnect();
}

HRESULT CRendererInputPin::CompleteConnect(IPin* receivePin) {
  const HRESULT hr = CBaseInputPin::CompleteConnect(receivePin);
  if (FAILED(hr)) return hr;
  return renderer_->CompleteConnect(receivePin);
}

HRESULT CRendererInputPin::GetAllocatorRequirements(ALLOCATOR_PROPERTIES* properties) {
  if (properties == nullptr) return E_POINTER;
  return renderer_->GetAllocatorRequirements(properties);
}

HRESULT CRendererInputPin::Receive(IMediaSample* sample) {
  std::lock_guard lock(renderer_->ReceiveLock());
  const HRESULT hr = CBaseInputPin::Receive(sample);
  if (hr != S_OK) return hr;
  return renderer_->Receive(sample);
}

HRESULT CRendererInputPin::EndOfStream() {
  std::lock_guard lock(renderer_->ReceiveLock());
  const HRESULT hr = CheckStreaming();
  if (hr != S_OK) return hr;
  return renderer_->EndOfStream();
}

HRESULT CRendererInputPin::BeginFlush() {
  (void)CBaseInputPin::BeginFlush();  // always succeeds
  return renderer_->BeginFlush();
}

HRESULT CRendererInputPin::EndFlush() {
  const HRESULT hr = renderer_->EndFlush();
  (void)CBaseInputPin::EndFlush();  // always succeeds
  return hr;
}

// ---- Renderer --------------------------------------------------------------------------------

CBaseRenderer::CBaseRenderer(const CLSID& clsid, std::string pinName)
    : CBaseFilter(clsid),
      input_(std::make_unique<CRendererInputPin>(this, std::move(pinName))),
      seeking_(static_cast<IBaseFilter*>(this), [this] { return input_.get(); }) {}

CBaseRenderer::~CBaseRenderer() = default;

HRESULT CBaseRenderer::QueryFilterInterface(REFIID riid, void** object) {
  if (riid == IID_IAMFilterMiscFlags) {
    *object = static_cast<IAMFilterMiscFlags*>(this);
  } else if (riid == IID_IMediaSeeking) {
    *object = static_cast<IMediaSeeking*>(&seeking_);
  } else {
    return CBaseFilter::QueryFilterInterface(riid, object);
  }
  AddRef();
  return S_OK;
}

CBasePin* CBaseRenderer::GetPin(int index) {
  return index == 0 ? input_.get() : nullptr;
}

bool CBaseRenderer::PauseCompleteLocked() const {
  return cued_ || endOfStream_ || live_.load(std::memory_order_acquire);
}

HRESULT CBaseRenderer::Stop() {
  {
    std::lock_guard lock(FilterLock());
    if (IsStopped()) return S_OK;
    SetState(State_Stopped);
    (void)DeactivatePins();  // decommits the upstream's pool; nothing to report
  }
  {
    std::lock_guard render(renderLock_);
    cued_ = endOfStream_ = completeSent_ = flushing_ = false;
    live_.store(false, std::memory_order_release);
    renderWake_.notify_all();
  }
  { std::lock_guard receive(receiveLock_); }  // the Receive in progress, if any, has returned
  std::lock_guard lock(FilterLock());
  return OnStopStreaming();
}

HRESULT CBaseRenderer::Pause() {
  std::lock_guard lock(FilterLock());
  const bool wasStopped = IsStopped();
  HRESULT hr = CBaseFilter::Pause();
  if (FAILED(hr)) return hr;
  if (wasStopped) {
    {
      std::lock_guard render(renderLock_);
      cued_ = completeSent_ = flushing_ = false;
      // Nothing will arrive at an unconnected renderer.
      endOfStream_ = !input_->IsConnected();
    }
    hr = OnStartStreaming();
    if (FAILED(hr)) {
      SetState(State_Stopped);
      (void)DeactivatePins();  // the start failure is the result
      return hr;
    }
  }
  std::lock_guard render(renderLock_);
  renderWake_.notify_all();  // a sample waiting for its time is held now
  return PauseCompleteLocked() ? S_OK : S_FALSE;
}

HRESULT CBaseRenderer::Run(REFERENCE_TIME start) {
  std::lock_guard lock(FilterLock());
  bool live = false;
  if (IFilterGraph* graph = Graph()) {
    ComPtr<ILiveGraph> liveGraph;
    if (SUCCEEDED(graph->QueryInterface(IID_ILiveGraph, liveGraph.ReleaseAndGetVoidAddress()))) {
      live = liveGraph->IsLive() != FALSE;
    }
  }
  live_.store(live, std::memory_order_release);
  const HRESULT hr = CBaseFilter::Run(start);
  if (FAILED(hr)) return hr;
  std::lock_guard render(renderLock_);
  if (endOfStream_) SendEndOfStreamLocked();
  renderWake_.notify_all();
  return S_OK;
}

HRESULT CBaseRenderer::GetState(DWORD msTimeout, FILTER_STATE* state) {
  if (state == nullptr) return E_POINTER;
  *state = State();
  if (*state != State_Paused) return S_OK;
  std::unique_lock render(renderLock_);
  const auto done = [this] { return PauseCompleteLocked() || State() != State_Paused; };
  if (msTimeout == INFINITE) {
    renderWake_.wait(render, done);
  } else {
    renderWake_.wait_for(render, std::chrono::milliseconds(msTimeout), done);
  }
  return done() ? S_OK : VFW_S_STATE_INTERMEDIATE;
}

bool CBaseRenderer::WaitForRenderTime(std::unique_lock<std::mutex>& lock, IMediaSample* sample) {
  if (live_.load(std::memory_order_acquire) || PacedByDevice()) return true;
  const ComPtr<IReferenceClock> clock = Clock();
  REFERENCE_TIME sampleStart = 0;
  REFERENCE_TIME sampleStop = 0;
  if (!clock || FAILED(sample->GetTime(&sampleStart, &sampleStop))) return true;
  while (State() == State_Running && !flushing_) {
    REFERENCE_TIME now = 0;
    if (FAILED(clock->GetTime(&now))) return true;
    const REFERENCE_TIME due = StartTime() + sampleStart;
    if (now >= due) return true;
    const auto wait = std::chrono::microseconds((due - now) / 10);
    renderWake_.wait_for(lock, std::min<std::chrono::microseconds>(wait, kClockPoll));
  }
  return false;
}

HRESULT CBaseRenderer::Receive(IMediaSample* sample) {
  std::unique_lock render(renderLock_);
  for (;;) {
    if (IsStopped()) return VFW_E_WRONG_STATE;
    if (flushing_) return S_FALSE;
    if (State() == State_Paused) {
      // A live stream is not held: it would only grow stale.
      if (live_.load(std::memory_order_acquire)) return S_OK;
      if (!cued_) {
        cued_ = true;
        OnReceiveFirstSample(sample);
        renderWake_.notify_all();
      }
      renderWake_.wait(render);
      continue;
    }
    if (WaitForRenderTime(render, sample)) break;
  }
  cued_ = true;
  render.unlock();
  const HRESULT hr = DoRenderSample(sample);
  framesRendered_.fetch_add(1, std::memory_order_acq_rel);
  return hr;
}

void CBaseRenderer::SendEndOfStreamLocked() {
  if (completeSent_) return;
  completeSent_ = true;
  (void)NotifyEvent(EC_COMPLETE, S_OK, 0);  // without a graph there is nobody to tell
}

HRESULT CBaseRenderer::EndOfStream() {
  std::lock_guard render(renderLock_);
  if (flushing_) return S_FALSE;
  endOfStream_ = true;
  if (State() == State_Running) SendEndOfStreamLocked();
  renderWake_.notify_all();
  return S_OK;
}

HRESULT CBaseRenderer::BeginFlush() {
  std::lock_guard render(renderLock_);
  flushing_ = true;
  cued_ = endOfStream_ = completeSent_ = false;
  OnFlush();
  renderWake_.notify_all();
  return S_OK;
}

HRESULT CBaseRenderer::EndFlush() {
  std::lock_guard render(renderLock_);
  OnFlush();
  flushing_ = false;
  return S_OK;
}

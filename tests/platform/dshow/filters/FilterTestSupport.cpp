#include "FilterTestSupport.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <thread>

#include "dshow/GraphInterfaces.h"

namespace filter_test {

bool WaitUntil(const std::function<bool()>& condition) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (!condition()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

// ---- EventGraph ------------------------------------------------------------------------------

HRESULT EventGraph::AddFilter(IBaseFilter* filter, LPCOLESTR name) {
  return filter->JoinFilterGraph(this, name);
}

HRESULT EventGraph::RemoveFilter(IBaseFilter* filter) {
  return filter->JoinFilterGraph(nullptr, nullptr);
}

HRESULT EventGraph::ConnectDirect(IPin* output, IPin* input, const AM_MEDIA_TYPE* mediaType) {
  return output->Connect(input, mediaType);
}

HRESULT EventGraph::Notify(LONG eventCode, LONG_PTR param1, LONG_PTR /*param2*/) {
  std::lock_guard lock(lock_);
  events_.push_back({eventCode, param1});
  return S_OK;
}

std::vector<EventGraph::Event> EventGraph::Events() {
  std::lock_guard lock(lock_);
  return events_;
}

int EventGraph::Count(LONG code) {
  std::lock_guard lock(lock_);
  return static_cast<int>(std::count_if(events_.begin(), events_.end(),
                                        [code](const Event& e) { return e.code == code; }));
}

// ---- FrameSource -----------------------------------------------------------------------------

FrameStream::FrameStream(FrameSource* source, MediaType type, std::vector<BYTE> frame)
    : CSourceStream(source, "Out"), type_(std::move(type)), frame_(std::move(frame)) {}

HRESULT FrameStream::CheckMediaType(const AM_MEDIA_TYPE* mediaType) {
  return IsEqualMediaType(*mediaType, type_.Get()) ? S_OK : S_FALSE;
}

HRESULT FrameStream::GetMediaType(int position, MediaType* mediaType) {
  if (position != 0) return VFW_S_NO_MORE_ITEMS;
  *mediaType = type_;
  return S_OK;
}

HRESULT FrameStream::DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) {
  ALLOCATOR_PROPERTIES wanted = *request;
  wanted.cBuffers = std::max<LONG>(wanted.cBuffers, 3);
  wanted.cbBuffer = std::max<LONG>(wanted.cbBuffer, static_cast<LONG>(frame_.size()));
  ALLOCATOR_PROPERTIES actual;
  return allocator->SetProperties(&wanted, &actual);
}

HRESULT FrameStream::FillBuffer(IMediaSample* sample) {
  const int number = delivered;
  if (frameLimit >= 0 && number >= frameLimit) return S_FALSE;
  BYTE* data = nullptr;
  sample->GetPointer(&data);
  std::memcpy(data, frame_.data(), frame_.size());
  sample->SetActualDataLength(static_cast<LONG>(frame_.size()));
  if (timeStamps) {
    const int skip = skipEvery;
    const int slot = skip > 1 ? number + number / (skip - 1) : number;
    REFERENCE_TIME start = REFERENCE_TIME{slot} * 400'000;
    REFERENCE_TIME stop = start + 400'000;
    sample->SetTime(&start, &stop);
  }
  sample->SetSyncPoint(TRUE);
  ++delivered;
  return S_OK;
}

FrameSource::FrameSource(MediaType type, std::vector<BYTE> frame) : CSource(GUID_NULL) {
  if (frame.empty()) {
    frame.resize(std::max<ULONG>(type->lSampleSize, 1));
    for (size_t i = 0; i < frame.size(); ++i)
      frame[i] = static_cast<BYTE>(i);
  }
  stream_ = AddPin(std::make_unique<FrameStream>(this, std::move(type), std::move(frame)));
}

// ---- CapturingRenderer -----------------------------------------------------------------------

CapturingRenderer::CapturingRenderer(std::vector<GUID> subtypes)
    : CBaseRenderer(GUID_NULL), subtypes_(std::move(subtypes)) {}

HRESULT CapturingRenderer::CheckMediaType(const AM_MEDIA_TYPE* mediaType) {
  if (subtypes_.empty()) return S_OK;
  const bool listed =
      std::find(subtypes_.begin(), subtypes_.end(), mediaType->subtype) != subtypes_.end();
  return listed ? S_OK : S_FALSE;
}

HRESULT CapturingRenderer::GetMediaType(int /*position*/, MediaType* /*mediaType*/) {
  return VFW_S_NO_MORE_ITEMS;
}

HRESULT CapturingRenderer::DoRenderSample(IMediaSample* sample) {
  BYTE* data = nullptr;
  sample->GetPointer(&data);
  REFERENCE_TIME start = 0;
  REFERENCE_TIME stop = 0;
  std::unique_lock lock(lock_);
  ++samples_;
  last_.assign(data, data + sample->GetActualDataLength());
  lastHadTimes_ = SUCCEEDED(sample->GetTime(&start, &stop));
  waiting_ = held_;
  released_.wait(lock, [this] { return !held_; });
  waiting_ = false;
  return S_OK;
}

void CapturingRenderer::Hold() {
  std::lock_guard lock(lock_);
  held_ = true;
}

void CapturingRenderer::Unhold() {
  {
    std::lock_guard lock(lock_);
    held_ = false;
  }
  released_.notify_all();
}

int CapturingRenderer::Samples() {
  std::lock_guard lock(lock_);
  return samples_;
}

std::vector<BYTE> CapturingRenderer::LastFrame() {
  std::lock_guard lock(lock_);
  return last_;
}

bool CapturingRenderer::LastHadTimes() {
  std::lock_guard lock(lock_);
  return lastHadTimes_;
}

bool CapturingRenderer::Waiting() {
  std::lock_guard lock(lock_);
  return waiting_;
}

// ---- Connections and states ------------------------------------------------------------------

ComPtr<IPin> PinOf(IBaseFilter* filter, PIN_DIRECTION direction, int index) {
  ComPtr<IEnumPins> pins;
  if (FAILED(filter->EnumPins(pins.ReleaseAndGetAddressOf()))) return nullptr;
  IPin* pin = nullptr;
  ULONG fetched = 0;
  while (pins->Next(1, &pin, &fetched) == S_OK) {
    ComPtr<IPin> owned = ComPtr<IPin>::Adopt(pin);
    PIN_DIRECTION found = PINDIR_INPUT;
    owned->QueryDirection(&found);
    if (found == direction && index-- == 0) return owned;
  }
  return nullptr;
}

namespace {

ComPtr<IPin> FreePin(IBaseFilter* filter, PIN_DIRECTION direction) {
  for (int i = 0;; ++i) {
    ComPtr<IPin> pin = PinOf(filter, direction, i);
    if (!pin) return nullptr;
    ComPtr<IPin> peer;
    if (pin->ConnectedTo(peer.ReleaseAndGetAddressOf()) == VFW_E_NOT_CONNECTED) return pin;
  }
}

}  // namespace

HRESULT ConnectFilters(IBaseFilter* from, IBaseFilter* to, const AM_MEDIA_TYPE* type) {
  const ComPtr<IPin> output = FreePin(from, PINDIR_OUTPUT);
  const ComPtr<IPin> input = FreePin(to, PINDIR_INPUT);
  if (!output || !input) return VFW_E_NOT_FOUND;
  return output->Connect(input.Get(), type);
}

void DisconnectAll(IBaseFilter* filter) {
  for (PIN_DIRECTION direction : {PINDIR_INPUT, PINDIR_OUTPUT}) {
    for (int i = 0;; ++i) {
      const ComPtr<IPin> pin = PinOf(filter, direction, i);
      if (!pin) break;
      ComPtr<IPin> peer;
      if (SUCCEEDED(pin->ConnectedTo(peer.ReleaseAndGetAddressOf()))) peer->Disconnect();
      pin->Disconnect();
    }
  }
}

FilterChain::FilterChain() : graph_(MakeComObject<EventGraph>()) {}

FilterChain::~FilterChain() {
  Stop();
  for (const auto& filter : filters_) {
    DisconnectAll(filter.Get());
    graph_->RemoveFilter(filter.Get());
  }
}

void FilterChain::Add(IBaseFilter* filter, const char* name) {
  graph_->AddFilter(filter, name);
  filters_.emplace_back(filter);
}

HRESULT FilterChain::Pause() {
  HRESULT result = S_OK;
  for (auto it = filters_.rbegin(); it != filters_.rend(); ++it) {
    const HRESULT hr = (*it)->Pause();
    if (FAILED(hr)) return hr;
    if (hr != S_OK) result = hr;
  }
  return result;
}

HRESULT FilterChain::Run() {
  for (auto it = filters_.rbegin(); it != filters_.rend(); ++it) {
    const HRESULT hr = (*it)->Run(0);
    if (FAILED(hr)) return hr;
  }
  return S_OK;
}

HRESULT FilterChain::Stop() {
  HRESULT result = S_OK;
  for (auto it = filters_.rbegin(); it != filters_.rend(); ++it) {
    const HRESULT hr = (*it)->Stop();
    if (FAILED(hr)) result = hr;
  }
  return result;
}

}  // namespace filter_test

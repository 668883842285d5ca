#include "PlaybackTestSupport.h"

#include "dshow/Uuids.h"

namespace filter_test {

CountingRenderer::CountingRenderer(std::vector<GUID> subtypes)
    : CBaseRenderer(CLSID_NullRenderer), subtypes_(std::move(subtypes)) {}

HRESULT CountingRenderer::CheckMediaType(const AM_MEDIA_TYPE* mediaType) {
  if (mediaType == nullptr) return E_POINTER;
  for (const GUID& subtype : subtypes_) {
    if (mediaType->subtype == subtype) return S_OK;
  }
  return VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT CountingRenderer::DoRenderSample(IMediaSample* sample) {
  REFERENCE_TIME start = 0;
  REFERENCE_TIME stop = 0;
  const bool timed = SUCCEEDED(sample->GetTime(&start, &stop));
  std::lock_guard lock(lock_);
  ++samples_;
  bytes_ += sample->GetActualDataLength();
  if (timed && firstStart_ < 0) firstStart_ = start;
  if (timed) lastStop_ = stop;
  return S_OK;
}

int CountingRenderer::Samples() {
  std::lock_guard lock(lock_);
  return samples_;
}

int64_t CountingRenderer::Bytes() {
  std::lock_guard lock(lock_);
  return bytes_;
}

REFERENCE_TIME CountingRenderer::FirstStart() {
  std::lock_guard lock(lock_);
  return firstStart_;
}

REFERENCE_TIME CountingRenderer::LastStop() {
  std::lock_guard lock(lock_);
  return lastStop_;
}

void CountingRenderer::Reset() {
  std::lock_guard lock(lock_);
  samples_ = 0;
  bytes_ = 0;
  firstStart_ = -1;
  lastStop_ = 0;
}

HRESULT PlayToEnd(IGraphBuilder* graph) {
  ComPtr<IMediaControl> control;
  ComPtr<IMediaEvent> events;
  if (FAILED(graph->QueryInterface(IID_IMediaControl, control.ReleaseAndGetVoidAddress())) ||
      FAILED(graph->QueryInterface(IID_IMediaEvent, events.ReleaseAndGetVoidAddress()))) {
    return E_NOINTERFACE;
  }
  HRESULT hr = control->Run();
  if (FAILED(hr)) return hr;
  LONG code = 0;
  hr = events->WaitForCompletion(20000, &code);
  (void)control->Stop();  // the result is the completion's
  if (FAILED(hr)) return hr;
  return code == EC_COMPLETE ? S_OK : E_FAIL;
}

}  // namespace filter_test

#include "BenchGraph.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstring>
#include <utility>

#include "dshow/Uuids.h"
#include "dshow/VideoMediaType.h"
#include "dshow/graph/PinQueries.h"

namespace bench {

BenchStream::BenchStream(CSource* source, MediaType frameType)
    : CSourceStream(source, "Out"), frameType_(std::move(frameType)) {}

HRESULT BenchStream::CheckMediaType(const AM_MEDIA_TYPE* mediaType) {
  return IsEqualMediaType(*mediaType, frameType_.Get()) ? S_OK : S_FALSE;
}

HRESULT BenchStream::GetMediaType(int position, MediaType* mediaType) {
  if (position != 0) return VFW_S_NO_MORE_ITEMS;
  *mediaType = frameType_;
  return S_OK;
}

HRESULT BenchStream::DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) {
  ALLOCATOR_PROPERTIES wanted = *request;
  wanted.cBuffers = std::max<LONG>(wanted.cBuffers, 3);
  wanted.cbBuffer = std::max<LONG>(wanted.cbBuffer, static_cast<LONG>(frameType_->lSampleSize));
  ALLOCATOR_PROPERTIES actual;
  return allocator->SetProperties(&wanted, &actual);
}

HRESULT BenchStream::FillBuffer(IMediaSample* sample) {
  if (remaining_ == 0) return S_FALSE;
  --remaining_;
  BYTE* data = nullptr;
  sample->GetPointer(&data);
  if (!pictures_.empty()) {
    const std::vector<BYTE>& picture = pictures_[next_++ % pictures_.size()];
    std::memcpy(data, picture.data(),
                std::min<std::size_t>(picture.size(), frameType_->lSampleSize));
    return sample->SetActualDataLength(static_cast<LONG>(frameType_->lSampleSize));
  }
  data[0] = static_cast<BYTE>(remaining_);  // the picture itself stays what the pool holds
  return sample->SetActualDataLength(static_cast<LONG>(frameType_->lSampleSize));
}

BenchSource::BenchSource(MediaType frameType) : CSource(GUID_NULL) {
  stream_ = AddPin(std::make_unique<BenchStream>(this, std::move(frameType)));
}

BenchGraph::BenchGraph(MediaType frameType)
    : source_(MakeComObject<BenchSource>(std::move(frameType))) {}

bool BenchGraph::Create() {
  if (FAILED(CoCreateInstance(CLSID_FilterGraph, &graph_)) ||
      FAILED(CoCreateInstance(CLSID_NullRenderer, &renderer_))) {
    return false;
  }
  control_ = graph_.As<IMediaControl>();
  events_ = graph_.As<IMediaEvent>();
  return control_ && events_;
}

bool BenchGraph::Insert(IBaseFilter* filter, const char* name) {
  graph_->AddFilter(source_.Get(), "source");
  graph_->AddFilter(filter, name);
  graph_->AddFilter(renderer_.Get(), "null renderer");
  return SUCCEEDED(graph_->Connect(dshow::FirstFreePin(source_.Get(), PINDIR_OUTPUT).Get(),
                                   dshow::FirstFreePin(filter, PINDIR_INPUT).Get())) &&
         SUCCEEDED(graph_->Connect(dshow::FirstFreePin(filter, PINDIR_OUTPUT).Get(),
                                   dshow::FirstFreePin(renderer_.Get(), PINDIR_INPUT).Get()));
}

bool BenchGraph::InsertSink(IBaseFilter* filter, const char* name) {
  graph_->AddFilter(source_.Get(), "source");
  graph_->AddFilter(filter, name);
  return SUCCEEDED(graph_->Connect(dshow::FirstFreePin(source_.Get(), PINDIR_OUTPUT).Get(),
                                   dshow::FirstFreePin(filter, PINDIR_INPUT).Get()));
}

void BenchGraph::RunBatch(int frames) {
  source_->Stream()->SetFrames(frames);
  control_->Run();
  LONG code = 0;
  events_->WaitForCompletion(-1, &code);
  control_->Stop();
}

int RunBenchmarks(int argc, char** argv) {
  CoInitialize(nullptr);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
    CoUninitialize();
    return 1;
  }
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  CoUninitialize();
  return 0;
}

}  // namespace bench

#pragma once
// Support for the benchmarks that push frames through a filter graph: a source that delivers a
// set number of frames as fast as downstream takes them, a graph of that source, one filter under
// test and a null renderer (or a filter that is its own sink), and a main that brings the object
// runtime up around the benchmarks. Everything here runs on the benchmark's own thread unless a
// member says otherwise.

#include <vector>

#include "com/Com.h"
#include "dshow/GraphInterfaces.h"
#include "dshow/base/Source.h"

namespace bench {

// Delivers the frames of one media type, then ends the stream.
class BenchStream final : public CSourceStream {
 public:
  BenchStream(CSource* source, MediaType frameType);

  HRESULT CheckMediaType(const AM_MEDIA_TYPE* mediaType) override;
  HRESULT GetMediaType(int position, MediaType* mediaType) override;
  HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) override;

  // While the graph is stopped.
  void SetFrames(int frames) { remaining_ = frames; }
  // While the graph is stopped: frames are copies of these pictures in turn (each the frame
  // type's size) instead of what the buffer pool holds.
  void SetPictures(std::vector<std::vector<BYTE>> pictures) { pictures_ = std::move(pictures); }

 protected:
  HRESULT FillBuffer(IMediaSample* sample) override;

 private:
  const MediaType frameType_;
  int remaining_ = 0;                        // set while stopped, then the stream thread's
  std::vector<std::vector<BYTE>> pictures_;  // set while stopped
  std::size_t next_ = 0;                     // the stream thread's
};

class BenchSource final : public CSource {
 public:
  explicit BenchSource(MediaType frameType);
  BenchStream* Stream() { return stream_; }

 private:
  BenchStream* stream_;
};

// The source, the filter under test and a null renderer, connected in a filter graph.
class BenchGraph {
 public:
  explicit BenchGraph(MediaType frameType);

  // Creates the graph and the null renderer; false when their classes are missing.
  bool Create();
  // Adds the filter and connects source -> filter -> null renderer; false when they do not connect.
  bool Insert(IBaseFilter* filter, const char* name);
  // Adds a filter that ends the stream itself (a multiplexer writing a file) and connects
  // source -> filter; false when they do not connect.
  bool InsertSink(IBaseFilter* filter, const char* name);
  // Runs the graph until the source has delivered the frames and the stream has ended, then
  // stops it.
  void RunBatch(int frames);
  BenchStream* Stream() { return source_->Stream(); }

 private:
  ComPtr<BenchSource> source_;
  ComPtr<IGraphBuilder> graph_;
  ComPtr<IBaseFilter> renderer_;
  ComPtr<IMediaControl> control_;
  ComPtr<IMediaEvent> events_;
};

// Runs the benchmarks the command line selects between CoInitialize and CoUninitialize; the
// process's exit code.
int RunBenchmarks(int argc, char** argv);

}  // namespace bench

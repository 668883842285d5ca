#pragma once
// What the playback tests share: a renderer that counts what it receives, and a graph built
// around a media file with counting renderers behind the decoders.

#include <mutex>
#include <string>
#include <vector>

#include "com/Com.h"
#include "dshow/GraphInterfaces.h"
#include "dshow/base/BaseRenderer.h"

namespace filter_test {

// Takes the listed subtypes and counts samples, their bytes and the first and last times.
class CountingRenderer final : public CBaseRenderer {
 public:
  explicit CountingRenderer(std::vector<GUID> subtypes);

  HRESULT CheckMediaType(const AM_MEDIA_TYPE* mediaType) override;
  HRESULT DoRenderSample(IMediaSample* sample) override;

  int Samples();
  int64_t Bytes();
  REFERENCE_TIME FirstStart();
  REFERENCE_TIME LastStop();
  void Reset();

 private:
  const std::vector<GUID> subtypes_;
  std::mutex lock_;
  int samples_ = 0;
  int64_t bytes_ = 0;
  REFERENCE_TIME firstStart_ = -1;
  REFERENCE_TIME lastStop_ = 0;
};

// Runs the graph until it completes (or the deadline) and stops it; the completion result.
HRESULT PlayToEnd(IGraphBuilder* graph);

}  // namespace filter_test

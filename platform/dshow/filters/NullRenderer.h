#pragma once
// The null renderer: takes samples of any type and discards them. It ends streams that nobody
// needs to see (a grabber's output, a device pin that must be connected to run).

#include "dshow/Uuids.h"
#include "dshow/base/BaseRenderer.h"

class NullRenderer final : public CBaseRenderer {
 public:
  NullRenderer() : CBaseRenderer(CLSID_NullRenderer) {}

  HRESULT CheckMediaType(const AM_MEDIA_TYPE* mediaType) override {
    return mediaType != nullptr ? S_OK : E_POINTER;
  }
  HRESULT DoRenderSample(IMediaSample* /*sample*/) override { return S_OK; }
};

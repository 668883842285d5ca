#include "rudozav/graph/PinConnection.h"

#include <cstring>

#include "dshow/DShow.h"
#include "rudozav/RudOzav.h"
#include "rudozav/core/ComponentState.h"

namespace {

// The picture size of a connection whose format is a video info header of either kind.
bool ConnectedPictureSize(IPin* pin, int& width, int& height) {
  AM_MEDIA_TYPE mediaType{};
  if (FAILED(pin->ConnectionMediaType(&mediaType))) return false;
  const BITMAPINFOHEADER* header = nullptr;
  if (mediaType.formattype == FORMAT_VideoInfo && mediaType.pbFormat != nullptr &&
      mediaType.cbFormat >= sizeof(VIDEOINFOHEADER)) {
    header = &reinterpret_cast<const VIDEOINFOHEADER*>(mediaType.pbFormat)->bmiHeader;
  } else if (mediaType.formattype == FORMAT_VideoInfo2 && mediaType.pbFormat != nullptr &&
             mediaType.cbFormat >= sizeof(VIDEOINFOHEADER2)) {
    header = &reinterpret_cast<const VIDEOINFOHEADER2*>(mediaType.pbFormat)->bmiHeader;
  }
  if (header != nullptr) {
    width = header->biWidth;
    height = header->biHeight;
  }
  FreeMediaType(mediaType);
  return header != nullptr;
}

}  // namespace

bool ConnectPins(TRavorOderiri& component, IPin* output, IPin* input) {
  TRavorOdeririState& state = component.State();
  if (!state.graph->filterGraph || output == nullptr || input == nullptr) return false;
  const HRESULT hr = state.graph->filterGraph->Connect(output, input);
  if (hr != S_OK && hr != VFW_S_PARTIAL_RENDER) return false;
  if (state.graph->recordConnectedSize) {
    int width = 0;
    int height = 0;
    if (ConnectedPictureSize(output, width, height)) {
      state.graph->connectedVideoWidth = width;
      state.graph->connectedVideoHeight = height;
    }
    state.graph->recordConnectedSize = false;  // one-shot, whatever the format was
  }
  return true;
}

bool ConnectToFreeInputGetPin(TRavorOderiri& component, ComPtr<IPin>& pin, IBaseFilter* filter,
                              ComPtr<IPin>& input) {
  input.Reset();
  const ComPtr<ICaptureGraphBuilder2>& builder = component.State().graph->captureBuilder;
  if (!pin || filter == nullptr || !builder) return false;
  if (FAILED(builder->FindPin(filter, PINDIR_INPUT, nullptr, nullptr, TRUE, 0,
                              input.ReleaseAndGetAddressOf())) ||
      !input) {
    return false;
  }
  if (!ConnectPins(component, pin.Get(), input.Get())) {
    input.Reset();
    return false;
  }
  pin.Reset();
  return true;
}

bool ConnectToFreeInput(TRavorOderiri& component, ComPtr<IPin>& pin, IBaseFilter* filter) {
  ComPtr<IPin> input;
  return ConnectToFreeInputGetPin(component, pin, filter, input);
}

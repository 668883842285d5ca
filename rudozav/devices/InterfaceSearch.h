#pragma once
// Searches of the capture graph builder with typed results: an interface on or around a filter,
// and an output pin by category and media type. UI thread only.

#include "com/ComPtr.h"
#include "dshow/DShow.h"

// FindInterface(category, type, filter) for T; empty when not found or without a builder.
template <class T>
ComPtr<T> FindDeviceInterface(ICaptureGraphBuilder2* builder, const GUID* category,
                              const GUID* type, IBaseFilter* filter) {
  ComPtr<T> found;
  if (builder == nullptr || filter == nullptr) return found;
  if (FAILED(builder->FindInterface(category, type, filter, IidOf<T>(),
                                    found.ReleaseAndGetVoidAddress()))) {
    found.Reset();
  }
  return found;
}

// The first output pin of filter with category and type (null: any); empty when none.
inline ComPtr<IPin> FindOutputPin(ICaptureGraphBuilder2* builder, IBaseFilter* filter,
                                  const GUID* category, const GUID* type, bool unconnectedOnly) {
  ComPtr<IPin> pin;
  if (builder == nullptr || filter == nullptr) return pin;
  if (FAILED(builder->FindPin(filter, PINDIR_OUTPUT, category, type, unconnectedOnly ? TRUE : FALSE,
                              0, pin.ReleaseAndGetAddressOf()))) {
    pin.Reset();
  }
  return pin;
}

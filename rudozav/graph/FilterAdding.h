#pragma once
// Adding a filter to the component's graph under a readable name and finding the pins the chain
// goes on from. Each out variable is cleared on entry, so a caller may release them whatever the
// result. The log lines carry the primitive's name. UI thread only.

#include <string>

#include "com/ComPtr.h"
#include "dshow/FilterInterfaces.h"

class TRavorOderiri;

// Adds filter to the component's graph under name; a failure is reported as "rejected: " + name.
bool AddNamedFilter(TRavorOderiri& component, IBaseFilter* filter, const std::string& name);

// Creates the filter of clsid, adds it under name (only S_OK counts: a name already taken fails)
// and finds its first input pin.
bool AddFilterGetInput(TRavorOderiri& component, REFCLSID clsid, const std::string& name,
                       ComPtr<IBaseFilter>& filter, ComPtr<IPin>& input);

// AddFilterGetInput for the video renderer: the video mixing renderer, or the plain video
// renderer when that cannot be created.
bool AddVideoRendererGetInput(TRavorOderiri& component, const std::string& name,
                              ComPtr<IBaseFilter>& filter, ComPtr<IPin>& input);

// AddFilterGetInput, then the filter's first output pin.
bool AddFilterGetInputOutput(TRavorOderiri& component, REFCLSID clsid, const std::string& name,
                             ComPtr<IBaseFilter>& filter, ComPtr<IPin>& input,
                             ComPtr<IPin>& output);

// For a filter with two outputs (a tee): its first unconnected input and first and second
// unconnected outputs. Writes no line on success.
bool AddFilterGetInput2Outputs(TRavorOderiri& component, REFCLSID clsid, const std::string& name,
                               ComPtr<IBaseFilter>& filter, ComPtr<IPin>& input,
                               ComPtr<IPin>& firstOutput, ComPtr<IPin>& secondOutput);

#pragma once
// Placing filters behind the current pin, the output pin at which the chain under construction
// ends. Each primitive returns false at once, adding nothing, when the current pin is empty. One
// that extends the chain leaves its filter's output pin in the variable; one that ends the chain
// leaves it empty. After a failure the variable keeps its pin (InsertFilter2 excepted) and the
// half-built graph stays for the caller to clear. UI thread only.

#include <string>

#include "com/ComPtr.h"
#include "dshow/FilterInterfaces.h"

class TRavorOderiri;

// A filter with one input and one output, placed behind pin.
bool InsertFilterInline(TRavorOderiri& component, REFCLSID clsid, const std::string& name,
                        ComPtr<IPin>& pin, ComPtr<IBaseFilter>& filter);

// As InsertFilterInline, with the filter's saved property state restored from the registry key
// at keyPath before it is connected (no saved state: the filter keeps its defaults).
bool InsertFilterAndRestoreState(TRavorOderiri& component, REFCLSID clsid, const std::string& name,
                                 ComPtr<IPin>& pin, const std::string& keyPath);

// A filter with one input and two outputs behind pin, which is taken over at once (empty
// afterwards, whatever the result). The outputs are its first and second unconnected ones (for
// the Smart Tee: capture, then preview).
bool InsertFilter2(TRavorOderiri& component, REFCLSID clsid, const std::string& name,
                   ComPtr<IPin>& pin, ComPtr<IPin>& firstOutput, ComPtr<IPin>& secondOutput);

// A filter connected behind pin that ends the chain.
bool InsertFilter(TRavorOderiri& component, REFCLSID clsid, const std::string& name,
                  ComPtr<IPin>& pin, ComPtr<IBaseFilter>& filter);

// A filter already in the graph, placed behind pin through its unconnected input and output.
bool InsertExistingFilter(TRavorOderiri& component, IBaseFilter* filter, ComPtr<IPin>& pin);

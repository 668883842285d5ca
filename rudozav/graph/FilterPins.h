#pragma once
// Questions about a filter's pins and the filters of a graph. UI thread only.

#include "com/ComPtr.h"
#include "com/Guid.h"
#include "dshow/FilterInterfaces.h"

struct TPinCount {
  int Inputs = 0;
  int Outputs = 0;
};

// The numbers of input and output pins of filter.
TPinCount CountPins(IBaseFilter* filter);

// The index-th pin (from 0) of direction, in the filter's enumeration order; empty when there is
// none.
ComPtr<IPin> GetPinByDirection(IBaseFilter* filter, PIN_DIRECTION direction, int index);

// The first filter of graph with exactly one input and no output pin whose input is connected
// with a media type of majorType; empty when there is none.
ComPtr<IBaseFilter> FindRendererByMediaType(IFilterGraph* graph, const GUID& majorType);

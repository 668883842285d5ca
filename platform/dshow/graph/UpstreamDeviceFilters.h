#pragma once
// A capture filter whose crossbars and tuners are filters of their own, upstream of it, offers
// this: the capture graph builder calls AddUpstreamFilters before it searches upstream of the
// filter or renders from it, and the filter adds those filters to the graph and connects them to
// its inputs. Calling it again when they are in place changes nothing.
//
// Application thread.

#include "dshow/GraphInterfaces.h"

struct IUpstreamDeviceFilters : IUnknown {
  static constexpr IID iid = MakeGuid("B0E3F6C2-51A4-4E1D-9C57-2F8A6D41E903");
  virtual HRESULT AddUpstreamFilters(IGraphBuilder* graph) = 0;
};

inline constexpr IID IID_IUpstreamDeviceFilters = IUpstreamDeviceFilters::iid;

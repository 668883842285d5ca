// Ending one graph's state.

#include "rudozav/core/GraphState.h"

#include <vector>

#include "rudozav/devices/CrossbarTree.h"
#include "rudozav/graph/RendererWindows.h"

TGraphState::~TGraphState() {
  frameThread.reset();
  activeRenderer = nullptr;
  ReleaseRenderer(videoRenderer);
  ReleaseRenderer(overlayRenderer);
  if (!filterGraph) return;
  // Filters leave the graph before it goes, so that none keeps a reference to it.
  ComPtr<IEnumFilters> filters;
  if (FAILED(filterGraph->EnumFilters(filters.ReleaseAndGetAddressOf())) || !filters) return;
  std::vector<ComPtr<IBaseFilter>> all;
  for (;;) {
    ComPtr<IBaseFilter> filter;
    if (filters->Next(1, filter.ReleaseAndGetAddressOf(), nullptr) != S_OK || !filter) break;
    all.push_back(filter);
  }
  for (const ComPtr<IBaseFilter>& filter : all)
    filterGraph->RemoveFilter(filter.Get());
}

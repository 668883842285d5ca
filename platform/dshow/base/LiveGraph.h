#pragma once
// Whether the graph streams from a live source (one that answered VFW_S_CANT_CUE when paused).
// Renderers ask at Run: a live stream is rendered as it arrives, never held for its time stamp.
// Implemented by the filter graph; called from the application's thread.

#include "com/ComPtr.h"

struct ILiveGraph : IUnknown {
  static constexpr IID iid = MakeGuid("E3AD2C6C-65DE-4586-91E8-F4154AD035D8");
  virtual BOOL IsLive() = 0;
};

inline constexpr IID IID_ILiveGraph = ILiveGraph::iid;

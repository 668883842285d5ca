#pragma once
// A renderer of the component's graph and its window: one record for the video renderer and one
// for the overlay renderer. UI thread only.

#include "com/ComPtr.h"
#include "dshow/FilterInterfaces.h"
#include "dshow/WindowInterfaces.h"
#include "ui/Message.h"

struct TRenderer {
  ComPtr<IBaseFilter> Filter;  // the video mixing renderer, or the video renderer without it
  ComPtr<IVideoWindow> VideoWindow;
  ComPtr<IBasicVideo> BasicVideo;
  int SourceWidth = 0;  // read after the graph is built; 0 until then
  int SourceHeight = 0;
  HWND Window = nullptr;  // the renderer's own window, found by its caption
};

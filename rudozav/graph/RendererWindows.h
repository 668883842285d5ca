#pragma once
// The renderers' windows: adopting a renderer's window, releasing a renderer, ending a device
// stream in a hidden renderer and passing the component's window messages on to the renderers.
// UI thread only.

#include <string>

#include "com/Guid.h"
#include "rudozav/graph/Renderer.h"
#include "ui/Message.h"

class TRavorOderiri;

// What the search among the top-level windows looks for and what it found.
struct TWindowSearch {
  std::string Caption;
  HWND Found = nullptr;
};

// The first top-level window whose caption is exactly caption; null when there is none.
HWND FindTopLevelWindow(const std::string& caption);

// Adopts the window of record's filter: input goes to the component, the caption becomes name,
// the window does not show itself, the window is found by that caption and loses its caption
// bits. Reads the source size (0 when the filter has no IBasicVideo). Nothing without a filter.
void SetupRendererWindow(TRavorOderiri& component, const std::string& name, TRenderer& record);

// Releases record's interfaces (the source size becomes 1 by 1) and closes its window.
void ReleaseRenderer(TRenderer& record);

// Ends a stream of the video capture filter in a video renderer that never shows itself, so that
// the graph can run. The stream is the first unconnected output of category and the stream major
// type; with no category the video port, preview and capture categories are tried in turn.
bool InsertNonVisibleRenderer(TRavorOderiri& component, const GUID* category);

// Whether the component passes msg on to its renderers after handling it itself.
bool IsRendererNotification(UINT msg);
// Hands message to each renderer that has a window control, the video renderer first.
void ForwardToRenderers(TRavorOderiri& component, const ui::Message& message);

#pragma once
// The tree of routes from the capture filter's input through chained crossbars to the physical
// connectors, and routing a whole route at once so that a video input's audio companion follows
// it on every crossbar of the way. UI thread only.

#include <memory>

#include "com/ComPtr.h"
#include "dshow/DShow.h"
#include "rudozav/devices/Crossbar.h"

// The n-th pin (from 0) of filter with direction; empty when there is none.
ComPtr<IPin> GetFilterPin(IBaseFilter* filter, PIN_DIRECTION direction, int n);

// Every route that leads from startPin (the capture filter's first input pin) upstream through
// crossbars to an unconnected crossbar input, over video inputs the crossbars can route. Pins
// whose queries fail are skipped; without a crossbar upstream the tree is empty. Never null.
std::unique_ptr<TCrossbarTree> BuildCrossbarTree(IPin* startPin);

// Routes the route that starts at step stepIndex, each step with its related (audio) pins, and
// makes it the tree's current one. False when stepIndex is out of range or no related route
// succeeded.
bool SelectRoute(TCrossbarTree& tree, int stepIndex);

// Selects the first route whose step takes an input of the physical type routed to output 0 of
// videoCrossbar. Nothing happens when a query fails or no step matches.
void RouteRelatedPins(TCrossbarTree& tree, IAMCrossbar* videoCrossbar);

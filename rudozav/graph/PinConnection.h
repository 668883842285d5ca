#pragma once
// Connecting pins of the component's graph, and recording the video size of the connection that
// the graph builders mark (RecordConnectedSize). UI thread only.

#include "com/ComPtr.h"
#include "dshow/FilterInterfaces.h"

class TRavorOderiri;

// Intelligent connect of output to input (converters may be put between them). Success is S_OK
// or VFW_S_PARTIAL_RENDER. After a success, when the component's RecordConnectedSize is set, the
// output's connected video size becomes ConnectedVideoWidth/Height and the flag is cleared.
bool ConnectPins(TRavorOderiri& component, IPin* output, IPin* input);

// Connects pin to the first unconnected input pin of filter and, on success, releases pin.
bool ConnectToFreeInput(TRavorOderiri& component, ComPtr<IPin>& pin, IBaseFilter* filter);
// The same, also handing out the input pin it used.
bool ConnectToFreeInputGetPin(TRavorOderiri& component, ComPtr<IPin>& pin, IBaseFilter* filter,
                              ComPtr<IPin>& input);

#pragma once
// Steps the preview, capture and player graphs share. UI thread only.

#include "com/ComPtr.h"
#include "dshow/FilterInterfaces.h"

class TRavorOderiri;
struct TRavorOdeririState;

// The first unconnected output pin of filter with category and major type (null category: any);
// empty when there is none.
ComPtr<IPin> FindUnconnectedPin(TRavorOdeririState& state, IBaseFilter* filter,
                                const GUID* category, const GUID& majorType);

// The dropped-frame counter of the capture pin, for frame counting; its absence is only noted.
void FindDroppedFramesInterface(TRavorOderiri& component);

// Whether the graph under construction wants frame events only a frame notifier can give: frame
// counting by frame events, or time code read at frame events from a reader the device has.
bool FrameNotifierWanted(const TRavorOderiri& component);

// The grabber chain behind pin: the raw frame grabber, the deinterlacer, the frame grabber, and
// the frame notifier when frame events are wanted and no grabber gives them, as the properties
// ask. The last grabber inserted becomes the active record; pin ends at the last filter's output.
// False on the first insertion that fails (a missing outside deinterlacer is only reported).
bool InsertPreviewGrabbers(TRavorOderiri& component, ComPtr<IPin>& pin);

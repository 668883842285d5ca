#pragma once
// Probing a video device once: its pins, its control interfaces and its formats become the
// capability flags and lists of the component's settings table. UI thread only.
//
// The component's own steps around it (TRavorOderiri::DiscoverSelectedDevice, BuildBaseGraph and
// CaptureDeviceState) are members; these are the parts they share.

#include "dshow/DShow.h"

class TRavorOderiri;
struct TRavorOdeririState;

// Probes the current video device in a graph of its own, which is cleared again; false when the
// device cannot be bound. Fires OnDiscoveringNewDevice before and after.
bool DiscoverDevice(TRavorOderiri& component);

// MEDIATYPE_Interleaved when the capture filter has an unconnected interleaved capture pin,
// MEDIATYPE_Video otherwise.
GUID StreamMajorTypeOf(ICaptureGraphBuilder2* builder, IBaseFilter* captureFilter);

#pragma once
// Placing one of the component's own grabber filters behind the current pin, set up for its role
// before any of its pins connects. UI thread only.

#include <string>

#include "com/ComPtr.h"
#include "dshow/FilterInterfaces.h"
#include "filters/common/GrabberControl.h"

class TRavorOderiri;

// As InsertFilterInline, with the filter's control record handed out in record (null until the
// filter answered) and its Mode, CopyFrames, CheckInputFormat and RequiredSubtype written before
// the connection. A filter without IGrabberControl fails the insertion without a line of its own.
// requiredSubtype must outlive the filter (a constant).
bool InsertFilter1grabber(TRavorOderiri& component, REFCLSID clsid, const std::string& name,
                          ComPtr<IPin>& pin, TGrabberControl*& record, LONG mode, BYTE copyFrames,
                          BYTE checkInputFormat, const GUID* requiredSubtype);

#pragma once
// Ending the chain at the current pin in a renderer. UI thread only.

#include <string>

#include "com/ComPtr.h"
#include "dshow/FilterInterfaces.h"
#include "rudozav/graph/Renderer.h"

class TRavorOderiri;

// Adds a video renderer under name into record and connects pin to it; when the intelligent
// connect fails, tries once more directly with the RGB type of the screen's depth. On success pin
// is released. On failure the renderer leaves the graph and the record, "DirectX acceleration
// disabled" is reported when report is set, and pin is kept. A screen depth without a matching
// RGB type (other than 16, 24 or 32 bits) fails without the retry.
bool InsertRenderer(TRavorOderiri& component, ComPtr<IPin>& pin, const std::string& name,
                    TRenderer& record, bool report);

// The same with the audio renderer, kept in renderer.
bool InsertRenderer(TRavorOderiri& component, ComPtr<IPin>& pin, const std::string& name,
                    ComPtr<IBaseFilter>& renderer, bool report);

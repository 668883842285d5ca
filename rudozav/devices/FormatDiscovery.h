#pragma once
// The size and subtype lists of the current video device: probed once from its capture pin and
// kept in its registry key, and read back on later selections. UI thread only.

#include <functional>
#include <string>
#include <vector>

class TRavorOderiri;

// Rebuilds both lists from the capture pin of the graph's video capture filter, sets IsDVDevice
// for a DV subtype and writes the lists to the device's key.
void DiscoverFormats(TRavorOderiri& component);
// Reads both lists from the device's key.
void LoadFormatLists(TRavorOderiri& component);

// The sizes one media type of width x height is tried at, within the bounds: for each starting
// size, series that halve and double it, each series ending at a bound or at a zero side. test is
// called for every size in order, repeats included.
void SearchSizes(int width, int height, int minWidth, int minHeight, int maxWidth, int maxHeight,
                 const std::function<void(int, int)>& test);

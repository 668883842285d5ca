#pragma once
// The crossbars of a capture card as the component keeps them per graph: the pin lists of the
// video and the audio crossbar, the records of the tree of routes from the capture filter's input
// to the physical connectors (built in CrossbarTree.h), and listing the video inputs for the user.
// UI thread only.

#include <string>
#include <vector>

#include "com/ComPtr.h"
#include "dshow/DShow.h"

// One crossbar's pins: counts and one line per input and output pin ("Composite, related 5";
// outputs add ", routed to 1"). Only the counts are consulted; the lines help when debugging.
struct TCrossbar {
  ComPtr<IAMCrossbar> Crossbar;
  LONG InputCount = 0;
  LONG OutputCount = 0;
  std::vector<std::string> InputPins;
  std::vector<std::string> OutputPins;
};

// One step of a route through one crossbar.
struct TRouting {
  ComPtr<IAMCrossbar> Crossbar;
  LONG InputIndex = 0;
  LONG OutputIndex = 0;
  LONG RelatedInputIndex = -1;
  LONG RelatedOutputIndex = -1;
  LONG InputPinType = 0;
  LONG OutputPinType = 0;
  int Depth = 0;
};

// The saved routes of a device with two chained crossbars. The steps of one route are
// consecutive, from the upstream-most crossbar down to the one next to the capture filter, so a
// route's first step carries its depth and the route has depth + 1 steps.
struct TCrossbarTree {
  ComPtr<IPin> StartPin;
  std::vector<TRouting> Steps;
  int Current = 0;
};

// Physical connector types below 0x1000 are video connectors, the others audio connectors.
inline bool IsVideoPinType(LONG physicalType) {
  return physicalType < 0x1000;
}
// The name of a physical connector type; empty for an unknown type.
std::string PinTypeName(LONG physicalType);
// The lines of the crossbar's video inputs ("Composite", "Composite 1" for the second one),
// joined with "\r\n"; empty when no output is a video pin.
std::string ListVideoInputs(IAMCrossbar* crossbar);
// The input routed to output 0; 0 without a crossbar or when the call fails.
int CurrentVideoInput(IAMCrossbar* crossbar);
// Fills pins from crossbar (empties it when crossbar is null).
void LoadCrossbarPins(TCrossbar& pins, IAMCrossbar* crossbar);

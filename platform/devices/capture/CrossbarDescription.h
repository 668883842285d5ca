#pragma once
// What a crossbar is: its input and output pins with their physical connectors and related pins,
// what each output can take, and the routing it starts with. Plain values; the virtual devices
// read them from their JSON descriptions, the V4L2 back-end builds them from the node's inputs.

#include <string>
#include <vector>

#include "dshow/AnalogInterfaces.h"

namespace devices {

struct CrossbarPinDescription {
  LONG physicalType = PhysConn_Video_Composite;
  LONG related = -1;
};

struct CrossbarDescription {
  std::string name;
  std::vector<CrossbarPinDescription> inputs;
  std::vector<CrossbarPinDescription> outputs;
  // Per output, the inputs it can take. Empty: every input of the same medium (video or audio).
  std::vector<std::vector<LONG>> canRoute;
  // Per output, the input routed at start (-1 none). Empty: the first input each output can take.
  std::vector<LONG> routing;
  // Per output, the input of the crossbar downstream it feeds (for the crossbar next to the
  // capture filter: 0 feeds the capture filter's analog input). -1 or missing: unconnected.
  std::vector<LONG> feeds;
};

}  // namespace devices

#pragma once
// One operation queued while the component is busy: its op code and one argument slot of each
// kind. UI thread only.

#include <string>

struct TDeferredOperation {
  int OpCode = 0;
  bool BoolArg = false;
  int IntArg = 0;
  double DoubleArg = 0.0;
  std::string StrArg1;
  std::string StrArg2;
};

#include "dshow/graph/GraphClasses.h"

#include "com/Com.h"
#include "dshow/Uuids.h"
#include "dshow/graph/CaptureGraphBuilder.h"
#include "dshow/graph/FilterGraph.h"
#include "dshow/graph/SystemClock.h"

namespace dshow {

void RegisterGraphClasses() {
  RegisterBuiltInClass(CLSID_FilterGraph, CreatorOf<FilterGraph>());
  RegisterBuiltInClass(CLSID_CaptureGraphBuilder2, CreatorOf<CaptureGraphBuilder>());
  RegisterBuiltInClass(CLSID_SystemClock, CreatorOf<SystemClock>());
}

namespace {

// Registers the classes when the library loads, before any caller can ask for them.
const bool kRegistered = [] {
  RegisterGraphClasses();
  return true;
}();

}  // namespace

}  // namespace dshow

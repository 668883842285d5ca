#include "rudozav/graph/FilterInsertion.h"

#include <utility>

#include "dshow/DShow.h"
#include "rudozav/RudOzav.h"
#include "rudozav/core/ComponentState.h"
#include "rudozav/core/ProcessLog.h"
#include "rudozav/devices/SettingsStore.h"
#include "rudozav/graph/FilterAdding.h"
#include "rudozav/graph/PinConnection.h"

namespace {

bool Fail(const char* line, const std::string& name) {
  WriteProcessLog(line + name);
  return false;
}

std::string FilterName(IBaseFilter* filter) {
  FILTER_INFO info;
  return SUCCEEDED(filter->QueryFilterInfo(&info)) ? info.achName : std::string();
}

bool FindUnconnectedPin(TRavorOderiri& component, IBaseFilter* filter, PIN_DIRECTION direction,
                        ComPtr<IPin>& pin) {
  const ComPtr<ICaptureGraphBuilder2>& builder = component.State().graph->captureBuilder;
  return builder &&
         SUCCEEDED(builder->FindPin(filter, direction, nullptr, nullptr, TRUE, 0,
                                    pin.ReleaseAndGetAddressOf())) &&
         pin;
}

}  // namespace

bool InsertFilterInline(TRavorOderiri& component, REFCLSID clsid, const std::string& name,
                        ComPtr<IPin>& pin, ComPtr<IBaseFilter>& filter) {
  filter.Reset();
  if (!pin) return false;
  ComPtr<IPin> input;
  ComPtr<IPin> output;
  if (!AddFilterGetInputOutput(component, clsid, name, filter, input, output)) return false;
  if (!ConnectPins(component, pin.Get(), input.Get())) {
    return Fail("ERROR: InsertFilterInline cannot connect ", name);
  }
  pin = output;
  return static_cast<bool>(pin);
}

bool InsertFilterAndRestoreState(TRavorOderiri& component, REFCLSID clsid, const std::string& name,
                                 ComPtr<IPin>& pin, const std::string& keyPath) {
  if (!pin) return false;
  ComPtr<IBaseFilter> filter;
  ComPtr<IPin> input;
  ComPtr<IPin> output;
  if (!AddFilterGetInputOutput(component, clsid, name, filter, input, output)) return false;
  // A state that cannot be restored leaves the filter's defaults, which work too.
  (void)RestoreFilterState(filter.Get(), keyPath);
  if (!ConnectPins(component, pin.Get(), input.Get())) {
    return Fail("ERROR: InsertFilterAndRestoreState cannot connect ", name);
  }
  pin = output;
  return true;
}

bool InsertFilter2(TRavorOderiri& component, REFCLSID clsid, const std::string& name,
                   ComPtr<IPin>& pin, ComPtr<IPin>& firstOutput, ComPtr<IPin>& secondOutput) {
  firstOutput.Reset();
  secondOutput.Reset();
  if (!pin) return false;
  const ComPtr<IPin> upstream = std::move(pin);  // the variable is empty from here on
  ComPtr<IBaseFilter> filter;
  ComPtr<IPin> input;
  ComPtr<IPin> first;
  ComPtr<IPin> second;
  if (!AddFilterGetInput2Outputs(component, clsid, name, filter, input, first, second)) {
    return false;
  }
  if (!ConnectPins(component, upstream.Get(), input.Get())) {
    return Fail("ERROR: InsertFilter2 cannot connect ", name);
  }
  firstOutput = first;
  secondOutput = second;
  return true;
}

bool InsertFilter(TRavorOderiri& component, REFCLSID clsid, const std::string& name,
                  ComPtr<IPin>& pin, ComPtr<IBaseFilter>& filter) {
  filter.Reset();
  if (!pin) return false;
  ComPtr<IPin> input;
  if (!AddFilterGetInput(component, clsid, name, filter, input)) return false;
  if (!ConnectPins(component, pin.Get(), input.Get())) {
    return Fail("ERROR: InsertFilter cannot connect ", name);
  }
  pin.Reset();
  return true;
}

bool InsertExistingFilter(TRavorOderiri& component, IBaseFilter* filter, ComPtr<IPin>& pin) {
  if (!pin || filter == nullptr) return false;
  const std::string name = FilterName(filter);
  ComPtr<IPin> input;
  if (!FindUnconnectedPin(component, filter, PINDIR_INPUT, input)) {
    return Fail("ERROR: InsertExistingFilter cannot find input pin  on ", name);
  }
  ComPtr<IPin> output;
  if (!FindUnconnectedPin(component, filter, PINDIR_OUTPUT, output)) {
    return Fail("ERROR: InsertExistingFilter cannot find output pin on ", name);
  }
  if (!ConnectPins(component, pin.Get(), input.Get())) {
    return Fail("ERROR: InsertExistingFilter cannot connect ", name);
  }
  WriteProcessLog("InsertExistingFilter inserted  " + name);
  pin = output;
  return true;
}

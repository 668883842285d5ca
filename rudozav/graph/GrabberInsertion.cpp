#include "rudozav/graph/GrabberInsertion.h"

#include "rudozav/core/ProcessLog.h"
#include "rudozav/graph/FilterAdding.h"
#include "rudozav/graph/PinConnection.h"

bool InsertFilter1grabber(TRavorOderiri& component, REFCLSID clsid, const std::string& name,
                          ComPtr<IPin>& pin, TGrabberControl*& record, LONG mode, BYTE copyFrames,
                          BYTE checkInputFormat, const GUID* requiredSubtype) {
  record = nullptr;
  if (!pin) return false;
  ComPtr<IBaseFilter> filter;
  ComPtr<IPin> input;
  ComPtr<IPin> output;
  if (!AddFilterGetInputOutput(component, clsid, name, filter, input, output)) return false;
  ComPtr<IGrabberControl> control;
  if (FAILED(filter.As(&control)) || !control || FAILED(control->GetControlRecord(&record)) ||
      record == nullptr) {
    record = nullptr;
    return false;
  }
  record->Mode = mode;
  record->CopyFrames = copyFrames;
  record->CheckInputFormat = checkInputFormat;
  record->RequiredSubtype = requiredSubtype;
  if (!ConnectPins(component, pin.Get(), input.Get())) {
    WriteProcessLog("ERROR: InsertFilter1grabber cannot connect " + name);
    return false;
  }
  pin = output;
  return true;
}

#include "rudozav/graph/FilterAdding.h"

#include <initializer_list>

#include "dshow/DShow.h"
#include "rudozav/RudOzav.h"
#include "rudozav/core/ComponentState.h"
#include "rudozav/core/Logging.h"
#include "rudozav/core/ProcessLog.h"
#include "rudozav/graph/GraphBuilder.h"

namespace errors = rudozav::errors;

namespace {

// The lines one primitive writes; each is followed by the filter's name.
struct TAddLines {
  const char* cannotCreate;
  const char* cannotAdd;
  const char* noInput;
  const char* noOutput;
  const char* noSecondOutput;
  const char* ok;  // null: no success line
};

constexpr TAddLines kAddFilterGetInput{
    "ERROR: AddFilterGetInput cocreate instance failed on filter ",
    "ERROR: AddFilterGetInput cannot add filter ",
    "ERROR: AddFilterGetInput cannot find input pin in filter ",
    nullptr,
    nullptr,
    "AddFilterGetInput ok: "};
constexpr TAddLines kAddFilterGetInputOutput{
    "ERROR: AddFilterGetInputOutput cocreate instance failed on filter ",
    "ERROR: AddFilterGetInputOutput cannot add filter ",
    "ERROR: AddFilterGetInputOutput cannot find input pin in filter ",
    "ERROR: AddFilterGetInputOutput cannot find output pin in filter ",
    nullptr,
    "AddFilterGetInputOutput ok: "};
// A filter that cannot be added is logged like one that cannot be created.
constexpr TAddLines kAddFilterGetInput2Outputs{
    "ERROR: AddFilterGetInput2Outputs cocreate instance failed on filter ",
    "ERROR: AddFilterGetInput2Outputs cocreate instance failed on filter ",
    "ERROR: AddFilterGetInput2Outputs cannot find input pin in filter ",
    "ERROR: AddFilterGetInput2Outputs cannot find output pin #1 in filter ",
    "ERROR: AddFilterGetInput2Outputs cannot find output pin #2 in filter ",
    nullptr};

bool Fail(const char* line, const std::string& name) {
  WriteProcessLog(line + name);
  return false;
}

// Creates the first class of clsids that can be created (each failure is reported) and adds it
// to the graph under name.
bool CreateAndAdd(TRavorOderiri& component, std::initializer_list<CLSID> clsids,
                  const std::string& name, const TAddLines& lines, ComPtr<IBaseFilter>& filter) {
  bool created = false;
  for (const CLSID& clsid : clsids) {
    created = CreateFilter(component, clsid, name, filter);
    if (created) break;
  }
  if (!created || !filter) return Fail(lines.cannotCreate, name);
  const ComPtr<IGraphBuilder>& graph = component.State().graph->filterGraph;
  // Only S_OK: a name changed because it was taken would leave the filter unfindable by name.
  if (!graph || graph->AddFilter(filter.Get(), name.c_str()) != S_OK) {
    return Fail(lines.cannotAdd, name);
  }
  return true;
}

bool FindPin(TRavorOderiri& component, IBaseFilter* filter, PIN_DIRECTION direction,
             bool unconnectedOnly, int index, ComPtr<IPin>& pin) {
  const ComPtr<ICaptureGraphBuilder2>& builder = component.State().graph->captureBuilder;
  if (!builder) return false;
  const HRESULT hr =
      builder->FindPin(filter, direction, nullptr, nullptr, unconnectedOnly ? TRUE : FALSE, index,
                       pin.ReleaseAndGetAddressOf());
  return SUCCEEDED(hr) && pin;
}

bool AddWithInput(TRavorOderiri& component, std::initializer_list<CLSID> clsids,
                  const std::string& name, const TAddLines& lines, ComPtr<IBaseFilter>& filter,
                  ComPtr<IPin>& input) {
  filter.Reset();
  input.Reset();
  if (!CreateAndAdd(component, clsids, name, lines, filter)) return false;
  if (!FindPin(component, filter.Get(), PINDIR_INPUT, false, 0, input)) {
    return Fail(lines.noInput, name);
  }
  return true;
}

}  // namespace

bool AddNamedFilter(TRavorOderiri& component, IBaseFilter* filter, const std::string& name) {
  const ComPtr<IGraphBuilder>& graph = component.State().graph->filterGraph;
  const HRESULT hr = graph ? graph->AddFilter(filter, name.c_str()) : E_POINTER;
  return rudozav::LogResult(component, hr, errors::kRejected, name);
}

bool AddFilterGetInput(TRavorOderiri& component, REFCLSID clsid, const std::string& name,
                       ComPtr<IBaseFilter>& filter, ComPtr<IPin>& input) {
  const TAddLines& lines = kAddFilterGetInput;
  if (!AddWithInput(component, {clsid}, name, lines, filter, input)) return false;
  WriteProcessLog(lines.ok + name);
  return true;
}

bool AddVideoRendererGetInput(TRavorOderiri& component, const std::string& name,
                              ComPtr<IBaseFilter>& filter, ComPtr<IPin>& input) {
  const TAddLines& lines = kAddFilterGetInput;
  if (!AddWithInput(component, {CLSID_VideoMixingRenderer, CLSID_VideoRenderer}, name, lines,
                    filter, input)) {
    return false;
  }
  WriteProcessLog(lines.ok + name);
  return true;
}

bool AddFilterGetInputOutput(TRavorOderiri& component, REFCLSID clsid, const std::string& name,
                             ComPtr<IBaseFilter>& filter, ComPtr<IPin>& input,
                             ComPtr<IPin>& output) {
  const TAddLines& lines = kAddFilterGetInputOutput;
  output.Reset();
  if (!AddWithInput(component, {clsid}, name, lines, filter, input)) return false;
  if (!FindPin(component, filter.Get(), PINDIR_OUTPUT, false, 0, output)) {
    return Fail(lines.noOutput, name);
  }
  WriteProcessLog(lines.ok + name);
  return true;
}

bool AddFilterGetInput2Outputs(TRavorOderiri& component, REFCLSID clsid, const std::string& name,
                               ComPtr<IBaseFilter>& filter, ComPtr<IPin>& input,
                               ComPtr<IPin>& firstOutput, ComPtr<IPin>& secondOutput) {
  const TAddLines& lines = kAddFilterGetInput2Outputs;
  filter.Reset();
  input.Reset();
  firstOutput.Reset();
  secondOutput.Reset();
  if (!CreateAndAdd(component, {clsid}, name, lines, filter)) return false;
  IBaseFilter* added = filter.Get();
  if (!FindPin(component, added, PINDIR_INPUT, true, 0, input)) return Fail(lines.noInput, name);
  if (!FindPin(component, added, PINDIR_OUTPUT, true, 0, firstOutput)) {
    return Fail(lines.noOutput, name);
  }
  if (!FindPin(component, added, PINDIR_OUTPUT, true, 1, secondOutput)) {
    return Fail(lines.noSecondOutput, name);
  }
  return true;
}

#include "rudozav/graph/FileMux.h"

#include "dshow/DShow.h"
#include "rudozav/RudOzav.h"
#include "rudozav/core/ComponentState.h"
#include "rudozav/core/Logging.h"

namespace errors = rudozav::errors;

void ConfigureMux(TRavorOderiri& component) {
  const TGraphState& graph = *component.State().graph;
  if (!graph.fileMux) return;
  const auto interleaving = graph.fileMux.As<IConfigInterleaving>();
  rudozav::LogResult(component, interleaving ? S_OK : E_NOINTERFACE,
                     errors::kQueryConfigInterleaving);
  if (interleaving) {
    rudozav::LogResult(component, interleaving->put_Mode(INTERLEAVE_NONE),
                       errors::kSetInterleavingMode);
  }
  const auto avi = graph.fileMux.As<IConfigAviMux>();
  rudozav::LogResult(component, avi ? S_OK : E_NOINTERFACE, errors::kQueryConfigAviMux);
  if (!avi) return;
  rudozav::LogResult(
      component,
      avi->SetOutputCompatibilityIndex(component.AVI1IndexCompatibility() ? TRUE : FALSE),
      errors::kSetCompatibilityIndex);
  const LONG master = graph.masterStreamChoice == 1 ? 1 : graph.masterStreamChoice == 2 ? -1 : 0;
  rudozav::LogResult(component, avi->SetMasterStream(master), errors::kSetMasterStream);
}

// The analog video standards: the list of the standards the decoder offers, the one selected,
// and selecting one by its place in the list. The base graph applies the selected standard to
// the decoder (BaseGraph.cpp); the settings table keeps it with the device.

#include "rudozav/devices/AnalogStandards.h"

#include <algorithm>

#include "rudozav/RudOzav.h"
#include "rudozav/core/ComponentState.h"
#include "rudozav/core/LineList.h"
#include "rudozav/core/Logging.h"
#include "rudozav/core/ProcessLog.h"

namespace errors = rudozav::errors;

std::vector<std::string> StandardNameList(std::int32_t mask) {
  std::vector<std::string> names;
  for (const TAnalogStandard& standard : kAnalogStandards) {
    if ((mask & standard.Value) != 0) names.emplace_back(standard.Name);
  }
  return names;
}

std::string StandardNames(std::int32_t mask) {
  return rudozav::JoinLines(StandardNameList(mask));
}

std::int32_t StandardValue(std::string_view name) {
  const auto row = std::find_if(kAnalogStandards.begin(), kAnalogStandards.end(),
                                [&](const TAnalogStandard& s) { return s.Name == name; });
  if (row != kAnalogStandards.end()) return row->Value;
  WriteProcessLog("ERROR: invalid tv format");
  return AnalogVideo_NTSC_M;
}

std::string TRavorOderiri::AnalogVideoStandards() const {
  return StandardNames(state_->settings[rs_ANTVFormats].IntValue);
}

// 0 also when no standard is selected, several bits are set, or the selected one is not offered.
int TRavorOderiri::AnalogVideoStandard() const {
  const std::vector<std::string> offered =
      StandardNameList(state_->settings[rs_ANTVFormats].IntValue);
  const std::vector<std::string> selected =
      StandardNameList(state_->settings[rs_ANTVFormat].IntValue);
  if (selected.size() != 1) return 0;
  const auto place = std::find(offered.begin(), offered.end(), selected.front());
  return place != offered.end() ? static_cast<int>(place - offered.begin()) : 0;
}

// The standard is stored at once; a running preview is rebuilt to apply it, otherwise the next
// base graph does.
void TRavorOderiri::RunSetAnalogVideoStandard(int index) {
  TRegSave& settings = state_->settings;
  const std::vector<std::string> offered = StandardNameList(settings[rs_ANTVFormats].IntValue);
  const bool outOfRange = index < 0 || static_cast<std::size_t>(index) >= offered.size();
  if (rudozav::LogCheck(*this, outOfRange, errors::kAnalogStandardIndexOutOfRange)) return;
  const std::int32_t standard = StandardValue(offered[static_cast<std::size_t>(index)]);
  if (standard == settings[rs_ANTVFormat].IntValue) return;  // nothing to restart for
  settings[rs_ANTVFormat].IntValue = standard;
  ApplyRestartRule();
}

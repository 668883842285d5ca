#include "devices/capture/CrossbarRouting.h"

#include <algorithm>

namespace devices {

CrossbarRouting::CrossbarRouting(const CrossbarDescription& crossbar)
    : inputs_(crossbar.inputs), outputs_(crossbar.outputs), canRoute_(crossbar.canRoute) {
  routing_.assign(outputs_.size(), -1);
  for (std::size_t output = 0; output < outputs_.size(); ++output) {
    if (output < crossbar.routing.size()) {
      routing_[output] = crossbar.routing[output];
      continue;
    }
    for (std::size_t input = 0; input < inputs_.size(); ++input) {
      if (Routable(output, input)) {
        routing_[output] = static_cast<LONG>(input);
        break;
      }
    }
  }
}

bool CrossbarRouting::Routable(std::size_t output, std::size_t input) const {
  if (!canRoute_.empty()) {
    const auto& allowed = canRoute_[output];
    return std::find(allowed.begin(), allowed.end(), static_cast<LONG>(input)) != allowed.end();
  }
  return IsVideo(outputs_[output].physicalType) == IsVideo(inputs_[input].physicalType);
}

HRESULT CrossbarRouting::CanRoute(LONG output, LONG input) const {
  if (output < 0 || output >= Outputs() || input < 0 || input >= Inputs()) return E_INVALIDARG;
  return Routable(static_cast<std::size_t>(output), static_cast<std::size_t>(input)) ? S_OK
                                                                                     : S_FALSE;
}

HRESULT CrossbarRouting::CheckRoute(LONG output, LONG input) const {
  if (output < 0 || output >= Outputs() || input < -1 || input >= Inputs()) return E_INVALIDARG;
  if (input >= 0 && !Routable(static_cast<std::size_t>(output), static_cast<std::size_t>(input))) {
    return E_FAIL;
  }
  return S_OK;
}

HRESULT CrossbarRouting::Route(LONG output, LONG input) {
  const HRESULT allowed = CheckRoute(output, input);
  if (FAILED(allowed)) return allowed;
  std::lock_guard lock(mutex_);
  routing_[static_cast<std::size_t>(output)] = input;
  return S_OK;
}

HRESULT CrossbarRouting::RoutedTo(LONG output, LONG* input) const {
  if (input == nullptr) return E_POINTER;
  if (output < 0 || output >= Outputs()) return E_INVALIDARG;
  std::lock_guard lock(mutex_);
  *input = routing_[static_cast<std::size_t>(output)];
  return S_OK;
}

HRESULT CrossbarRouting::PinInfo(bool isInput, LONG index, LONG* related,
                                 LONG* physicalType) const {
  if (related == nullptr || physicalType == nullptr) return E_POINTER;
  const auto& pins = isInput ? inputs_ : outputs_;
  if (index < 0 || index >= static_cast<LONG>(pins.size())) return E_INVALIDARG;
  *related = pins[static_cast<std::size_t>(index)].related;
  *physicalType = pins[static_cast<std::size_t>(index)].physicalType;
  return S_OK;
}

}  // namespace devices

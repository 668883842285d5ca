#pragma once
// The routing matrix of a crossbar: which input each output can take and takes now,
// and the pins' physical types and related pins, as IAMCrossbar reports them. Any thread; a
// lock guards the routing.

#include <mutex>
#include <vector>

#include "devices/capture/CrossbarDescription.h"

namespace devices {

class CrossbarRouting {
 public:
  explicit CrossbarRouting(const CrossbarDescription& crossbar);

  LONG Inputs() const { return static_cast<LONG>(inputs_.size()); }
  LONG Outputs() const { return static_cast<LONG>(outputs_.size()); }
  // S_OK when the input can be routed to the output, S_FALSE when not; E_INVALIDARG for an
  // index out of range.
  HRESULT CanRoute(LONG output, LONG input) const;
  // Input -1 disconnects the output. E_INVALIDARG out of range, E_FAIL when not routable.
  HRESULT Route(LONG output, LONG input);
  // What Route would answer, without routing: S_OK, E_INVALIDARG or E_FAIL.
  HRESULT CheckRoute(LONG output, LONG input) const;
  HRESULT RoutedTo(LONG output, LONG* input) const;
  HRESULT PinInfo(bool isInput, LONG index, LONG* related, LONG* physicalType) const;

  // Whether a pin carries video (physical types below 0x1000).
  static bool IsVideo(LONG physicalType) { return physicalType < 0x1000; }

 private:
  bool Routable(std::size_t output, std::size_t input) const;

  const std::vector<CrossbarPinDescription> inputs_;
  const std::vector<CrossbarPinDescription> outputs_;
  const std::vector<std::vector<LONG>> canRoute_;
  mutable std::mutex mutex_;
  std::vector<LONG> routing_;  // guarded by mutex_; per output, -1 none
};

}  // namespace devices

#include "dshow/filters/InfiniteTee.h"

#include <algorithm>
#include <string>
#include <utility>

namespace {

// An output that tells the tee when it connects and disconnects.
class InfiniteTeeOutputPin final : public TeeOutputPin {
 public:
  InfiniteTeeOutputPin(InfiniteTee* tee, CBaseInputPin* input, std::string name)
      : TeeOutputPin(tee, input, std::move(name), /*passThrough=*/true), tee_(tee) {}

  HRESULT CompleteConnect(IPin* receivePin) override {
    const HRESULT hr = TeeOutputPin::CompleteConnect(receivePin);
    if (FAILED(hr)) return hr;
    completed_ = true;
    tee_->OutputConnected();
    return S_OK;
  }
  HRESULT BreakConnect() override {
    const HRESULT hr = TeeOutputPin::BreakConnect();
    // Failed attempts break connections that never completed: they change nothing.
    if (std::exchange(completed_, false)) tee_->OutputDisconnected(this);
    return hr;
  }

 private:
  InfiniteTee* const tee_;
  bool completed_ = false;  // under the filter lock
};

}  // namespace

InfiniteTee::InfiniteTee()
    : TeeFilter(CLSID_InfTee), input_(std::make_unique<TeeInputPin>(this, "Input")) {
  AddOutput();
}

InfiniteTee::~InfiniteTee() = default;

void InfiniteTee::AddOutput() {
  auto pin = std::make_unique<InfiniteTeeOutputPin>(this, input_.get(),
                                                    "Output" + std::to_string(nextNumber_++));
  std::lock_guard lock(outputsLock_);
  outputs_.push_back(std::move(pin));
}

int InfiniteTee::GetPinCount() {
  std::lock_guard lock(outputsLock_);
  return 1 + static_cast<int>(outputs_.size());
}

CBasePin* InfiniteTee::GetPin(int index) {
  if (index == 0) return input_.get();
  std::lock_guard lock(outputsLock_);
  if (index < 1 || index > static_cast<int>(outputs_.size())) return nullptr;
  return outputs_[static_cast<size_t>(index - 1)].get();
}

void InfiniteTee::OutputConnected() {
  bool allConnected = false;
  {
    std::lock_guard lock(outputsLock_);
    allConnected = std::all_of(outputs_.begin(), outputs_.end(),
                               [](const auto& pin) { return pin->IsConnected(); });
  }
  if (allConnected) AddOutput();
}

void InfiniteTee::OutputDisconnected(CBaseOutputPin* pin) {
  std::lock_guard lock(outputsLock_);
  // The pin still counts as connected while it breaks its connection.
  const auto unconnected = std::count_if(
      outputs_.begin(), outputs_.end(),
      [pin](const auto& output) { return output.get() != pin && !output->IsConnected(); });
  if (unconnected == 0) return;  // it stays as the free output
  const auto found = std::find_if(outputs_.begin(), outputs_.end(),
                                  [pin](const auto& output) { return output.get() == pin; });
  if (found == outputs_.end()) return;
  removed_.push_back(std::move(*found));
  outputs_.erase(found);
}

std::vector<CBaseOutputPin*> InfiniteTee::ConnectedOutputs() {
  std::vector<CBaseOutputPin*> connected;
  std::lock_guard lock(outputsLock_);
  for (const auto& pin : outputs_) {
    if (pin->IsConnected()) connected.push_back(pin.get());
  }
  return connected;
}

bool InfiniteTee::OutputsAccept(const AM_MEDIA_TYPE& mediaType) {
  std::lock_guard lock(outputsLock_);
  return PeersAccept(outputs_, mediaType);
}

HRESULT InfiniteTee::DeliverSample(IMediaSample* sample) {
  // One refusing output does not starve the others.
  for (CBaseOutputPin* pin : ConnectedOutputs())
    (void)pin->Deliver(sample);
  return S_OK;
}

HRESULT InfiniteTee::DeliverEndOfStream() {
  for (CBaseOutputPin* pin : ConnectedOutputs())
    (void)pin->DeliverEndOfStream();
  return S_OK;
}

HRESULT InfiniteTee::DeliverBeginFlush() {
  for (CBaseOutputPin* pin : ConnectedOutputs())
    (void)pin->DeliverBeginFlush();
  return S_OK;
}

HRESULT InfiniteTee::DeliverEndFlush() {
  for (CBaseOutputPin* pin : ConnectedOutputs())
    (void)pin->DeliverEndFlush();
  return S_OK;
}

HRESULT InfiniteTee::DeliverNewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) {
  for (CBaseOutputPin* pin : ConnectedOutputs())
    (void)pin->DeliverNewSegment(start, stop, rate);
  return S_OK;
}

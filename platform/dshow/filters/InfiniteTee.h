#pragma once
// The Infinite Pin Tee: one input and any number of outputs, each passing on every input sample
// (read-only, shared between the outputs). There is always one unconnected output: when the
// last one connects, a new one appears ("Output1", "Output2", ...); when an output disconnects
// while another unconnected one exists, it goes away.
//
// Threads: pins are added and removed on the application's thread while the filter is stopped;
// the streaming thread reads the list under its own lock.

#include <memory>
#include <mutex>
#include <vector>

#include "dshow/Uuids.h"
#include "dshow/filters/TeeFilter.h"

class InfiniteTee final : public TeeFilter {
 public:
  InfiniteTee();

  int GetPinCount() override;
  CBasePin* GetPin(int index) override;

  HRESULT DeliverSample(IMediaSample* sample) override;
  HRESULT DeliverEndOfStream() override;
  HRESULT DeliverBeginFlush() override;
  HRESULT DeliverEndFlush() override;
  HRESULT DeliverNewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) override;
  bool OutputsAccept(const AM_MEDIA_TYPE& mediaType) override;

  // From the output pins, under the filter lock.
  void OutputConnected();
  void OutputDisconnected(CBaseOutputPin* pin);

 private:
  ~InfiniteTee() override;
  void AddOutput();
  // The connected outputs, for the streaming thread.
  std::vector<CBaseOutputPin*> ConnectedOutputs();

  std::unique_ptr<TeeInputPin> input_;
  std::mutex outputsLock_;
  std::vector<std::unique_ptr<TeeOutputPin>> outputs_;  // under outputsLock_
  // Removed outputs stay alive with the filter: the application may still hold them.
  std::vector<std::unique_ptr<TeeOutputPin>> removed_;
  int nextNumber_ = 1;
};

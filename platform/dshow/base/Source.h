#pragma once
// CSource: a filter whose output pins (CSourceStream) each push samples from a thread of their
// own. The derived filter makes its pins in its constructor with AddPin.
//
// A live source (IsLive) produces data only while running: Pause answers VFW_S_CANT_CUE and so
// does GetState while paused, and its pins deliver only in Running. Stop returns after every
// thread of the filter has ended.

#include <memory>
#include <vector>

#include "dshow/base/BaseFilter.h"
#include "dshow/base/SourceStream.h"

class CSource : public CBaseFilter {
 public:
  explicit CSource(const CLSID& clsid);

  HRESULT Stop() override;
  HRESULT Pause() override;
  HRESULT Run(REFERENCE_TIME start) override;
  HRESULT GetState(DWORD msTimeout, FILTER_STATE* state) override;

  int GetPinCount() override { return static_cast<int>(pins_.size()); }
  CBasePin* GetPin(int index) override;

  // Fixed for the life of the filter; read by the streaming threads.
  virtual bool IsLive() const { return false; }

 protected:
  ~CSource() override;

  // Takes the pin; returns it for the caller's convenience.
  template <class Pin>
  Pin* AddPin(std::unique_ptr<Pin> pin) {
    Pin* raw = pin.get();
    pins_.push_back(std::move(pin));
    return raw;
  }
  CSourceStream* StreamPin(int index) { return pins_[static_cast<std::size_t>(index)].get(); }

 private:
  void WakePins();

  std::vector<std::unique_ptr<CSourceStream>> pins_;
};

#pragma once
// IEnumMoniker over a fixed list of monikers taken when the enumerator was made. Used from one
// thread at a time.

#include <vector>

#include "dshow/EnumInterfaces.h"

namespace devices {

class MonikerEnumerator : public ComObject<MonikerEnumerator, IEnumMoniker> {
 public:
  explicit MonikerEnumerator(std::vector<ComPtr<IMoniker>> monikers, std::size_t position = 0);

  HRESULT Next(ULONG count, IMoniker** monikers, ULONG* fetched) override;
  HRESULT Skip(ULONG count) override;
  HRESULT Reset() override;
  HRESULT Clone(IEnumMoniker** clone) override;

 private:
  std::vector<ComPtr<IMoniker>> monikers_;
  std::size_t position_;
};

}  // namespace devices

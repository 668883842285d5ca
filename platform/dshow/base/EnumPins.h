#pragma once
// CEnumPins: the pins of a filter as they were when the enumerator was made. Each holds a
// reference (on the filter).

#include <vector>

#include "com/Com.h"
#include "dshow/FilterInterfaces.h"

class CEnumPins final : public ComObject<CEnumPins, IEnumPins> {
 public:
  explicit CEnumPins(std::vector<ComPtr<IPin>> pins, ULONG position = 0);

  HRESULT Next(ULONG count, IPin** pins, ULONG* fetched) override;
  HRESULT Skip(ULONG count) override;
  HRESULT Reset() override;
  HRESULT Clone(IEnumPins** clone) override;

 private:
  std::vector<ComPtr<IPin>> pins_;
  ULONG position_;
};

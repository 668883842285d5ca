#pragma once
// The filters of a graph as they were when the enumerator was made.

#include <vector>

#include "com/Com.h"
#include "dshow/FilterInterfaces.h"

namespace dshow {

class FilterEnumerator final : public ComObject<FilterEnumerator, IEnumFilters> {
 public:
  explicit FilterEnumerator(std::vector<ComPtr<IBaseFilter>> filters, ULONG position = 0);

  HRESULT Next(ULONG count, IBaseFilter** filters, ULONG* fetched) override;
  HRESULT Skip(ULONG count) override;
  HRESULT Reset() override;
  HRESULT Clone(IEnumFilters** clone) override;

 private:
  std::vector<ComPtr<IBaseFilter>> filters_;
  ULONG position_;
};

}  // namespace dshow

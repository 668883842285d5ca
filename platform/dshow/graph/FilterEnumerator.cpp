#include "dshow/graph/FilterEnumerator.h"

namespace dshow {

FilterEnumerator::FilterEnumerator(std::vector<ComPtr<IBaseFilter>> filters, ULONG position)
    : filters_(std::move(filters)), position_(position) {}

HRESULT FilterEnumerator::Next(ULONG count, IBaseFilter** filters, ULONG* fetched) {
  if (filters == nullptr) return E_POINTER;
  if (fetched == nullptr && count != 1) return E_POINTER;
  ULONG given = 0;
  while (given < count && position_ < filters_.size()) {
    filters_[position_++].CopyTo(&filters[given++]);
  }
  if (fetched != nullptr) *fetched = given;
  return given == count ? S_OK : S_FALSE;
}

HRESULT FilterEnumerator::Skip(ULONG count) {
  const auto size = static_cast<ULONG>(filters_.size());
  if (count > size - position_) {
    position_ = size;
    return S_FALSE;
  }
  position_ += count;
  return S_OK;
}

HRESULT FilterEnumerator::Reset() {
  position_ = 0;
  return S_OK;
}

HRESULT FilterEnumerator::Clone(IEnumFilters** clone) {
  if (clone == nullptr) return E_POINTER;
  *clone = MakeComObject<FilterEnumerator>(filters_, position_).Detach();
  return S_OK;
}

}  // namespace dshow

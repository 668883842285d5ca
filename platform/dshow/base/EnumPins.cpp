#include "dshow/base/EnumPins.h"

CEnumPins::CEnumPins(std::vector<ComPtr<IPin>> pins, ULONG position)
    : pins_(std::move(pins)), position_(position) {}

HRESULT CEnumPins::Next(ULONG count, IPin** pins, ULONG* fetched) {
  if (pins == nullptr) return E_POINTER;
  if (fetched == nullptr && count != 1) return E_POINTER;
  ULONG given = 0;
  while (given < count && position_ < pins_.size()) {
    pins_[position_++].CopyTo(&pins[given++]);
  }
  if (fetched != nullptr) *fetched = given;
  return given == count ? S_OK : S_FALSE;
}

HRESULT CEnumPins::Skip(ULONG count) {
  const ULONG left = static_cast<ULONG>(pins_.size()) - position_;
  if (count > left) {
    position_ = static_cast<ULONG>(pins_.size());
    return S_FALSE;
  }
  position_ += count;
  return S_OK;
}

HRESULT CEnumPins::Reset() {
  position_ = 0;
  return S_OK;
}

HRESULT CEnumPins::Clone(IEnumPins** clone) {
  if (clone == nullptr) return E_POINTER;
  *clone = MakeComObject<CEnumPins>(pins_, position_).Detach();
  return S_OK;
}

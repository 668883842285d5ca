#include "dshow/base/EnumMediaTypes.h"

#include "dshow/base/BasePin.h"

CEnumMediaTypes::CEnumMediaTypes(CBasePin* pin, int position) : pin_(pin), position_(position) {
  pin_->AddRef();
}

CEnumMediaTypes::~CEnumMediaTypes() {
  pin_->Release();
}

HRESULT CEnumMediaTypes::Next(ULONG count, AM_MEDIA_TYPE** types, ULONG* fetched) {
  if (types == nullptr) return E_POINTER;
  if (fetched == nullptr && count != 1) return E_POINTER;
  ULONG given = 0;
  while (given < count) {
    MediaType type;
    if (pin_->GetMediaType(position_, &type) != S_OK) break;
    ++position_;
    AM_MEDIA_TYPE* copy = type.CreateCopy();
    if (copy == nullptr) break;
    types[given++] = copy;
  }
  if (fetched != nullptr) *fetched = given;
  return given == count ? S_OK : S_FALSE;
}

HRESULT CEnumMediaTypes::Skip(ULONG count) {
  for (ULONG i = 0; i < count; ++i) {
    MediaType type;
    if (pin_->GetMediaType(position_, &type) != S_OK) return S_FALSE;
    ++position_;
  }
  return S_OK;
}

HRESULT CEnumMediaTypes::Reset() {
  position_ = 0;
  return S_OK;
}

HRESULT CEnumMediaTypes::Clone(IEnumMediaTypes** clone) {
  if (clone == nullptr) return E_POINTER;
  *clone = MakeComObject<CEnumMediaTypes>(pin_, position_).Detach();
  return S_OK;
}

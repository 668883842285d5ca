#pragma once
// CEnumMediaTypes: the types a pin prefers, read from the pin's GetMediaType as the enumeration
// goes on, so that a pin whose types depend on its other connections answers what holds now.
// Holds a reference on the pin (and so on its filter).

#include "com/Com.h"
#include "dshow/FilterInterfaces.h"

class CBasePin;

class CEnumMediaTypes final : public ComObject<CEnumMediaTypes, IEnumMediaTypes> {
 public:
  explicit CEnumMediaTypes(CBasePin* pin, int position = 0);
  ~CEnumMediaTypes() override;

  HRESULT Next(ULONG count, AM_MEDIA_TYPE** types, ULONG* fetched) override;
  HRESULT Skip(ULONG count) override;
  HRESULT Reset() override;
  HRESULT Clone(IEnumMediaTypes** clone) override;

 private:
  CBasePin* pin_;
  int position_;
};

#include "dshow/base/BasePin.h"

#include <cstring>

#include "com/Com.h"
#include "com/Diagnostics.h"
#include "dshow/Uuids.h"
#include "dshow/base/EnumMediaTypes.h"

CBasePin::CBasePin(CBaseFilter* filter, std::string name, PIN_DIRECTION direction)
    : filter_(filter), name_(std::move(name)), direction_(direction) {}

CBasePin::~CBasePin() = default;

HRESULT CBasePin::QueryInterface(REFIID riid, void** object) {
  if (object == nullptr) return E_POINTER;
  *object = nullptr;
  if (riid == IID_IUnknown || riid == IID_IPin) {
    *object = static_cast<IPin*>(this);
  } else if (riid == IID_IKsPropertySet && hasCategory_) {
    *object = static_cast<IKsPropertySet*>(this);
  } else {
    const HRESULT hr = QueryPinInterface(riid, object);
    if (FAILED(hr) || *object == nullptr) {
      *object = nullptr;
      return FAILED(hr) ? hr : E_NOINTERFACE;
    }
    return S_OK;
  }
  AddRef();
  return S_OK;
}

HRESULT CBasePin::QueryPinInterface(REFIID /*riid*/, void** /*object*/) {
  return E_NOINTERFACE;
}

// ---- Connection ------------------------------------------------------------------------------

HRESULT CBasePin::Connect(IPin* receivePin, const AM_MEDIA_TYPE* mediaType) {
  if (receivePin == nullptr) return E_POINTER;
  {
    std::lock_guard lock(filter_->FilterLock());
    if (direction_ != PINDIR_OUTPUT) return E_UNEXPECTED;
    if (IsConnected()) return VFW_E_ALREADY_CONNECTED;
    if (!filter_->IsStopped()) return VFW_E_NOT_STOPPED;
  }
  // Negotiated without the lock: it calls into the peer's filter (see the header).
  const HRESULT hr = AgreeMediaType(receivePin, mediaType);
  if (FAILED(hr)) {
    diag::Debug("dshow", "pin ", name_, " of ", filter_->Name(),
                " cannot connect: ", HResultText(hr));
  }
  return hr;
}

HRESULT CBasePin::AgreeMediaType(IPin* receivePin, const AM_MEDIA_TYPE* mediaType) {
  if (mediaType != nullptr && !IsPartiallySpecified(*mediaType)) {
    return AttemptConnection(receivePin, *mediaType);
  }
  HRESULT result = VFW_E_NO_ACCEPTABLE_TYPES;
  ComPtr<IEnumMediaTypes> ours = MakeComObject<CEnumMediaTypes>(this);
  HRESULT hr = TryTypesOf(ours.Get(), receivePin, mediaType);
  if (SUCCEEDED(hr)) return hr;
  if (hr != VFW_E_NO_ACCEPTABLE_TYPES) result = hr;
  ComPtr<IEnumMediaTypes> theirs;
  if (SUCCEEDED(receivePin->EnumMediaTypes(theirs.ReleaseAndGetAddressOf())) && theirs) {
    hr = TryTypesOf(theirs.Get(), receivePin, mediaType);
    if (SUCCEEDED(hr)) return hr;
    if (hr != VFW_E_NO_ACCEPTABLE_TYPES) result = hr;
  }
  return result;
}

HRESULT CBasePin::TryTypesOf(IEnumMediaTypes* types, IPin* receivePin,
                             const AM_MEDIA_TYPE* pattern) {
  HRESULT result = VFW_E_NO_ACCEPTABLE_TYPES;
  AM_MEDIA_TYPE* next = nullptr;
  ULONG fetched = 0;
  while (types->Next(1, &next, &fetched) == S_OK && fetched == 1) {
    const MediaType candidate = MediaType::Adopt(next);
    if (pattern != nullptr && !MediaTypeMatchesPartial(candidate.Get(), *pattern)) continue;
    const HRESULT hr = AttemptConnection(receivePin, candidate.Get());
    if (SUCCEEDED(hr)) return hr;
    result = hr;
  }
  return result;
}

HRESULT CBasePin::AttemptConnection(IPin* receivePin, const AM_MEDIA_TYPE& mediaType) {
  HRESULT hr = CheckConnect(receivePin);
  if (FAILED(hr)) {
    (void)BreakConnect();  // undoing a half-made check; its failure is the result
    return hr;
  }
  hr = CheckMediaType(&mediaType);
  if (hr != S_OK) {
    (void)BreakConnect();
    return FAILED(hr) ? hr : VFW_E_TYPE_NOT_ACCEPTED;
  }
  SetConnected(receivePin);
  hr = SetMediaType(mediaType);
  if (SUCCEEDED(hr)) hr = receivePin->ReceiveConnection(this, &mediaType);
  if (SUCCEEDED(hr)) {
    hr = CompleteConnect(receivePin);
    if (FAILED(hr)) (void)receivePin->Disconnect();  // the peer forgets the failed connection
  }
  if (FAILED(hr)) {
    ForgetConnection();
    return hr;
  }
  diag::Debug("dshow", filter_->Name(), ".", name_, " connected: ", MediaTypeText(mediaType));
  return S_OK;
}

HRESULT CBasePin::ReceiveConnection(IPin* connector, const AM_MEDIA_TYPE* mediaType) {
  if (connector == nullptr || mediaType == nullptr) return E_POINTER;
  {
    std::lock_guard lock(filter_->FilterLock());
    if (direction_ != PINDIR_INPUT) return E_UNEXPECTED;
    if (IsConnected()) return VFW_E_ALREADY_CONNECTED;
    if (!filter_->IsStopped()) return VFW_E_NOT_STOPPED;
  }
  HRESULT hr = CheckConnect(connector);
  if (FAILED(hr)) {
    (void)BreakConnect();  // the check's failure is the result
    return hr;
  }
  hr = CheckMediaType(mediaType);
  if (hr != S_OK) {
    (void)BreakConnect();
    return VFW_E_TYPE_NOT_ACCEPTED;
  }
  SetConnected(connector);
  hr = SetMediaType(*mediaType);
  if (SUCCEEDED(hr)) hr = CompleteConnect(connector);
  if (FAILED(hr)) {
    ForgetConnection();
    return hr;
  }
  return S_OK;
}

void CBasePin::SetConnected(IPin* peer) {
  std::lock_guard lock(filter_->FilterLock());
  connected_ = peer;
}

void CBasePin::ForgetConnection() {
  (void)BreakConnect();  // nothing more can be undone
  {
    std::lock_guard lock(filter_->FilterLock());
    connected_.Reset();
  }
  std::lock_guard lock(typeLock_);
  mediaType_.Reset();
}

HRESULT CBasePin::Disconnect() {
  {
    std::lock_guard lock(filter_->FilterLock());
    if (!filter_->IsStopped()) return VFW_E_NOT_STOPPED;
    if (!IsConnected()) return S_FALSE;
  }
  ForgetConnection();
  return S_OK;
}

HRESULT CBasePin::CheckConnect(IPin* pin) {
  PIN_DIRECTION peerDirection = PINDIR_INPUT;
  const HRESULT hr = pin->QueryDirection(&peerDirection);
  if (FAILED(hr)) return hr;
  if (peerDirection == direction_) return VFW_E_INVALID_DIRECTION;
  return S_OK;
}

HRESULT CBasePin::SetMediaType(const AM_MEDIA_TYPE& mediaType) {
  std::lock_guard lock(typeLock_);
  mediaType_ = MediaType(mediaType);
  return S_OK;
}

void CBasePin::ChangeMediaType(const AM_MEDIA_TYPE& mediaType) {
  std::lock_guard lock(typeLock_);
  mediaType_ = MediaType(mediaType);
}

MediaType CBasePin::CurrentMediaType() const {
  std::lock_guard lock(typeLock_);
  return mediaType_;
}

HRESULT CBasePin::GetMediaType(int /*position*/, MediaType* /*mediaType*/) {
  return VFW_S_NO_MORE_ITEMS;
}

// ---- Queries ---------------------------------------------------------------------------------

HRESULT CBasePin::ConnectedTo(IPin** pin) {
  if (pin == nullptr) return E_POINTER;
  std::lock_guard lock(filter_->FilterLock());
  *pin = nullptr;
  if (!IsConnected()) return VFW_E_NOT_CONNECTED;
  return connected_.CopyTo(pin);
}

HRESULT CBasePin::ConnectionMediaType(AM_MEDIA_TYPE* mediaType) {
  if (mediaType == nullptr) return E_POINTER;
  std::lock_guard lock(filter_->FilterLock());
  if (!IsConnected()) {
    *mediaType = AM_MEDIA_TYPE{};
    return VFW_E_NOT_CONNECTED;
  }
  return CurrentMediaType().CopyTo(mediaType);
}

HRESULT CBasePin::QueryPinInfo(PIN_INFO* info) {
  if (info == nullptr) return E_POINTER;
  info->pFilter = filter_;
  info->dir = direction_;
  info->achName = name_;
  return S_OK;
}

HRESULT CBasePin::QueryDirection(PIN_DIRECTION* direction) {
  if (direction == nullptr) return E_POINTER;
  *direction = direction_;
  return S_OK;
}

HRESULT CBasePin::QueryId(LPOLESTR* id) {
  if (id == nullptr) return E_POINTER;
  *id = CoTaskMemStrDup(name_);
  return *id != nullptr ? S_OK : E_OUTOFMEMORY;
}

HRESULT CBasePin::QueryAccept(const AM_MEDIA_TYPE* mediaType) {
  if (mediaType == nullptr) return E_POINTER;
  return CheckMediaType(mediaType) == S_OK ? S_OK : S_FALSE;
}

HRESULT CBasePin::EnumMediaTypes(IEnumMediaTypes** enumerator) {
  if (enumerator == nullptr) return E_POINTER;
  *enumerator = MakeComObject<CEnumMediaTypes>(this).Detach();
  return S_OK;
}

HRESULT CBasePin::QueryInternalConnections(IPin** /*pins*/, ULONG* /*count*/) {
  return E_NOTIMPL;
}

HRESULT CBasePin::NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) {
  segmentStart_ = start;
  segmentStop_ = stop;
  segmentRate_ = rate;
  return S_OK;
}

// ---- Category --------------------------------------------------------------------------------

void CBasePin::SetCategory(const GUID& category) {
  category_ = category;
  hasCategory_ = true;
}

HRESULT CBasePin::Set(REFGUID propertySet, DWORD /*id*/, void* /*instanceData*/,
                      DWORD /*instanceLength*/, void* /*propertyData*/, DWORD /*dataLength*/) {
  return propertySet == AMPROPSETID_Pin ? E_PROP_ID_UNSUPPORTED : E_PROP_SET_UNSUPPORTED;
}

HRESULT CBasePin::Get(REFGUID propertySet, DWORD id, void* /*instanceData*/,
                      DWORD /*instanceLength*/, void* propertyData, DWORD dataLength,
                      DWORD* bytesReturned) {
  if (propertySet != AMPROPSETID_Pin) return E_PROP_SET_UNSUPPORTED;
  if (id != AMPROPERTY_PIN_CATEGORY || !hasCategory_) return E_PROP_ID_UNSUPPORTED;
  if (propertyData == nullptr) return E_POINTER;
  if (dataLength < sizeof(GUID)) return E_UNEXPECTED;
  std::memcpy(propertyData, &category_, sizeof(GUID));
  if (bytesReturned != nullptr) *bytesReturned = sizeof(GUID);
  return S_OK;
}

HRESULT CBasePin::QuerySupported(REFGUID propertySet, DWORD id, DWORD* support) {
  if (propertySet != AMPROPSETID_Pin) return E_PROP_SET_UNSUPPORTED;
  if (id != AMPROPERTY_PIN_CATEGORY || !hasCategory_) return E_PROP_ID_UNSUPPORTED;
  if (support != nullptr) *support = KSPROPERTY_SUPPORT_GET;
  return S_OK;
}

#include "dshow/graph/PinSearch.h"

#include <deque>
#include <set>

#include "dshow/DeviceInterfaces.h"
#include "dshow/Uuids.h"
#include "dshow/graph/PinQueries.h"

namespace dshow {

GUID PinCategory(IPin* pin) {
  ComPtr<IKsPropertySet> properties;
  if (FAILED(pin->QueryInterface(IID_IKsPropertySet, properties.ReleaseAndGetVoidAddress()))) {
    return GUID_NULL;
  }
  GUID category;
  DWORD returned = 0;
  if (FAILED(properties->Get(AMPROPSETID_Pin, AMPROPERTY_PIN_CATEGORY, nullptr, 0, &category,
                             sizeof category, &returned)) ||
      returned < sizeof category) {
    return GUID_NULL;
  }
  return category;
}

bool PinMatches(IPin* pin, const GUID* category, const GUID* type) {
  if (category != nullptr && PinCategory(pin) != *category) return false;
  if (type == nullptr) return true;
  MediaType connection;
  if (SUCCEEDED(pin->ConnectionMediaType(connection.ResetAndGet())) &&
      connection->majortype == *type) {
    return true;
  }
  for (const auto& offered : TypesOf(pin)) {
    if (offered->majortype == *type) return true;
  }
  return false;
}

HRESULT QueryFilterOrPins(IBaseFilter* filter, REFIID riid, void** object) {
  if (SUCCEEDED(filter->QueryInterface(riid, object))) return S_OK;
  for (const auto& pin : PinsOf(filter)) {
    if (SUCCEEDED(pin->QueryInterface(riid, object))) return S_OK;
  }
  return E_NOINTERFACE;
}

HRESULT QueryAlong(const std::vector<ComPtr<IPin>>& from, PIN_DIRECTION direction, REFIID riid,
                   void** object) {
  std::deque<ComPtr<IPin>> peers;
  for (const auto& pin : from) {
    if (ComPtr<IPin> peer = PeerOf(pin.Get())) peers.push_back(std::move(peer));
  }
  std::set<IUnknown*> visited;
  while (!peers.empty()) {
    const ComPtr<IPin> peer = peers.front();
    peers.pop_front();
    if (SUCCEEDED(peer->QueryInterface(riid, object))) return S_OK;
    const ComPtr<IBaseFilter> filter = FilterOf(peer.Get());
    if (!filter) continue;
    const ComPtr<IUnknown> identity = filter.As<IUnknown>();
    if (!visited.insert(identity.Get()).second) continue;
    if (SUCCEEDED(QueryFilterOrPins(filter.Get(), riid, object))) return S_OK;
    for (const auto& pin : PinsOf(filter.Get(), direction)) {
      if (ComPtr<IPin> next = PeerOf(pin.Get())) peers.push_back(std::move(next));
    }
  }
  return E_NOINTERFACE;
}

}  // namespace dshow

#include "devices/capture/StreamConfigPin.h"

#include "devices/capture/CaptureFilter.h"
#include "dshow/PropertyPageClasses.h"
#include "dshow/Uuids.h"
#include "dshow/VideoMediaType.h"

namespace devices {

StreamConfigPin::StreamConfigPin(CaptureFilter* filter, std::string name)
    : CSourceStream(filter, std::move(name)),
      device_(filter),
      pages_(static_cast<IPin*>(this), {CLSID_StreamFormatPage}) {}

HRESULT StreamConfigPin::QueryPinInterface(REFIID riid, void** object) {
  if (riid == IID_ISpecifyPropertyPages) return pages_.Give(object);
  if (riid != IID_IAMStreamConfig) return CSourceStream::QueryPinInterface(riid, object);
  *object = static_cast<IAMStreamConfig*>(this);
  AddRef();
  return S_OK;
}

bool StreamConfigPin::HasChosenFormat() const {
  std::lock_guard lock(formatLock_);
  return !chosen_.IsEmpty();
}

MediaType StreamConfigPin::PreferredType() const {
  std::lock_guard lock(formatLock_);
  return chosen_.IsEmpty() ? CapabilityType(0) : chosen_;
}

bool StreamConfigPin::SameFormat(const AM_MEDIA_TYPE& chosen, const AM_MEDIA_TYPE& offered) const {
  if (offered.subtype != chosen.subtype) return false;
  const auto wanted = ReadVideoFormat(chosen);
  if (!wanted) return offered.lSampleSize == chosen.lSampleSize;  // DV: the frame size says it
  const auto other = ReadVideoFormat(offered);
  return other && wanted->width == other->width && wanted->height == other->height;
}

bool StreamConfigPin::FitsChosenFormat(const AM_MEDIA_TYPE& mediaType) const {
  std::lock_guard lock(formatLock_);
  return chosen_.IsEmpty() || SameFormat(chosen_.Get(), mediaType);
}

HRESULT StreamConfigPin::CheckMediaType(const AM_MEDIA_TYPE* mediaType) {
  if (mediaType == nullptr) return E_POINTER;
  return Accepts(*mediaType) && FitsChosenFormat(*mediaType) ? S_OK : S_FALSE;
}

HRESULT StreamConfigPin::GetMediaType(int position, MediaType* mediaType) {
  if (mediaType == nullptr) return E_POINTER;
  if (position < 0) return E_INVALIDARG;
  if (position == 0) {
    *mediaType = PreferredType();
    return S_OK;
  }
  if (position > CapabilityCount() || HasChosenFormat()) return VFW_S_NO_MORE_ITEMS;
  *mediaType = CapabilityType(position - 1);
  return S_OK;
}

HRESULT StreamConfigPin::SetFormat(AM_MEDIA_TYPE* mediaType) {
  if (mediaType == nullptr) return E_POINTER;
  if (!Accepts(*mediaType)) return VFW_E_INVALIDMEDIATYPE;
  if (!device_->IsStopped()) return VFW_E_NOT_STOPPED;
  if (IsConnected() && GetConnected()->QueryAccept(mediaType) != S_OK)
    return VFW_E_TYPE_NOT_ACCEPTED;
  {
    std::lock_guard lock(formatLock_);
    chosen_ = MediaType(*mediaType);
  }
  return IsConnected() ? Reconnect(*mediaType) : S_OK;
}

HRESULT StreamConfigPin::Reconnect(const AM_MEDIA_TYPE& mediaType) {
  ComPtr<IPin> peer(GetConnected());
  IFilterGraph* graph = device_->Graph();
  if (graph == nullptr) return E_UNEXPECTED;
  // Both sides go and the pins meet again with the new type.
  (void)graph->Disconnect(peer.Get());  // the new connection's result says whether it worked
  (void)graph->Disconnect(this);
  return graph->ConnectDirect(this, peer.Get(), &mediaType);
}

HRESULT StreamConfigPin::GetFormat(AM_MEDIA_TYPE** mediaType) {
  if (mediaType == nullptr) return E_POINTER;
  const MediaType current = IsConnected() ? CurrentMediaType() : PreferredType();
  *mediaType = current.CreateCopy();
  return *mediaType == nullptr ? E_OUTOFMEMORY : S_OK;
}

HRESULT StreamConfigPin::GetNumberOfCapabilities(int* count, int* size) {
  if (count == nullptr || size == nullptr) return E_POINTER;
  *count = CapabilityCount();
  *size = CapsSize();
  return S_OK;
}

HRESULT StreamConfigPin::GetStreamCaps(int index, AM_MEDIA_TYPE** mediaType, BYTE* caps) {
  if (mediaType == nullptr || caps == nullptr) return E_POINTER;
  *mediaType = nullptr;
  if (index < 0) return E_INVALIDARG;
  if (index >= CapabilityCount()) return S_FALSE;
  WriteCaps(index, caps);
  *mediaType = CapabilityType(index).CreateCopy();
  return *mediaType == nullptr ? E_OUTOFMEMORY : S_OK;
}

}  // namespace devices

#include "dshow/filters/OverlayMixer.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <optional>

#include "dshow/FilterInterfaces.h"
#include "dshow/MediaType.h"
#include "dshow/VideoMediaType.h"
#include "dshow/base/MemAllocator.h"

namespace {

// The picture size of the first video type the device's pin offers, if any.
std::optional<SIZE> OfferedPictureSize(IPin* pin) {
  ComPtr<IEnumMediaTypes> types;
  if (pin == nullptr || FAILED(pin->EnumMediaTypes(types.ReleaseAndGetAddressOf())) || !types) {
    return std::nullopt;
  }
  for (;;) {
    AM_MEDIA_TYPE* type = nullptr;
    if (types->Next(1, &type, nullptr) != S_OK || type == nullptr) return std::nullopt;
    const auto format = ReadVideoFormat(*type);
    DeleteMediaType(type);
    if (format && format->width > 0 && format->height != 0) {
      return SIZE{format->width, std::abs(format->height)};
    }
  }
}

class OverlayInputPin final : public CTransformInputPin {
 public:
  explicit OverlayInputPin(CTransformFilter* filter) : CTransformInputPin(filter) {}

  HRESULT GetMediaType(int position, MediaType* mediaType) override {
    if (mediaType == nullptr) return E_POINTER;
    if (position < 0) return E_INVALIDARG;
    if (position > 0) return VFW_S_NO_MORE_ITEMS;
    AM_MEDIA_TYPE overlay{};
    overlay.majortype = MEDIATYPE_Video;
    overlay.subtype = MEDIASUBTYPE_Overlay;
    overlay.formattype = FORMAT_None;
    overlay.bFixedSizeSamples = TRUE;
    *mediaType = MediaType(overlay);
    return S_OK;
  }
};

}  // namespace

std::unique_ptr<CTransformInputPin> OverlayMixer::CreateInputPin() {
  return std::make_unique<OverlayInputPin>(this);
}

OverlayMixer::OverlayMixer() : CTransformFilter(CLSID_OverlayMixer) {}

OverlayMixer::~OverlayMixer() = default;

bool OverlayMixer::IsOverlayType(const AM_MEDIA_TYPE& mediaType) {
  return mediaType.majortype == MEDIATYPE_Video && mediaType.subtype == MEDIASUBTYPE_Overlay;
}

HRESULT OverlayMixer::CheckInputType(const AM_MEDIA_TYPE* mediaType) {
  if (mediaType == nullptr) return E_POINTER;
  return IsOverlayType(*mediaType) ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT OverlayMixer::CheckTransform(const AM_MEDIA_TYPE* in, const AM_MEDIA_TYPE* out) {
  if (in == nullptr || out == nullptr) return E_POINTER;
  if (!IsOverlayType(*in) || out->majortype != MEDIATYPE_Video ||
      out->subtype != MEDIASUBTYPE_RGB32) {
    return VFW_E_TYPE_NOT_ACCEPTED;
  }
  const auto format = ReadVideoFormat(*out);
  if (!format || format->width != width_ || std::abs(format->height) != height_) {
    return VFW_E_TYPE_NOT_ACCEPTED;
  }
  return S_OK;
}

HRESULT OverlayMixer::GetMediaType(int position, MediaType* mediaType) {
  if (mediaType == nullptr) return E_POINTER;
  if (!InputPin()->IsConnected()) return E_UNEXPECTED;
  if (position < 0) return E_INVALIDARG;
  if (position > 0) return VFW_S_NO_MORE_ITEMS;
  auto type = MakeVideoMediaType(MEDIASUBTYPE_RGB32, width_, height_, 0);
  if (!type) return E_UNEXPECTED;
  *mediaType = std::move(*type);
  return S_OK;
}

HRESULT OverlayMixer::DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) {
  if (allocator == nullptr || request == nullptr) return E_POINTER;
  ALLOCATOR_PROPERTIES wanted = *request;
  wanted.cBuffers = std::max(wanted.cBuffers, LONG{1});
  wanted.cbBuffer = std::max(
      wanted.cbBuffer, static_cast<LONG>(VideoImageSize(MEDIASUBTYPE_RGB32, width_, height_)));
  return SetAllocatorProperties(*allocator, wanted);
}

HRESULT OverlayMixer::CompleteConnect(PIN_DIRECTION direction, IPin* pin) {
  if (direction != PINDIR_INPUT) return S_OK;
  // The overlay type says nothing of the size; the device's own video types do.
  const std::optional<SIZE> size = OfferedPictureSize(pin);
  width_ = size ? size->cx : kDefaultWidth;
  height_ = size ? size->cy : kDefaultHeight;
  return S_OK;
}

HRESULT OverlayMixer::Transform(IMediaSample* /*in*/, IMediaSample* out) {
  BYTE* target = nullptr;
  if (FAILED(out->GetPointer(&target))) return E_UNEXPECTED;
  const auto bytes = static_cast<LONG>(VideoImageSize(MEDIASUBTYPE_RGB32, width_, height_));
  if (out->GetSize() < bytes) return S_FALSE;
  std::memset(target, 0, static_cast<std::size_t>(bytes));  // black: the colour key
  return out->SetActualDataLength(bytes);
}

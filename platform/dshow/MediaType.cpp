#include "dshow/MediaType.h"

#include <cstring>
#include <new>
#include <utility>

#include "com/Com.h"

void FreeMediaType(AM_MEDIA_TYPE& mediaType) {
  if (mediaType.pbFormat != nullptr) CoTaskMemFree(mediaType.pbFormat);
  mediaType.pbFormat = nullptr;
  mediaType.cbFormat = 0;
  if (IUnknown* unknown = std::exchange(mediaType.pUnk, nullptr)) unknown->Release();
}

void DeleteMediaType(AM_MEDIA_TYPE* mediaType) {
  if (mediaType == nullptr) return;
  FreeMediaType(*mediaType);
  mediaType->~AM_MEDIA_TYPE();
  CoTaskMemFree(mediaType);
}

HRESULT CopyMediaType(AM_MEDIA_TYPE* target, const AM_MEDIA_TYPE* source) {
  if (target == nullptr || source == nullptr) return E_POINTER;
  if (target == source) return S_OK;
  *target = *source;
  target->pbFormat = nullptr;
  target->cbFormat = 0;
  if (source->cbFormat != 0 && source->pbFormat != nullptr) {
    target->pbFormat = static_cast<BYTE*>(CoTaskMemAlloc(source->cbFormat));
    if (target->pbFormat == nullptr) {
      target->pUnk = nullptr;
      return E_OUTOFMEMORY;
    }
    std::memcpy(target->pbFormat, source->pbFormat, source->cbFormat);
    target->cbFormat = source->cbFormat;
  }
  if (target->pUnk != nullptr) target->pUnk->AddRef();
  return S_OK;
}

AM_MEDIA_TYPE* CreateMediaType(const AM_MEDIA_TYPE* source) {
  if (source == nullptr) return nullptr;
  void* memory = CoTaskMemAlloc(sizeof(AM_MEDIA_TYPE));
  if (memory == nullptr) return nullptr;
  auto* copy = new (memory) AM_MEDIA_TYPE{};
  if (FAILED(CopyMediaType(copy, source))) {
    DeleteMediaType(copy);
    return nullptr;
  }
  return copy;
}

namespace {

bool FormatBlocksEqual(const AM_MEDIA_TYPE& a, const AM_MEDIA_TYPE& b) {
  if (a.cbFormat != b.cbFormat) return false;
  if (a.cbFormat == 0) return true;
  if (a.pbFormat == nullptr || b.pbFormat == nullptr) return a.pbFormat == b.pbFormat;
  return std::memcmp(a.pbFormat, b.pbFormat, a.cbFormat) == 0;
}

}  // namespace

bool IsEqualMediaType(const AM_MEDIA_TYPE& a, const AM_MEDIA_TYPE& b) {
  return a.majortype == b.majortype && a.subtype == b.subtype && a.formattype == b.formattype &&
         FormatBlocksEqual(a, b);
}

bool MediaTypeMatchesPartial(const AM_MEDIA_TYPE& candidate, const AM_MEDIA_TYPE& pattern) {
  if (pattern.majortype != GUID_NULL && pattern.majortype != candidate.majortype) return false;
  if (pattern.subtype != GUID_NULL && pattern.subtype != candidate.subtype) return false;
  if (pattern.formattype == GUID_NULL) return true;
  if (pattern.formattype != candidate.formattype) return false;
  // A pattern that names a format type without a block accepts any block of that type.
  return pattern.cbFormat == 0 || FormatBlocksEqual(candidate, pattern);
}

bool IsPartiallySpecified(const AM_MEDIA_TYPE& mediaType) {
  return mediaType.majortype == GUID_NULL || mediaType.subtype == GUID_NULL ||
         mediaType.formattype == GUID_NULL;
}

MediaType::MediaType(const AM_MEDIA_TYPE& other) {
  // A failed allocation leaves the copy without its format block, as the C helper does.
  (void)CopyMediaType(&type_, &other);
}

MediaType::MediaType(const AM_MEDIA_TYPE* other) {
  if (other != nullptr) (void)CopyMediaType(&type_, other);  // as above
}

MediaType::MediaType(const GUID& majortype, const GUID& subtype, const GUID& formattype) {
  type_.majortype = majortype;
  type_.subtype = subtype;
  type_.formattype = formattype;
}

MediaType::MediaType(const MediaType& other) : MediaType(other.type_) {}

MediaType::MediaType(MediaType&& other) noexcept
    : type_(std::exchange(other.type_, AM_MEDIA_TYPE{})) {}

MediaType& MediaType::operator=(const MediaType& other) {
  if (this != &other) {
    MediaType copy(other);
    *this = std::move(copy);
  }
  return *this;
}

MediaType& MediaType::operator=(MediaType&& other) noexcept {
  if (this != &other) {
    FreeMediaType(type_);
    type_ = std::exchange(other.type_, AM_MEDIA_TYPE{});
  }
  return *this;
}

MediaType::~MediaType() {
  FreeMediaType(type_);
}

MediaType MediaType::Adopt(AM_MEDIA_TYPE* handedOut) {
  MediaType result;
  if (handedOut == nullptr) return result;
  result.type_ = *handedOut;
  handedOut->~AM_MEDIA_TYPE();
  CoTaskMemFree(handedOut);  // the contents now belong to result
  return result;
}

AM_MEDIA_TYPE* MediaType::ResetAndGet() {
  Reset();
  return &type_;
}

void MediaType::Reset() {
  FreeMediaType(type_);
  type_ = AM_MEDIA_TYPE{};
}

void MediaType::ReplaceFormat(BYTE* block, ULONG size) {
  if (type_.pbFormat != nullptr) CoTaskMemFree(type_.pbFormat);
  type_.pbFormat = block;
  type_.cbFormat = block == nullptr ? 0 : size;
}

BYTE* MediaType::AllocFormat(ULONG size) {
  auto* block = size == 0 ? nullptr : static_cast<BYTE*>(CoTaskMemAlloc(size));
  if (block != nullptr) std::memset(block, 0, size);
  ReplaceFormat(block, size);
  return block;
}

bool MediaType::SetFormat(const void* bytes, ULONG size) {
  if (size == 0) {
    ReplaceFormat(nullptr, 0);
    return true;
  }
  if (bytes == nullptr) return false;
  // Copied before the old block goes: bytes may point into it.
  auto* block = static_cast<BYTE*>(CoTaskMemAlloc(size));
  if (block == nullptr) return false;
  std::memcpy(block, bytes, size);
  ReplaceFormat(block, size);
  return true;
}

bool MediaType::IsEmpty() const {
  return type_.majortype == GUID_NULL && type_.subtype == GUID_NULL &&
         type_.formattype == GUID_NULL && type_.cbFormat == 0;
}

#pragma once
// AM_MEDIA_TYPE, the description of what a pin connection carries, the C-style helpers that copy
// and free it across interfaces, and MediaType, an owning value wrapper for our own code.
//
// Ownership across interfaces: the format block (pbFormat) is always task memory
// (CoTaskMemAlloc) and pUnk a counted reference. A media type handed out by pointer
// (IAMStreamConfig::GetFormat, IEnumMediaTypes::Next, IMediaSample::GetMediaType) is itself task
// memory and is freed with DeleteMediaType; one filled in place (IPin::ConnectionMediaType) is
// emptied with FreeMediaType.

#include <string>

#include "com/Unknown.h"

struct AM_MEDIA_TYPE {
  GUID majortype;
  GUID subtype;
  BOOL bFixedSizeSamples = FALSE;
  BOOL bTemporalCompression = FALSE;
  ULONG lSampleSize = 0;
  GUID formattype;
  IUnknown* pUnk = nullptr;
  ULONG cbFormat = 0;
  BYTE* pbFormat = nullptr;
};

// Frees the format block and pUnk and clears them; the GUIDs and flags stay.
void FreeMediaType(AM_MEDIA_TYPE& mediaType);
// Frees a media type that was handed out in task memory, with its contents. Null is allowed.
void DeleteMediaType(AM_MEDIA_TYPE* mediaType);
// Deep copy into an empty target (its old contents are not freed). E_POINTER for a null
// argument, E_OUTOFMEMORY when the format block cannot be allocated (the target is then left
// with no format block).
HRESULT CopyMediaType(AM_MEDIA_TYPE* target, const AM_MEDIA_TYPE* source);
// A deep copy in task memory, for DeleteMediaType; null when memory runs out or source is null.
AM_MEDIA_TYPE* CreateMediaType(const AM_MEDIA_TYPE* source);

// Same major type, subtype and format type, and byte-equal format blocks.
bool IsEqualMediaType(const AM_MEDIA_TYPE& a, const AM_MEDIA_TYPE& b);
// Whether candidate fits pattern, where GUID_NULL in the pattern's major type, subtype or format
// type matches anything; a pattern format block, when present, must equal candidate's.
bool MediaTypeMatchesPartial(const AM_MEDIA_TYPE& candidate, const AM_MEDIA_TYPE& pattern);
// Whether any of the three GUIDs is GUID_NULL (the type leaves something open).
bool IsPartiallySpecified(const AM_MEDIA_TYPE& mediaType);

// A one-line description for diagnostics, e.g. "Video YUY2 640x480 16bit 30.00fps VideoInfo".
std::string MediaTypeText(const AM_MEDIA_TYPE& mediaType);

// An owning, copyable AM_MEDIA_TYPE. Copies are deep; the wrapped structure can be passed to any
// interface that takes a const AM_MEDIA_TYPE*. Not shared between threads without a lock.
class MediaType {
 public:
  MediaType() = default;
  // Deep copies of a structure someone else owns.
  explicit MediaType(const AM_MEDIA_TYPE& other);
  explicit MediaType(const AM_MEDIA_TYPE* other);
  MediaType(const GUID& majortype, const GUID& subtype, const GUID& formattype = GUID_NULL);
  MediaType(const MediaType& other);
  MediaType(MediaType&& other) noexcept;
  MediaType& operator=(const MediaType& other);
  MediaType& operator=(MediaType&& other) noexcept;
  ~MediaType();

  // Takes over a media type handed out in task memory (GetFormat, Next, GetStreamCaps): its
  // contents move into the wrapper and the structure itself is freed. Null gives an empty type.
  static MediaType Adopt(AM_MEDIA_TYPE* handedOut);

  const AM_MEDIA_TYPE& Get() const { return type_; }
  AM_MEDIA_TYPE& Get() { return type_; }
  const AM_MEDIA_TYPE* Ptr() const { return &type_; }
  AM_MEDIA_TYPE* operator->() { return &type_; }
  const AM_MEDIA_TYPE* operator->() const { return &type_; }

  // Empties the wrapper and gives the structure to a callee that fills it in place
  // (IPin::ConnectionMediaType, ISampleGrabber::GetConnectedMediaType).
  AM_MEDIA_TYPE* ResetAndGet();
  // Back to an all-null type without a format block.
  void Reset();

  // Replaces the format block with size zeroed bytes and returns it; null for size 0 or when
  // memory runs out (the type then has no format block).
  BYTE* AllocFormat(ULONG size);
  // Replaces the format block with a copy of the bytes; false (and the old block kept) when
  // memory runs out.
  bool SetFormat(const void* bytes, ULONG size);
  // The format block viewed as T when it is at least sizeof(T) bytes, else null.
  template <class T>
  T* FormatAs() {
    return type_.cbFormat >= sizeof(T) ? reinterpret_cast<T*>(type_.pbFormat) : nullptr;
  }
  template <class T>
  const T* FormatAs() const {
    return type_.cbFormat >= sizeof(T) ? reinterpret_cast<const T*>(type_.pbFormat) : nullptr;
  }

  // A task-memory copy for an out-parameter (AM_MEDIA_TYPE**); null when memory runs out.
  AM_MEDIA_TYPE* CreateCopy() const { return CreateMediaType(&type_); }
  // Deep copy into a caller's empty structure.
  HRESULT CopyTo(AM_MEDIA_TYPE* target) const { return CopyMediaType(target, &type_); }

  bool IsEmpty() const;
  std::string Text() const { return MediaTypeText(type_); }

  friend bool operator==(const MediaType& a, const MediaType& b) {
    return IsEqualMediaType(a.type_, b.type_);
  }

 private:
  void ReplaceFormat(BYTE* block, ULONG size);

  AM_MEDIA_TYPE type_;
};

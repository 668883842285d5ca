#pragma once
// Streams of bytes (IStream) and objects that save themselves into one (IPersistStream).

#include "com/ComPtr.h"

enum STREAM_SEEK : DWORD { STREAM_SEEK_SET = 0, STREAM_SEEK_CUR = 1, STREAM_SEEK_END = 2 };

struct STATSTG {
  ULARGE_INTEGER cbSize{};
};

inline constexpr DWORD STATFLAG_DEFAULT = 0;
inline constexpr DWORD STATFLAG_NONAME = 1;

struct ISequentialStream : IUnknown {
  static constexpr IID iid = MakeGuid("0C733A30-2A1C-11CE-ADE5-00AA0044773D");
  virtual HRESULT Read(void* buffer, ULONG count, ULONG* read) = 0;
  virtual HRESULT Write(const void* buffer, ULONG count, ULONG* written) = 0;
};

struct IStream : ISequentialStream {
  static constexpr IID iid = MakeGuid("0000000C-0000-0000-C000-000000000046");
  virtual HRESULT Seek(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER* newPosition) = 0;
  virtual HRESULT SetSize(ULARGE_INTEGER newSize) = 0;
  virtual HRESULT Stat(STATSTG* stat, DWORD flags) = 0;
  virtual HRESULT Clone(IStream** clone) = 0;
};

struct IPersist : IUnknown {
  static constexpr IID iid = MakeGuid("0000010C-0000-0000-C000-000000000046");
  virtual HRESULT GetClassID(CLSID* clsid) = 0;
};

struct IPersistStream : IPersist {
  static constexpr IID iid = MakeGuid("00000109-0000-0000-C000-000000000046");
  virtual HRESULT IsDirty() = 0;
  virtual HRESULT Load(IStream* stream) = 0;
  virtual HRESULT Save(IStream* stream, BOOL clearDirty) = 0;
  virtual HRESULT GetSizeMax(ULARGE_INTEGER* size) = 0;
};

inline constexpr IID IID_IStream = IStream::iid;
inline constexpr IID IID_IPersist = IPersist::iid;
inline constexpr IID IID_IPersistStream = IPersistStream::iid;

using HGLOBAL = void*;

// A stream on memory that grows as it is written. Only a new block is supported (global must be
// null): the memory belongs to the stream and is freed with it whatever deleteOnRelease says.
HRESULT CreateStreamOnHGlobal(HGLOBAL global, BOOL deleteOnRelease, IStream** stream);

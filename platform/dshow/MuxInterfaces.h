#pragma once
// Writing files: the AVI multiplexer's settings, the file writer's target and the progress of
// copying a capture file. Called from the application's thread, while the graph is stopped.

#include "com/ComPtr.h"
#include "dshow/DShowTypes.h"
#include "dshow/MediaType.h"

struct IConfigAviMux : IUnknown {
  static constexpr IID iid = MakeGuid("5ACD6AA0-F482-11CE-8B67-00AA00A3F1A6");
  // The input stream whose timing the others follow; -1 for none.
  virtual HRESULT SetMasterStream(LONG stream) = 0;
  virtual HRESULT GetMasterStream(LONG* stream) = 0;
  // Whether to write the old index as well, for readers of plain AVI 1.0 files.
  virtual HRESULT SetOutputCompatibilityIndex(BOOL oldIndex) = 0;
  virtual HRESULT GetOutputCompatibilityIndex(BOOL* oldIndex) = 0;
};

enum InterleavingMode : LONG {
  INTERLEAVE_NONE = 0,
  INTERLEAVE_CAPTURE = 1,
  INTERLEAVE_FULL = 2,
  INTERLEAVE_NONE_BUFFERED = 3,
};

struct IConfigInterleaving : IUnknown {
  static constexpr IID iid = MakeGuid("BEE3D220-157B-11D0-BD23-00A0C911CE86");
  virtual HRESULT put_Mode(InterleavingMode mode) = 0;
  virtual HRESULT get_Mode(InterleavingMode* mode) = 0;
  virtual HRESULT put_Interleaving(const REFERENCE_TIME* leave, const REFERENCE_TIME* preroll) = 0;
  virtual HRESULT get_Interleaving(REFERENCE_TIME* leave, REFERENCE_TIME* preroll) = 0;
};

// A filter that writes into a file.
struct IFileSinkFilter : IUnknown {
  static constexpr IID iid = MakeGuid("A2104830-7C70-11CF-8BCE-00AA00A3F1A6");
  // mediaType may be null.
  virtual HRESULT SetFileName(LPCOLESTR file, const AM_MEDIA_TYPE* mediaType) = 0;
  // The name in task memory; mediaType, when not null, is filled in place (FreeMediaType).
  virtual HRESULT GetCurFile(LPOLESTR* file, AM_MEDIA_TYPE* mediaType) = 0;
};

// Receives the progress of ICaptureGraphBuilder2::CopyCaptureFile.
struct IAMCopyCaptureFileProgress : IUnknown {
  static constexpr IID iid = MakeGuid("670D1D20-A068-11D0-B3F0-00AA003761C5");
  // percent 0 to 100; a failure result cancels the copy.
  virtual HRESULT Progress(int percent) = 0;
};

inline constexpr IID IID_IConfigAviMux = IConfigAviMux::iid;
inline constexpr IID IID_IConfigInterleaving = IConfigInterleaving::iid;
inline constexpr IID IID_IFileSinkFilter = IFileSinkFilter::iid;
inline constexpr IID IID_IAMCopyCaptureFileProgress = IAMCopyCaptureFileProgress::iid;

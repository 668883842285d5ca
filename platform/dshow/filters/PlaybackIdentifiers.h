#pragma once
// What file playback adds to the framework's identifiers: IFileSourceFilter, which a source that
// reads a file answers, and the class ids of the file source and the two libavcodec decoders
// that the graph finds for files (classes of our own; no system class plays this role).

#include "com/ComPtr.h"
#include "dshow/DShowTypes.h"
#include "dshow/MediaType.h"

// A filter that reads a file. Application thread, while the filter is stopped.
struct IFileSourceFilter : IUnknown {
  static constexpr IID iid = MakeGuid("56A868A6-0AD4-11CE-B03A-0020AF0BA770");
  // Opens the file; mediaType may be null (the filter finds out what the file holds).
  virtual HRESULT Load(LPCOLESTR file, const AM_MEDIA_TYPE* mediaType) = 0;
  // The name in task memory; mediaType, when not null, is filled in place (FreeMediaType).
  virtual HRESULT GetCurFile(LPOLESTR* file, AM_MEDIA_TYPE* mediaType) = 0;
};

inline constexpr IID IID_IFileSourceFilter = IFileSourceFilter::iid;

// The media file source (libavformat): one output pin per stream it can type.
inline constexpr CLSID CLSID_MediaFileSource = MakeGuid("AB8EB531-851B-4BC0-886F-651B4AFE27BA");
// The libavcodec video decoder: compressed video to RGB24, RGB32 or YUY2.
inline constexpr CLSID CLSID_AvVideoDecoder = MakeGuid("C600E3DD-0357-4ED7-B3B1-C0D0CCB2BE0D");
// The libavcodec audio decoder: compressed audio to 16-bit PCM.
inline constexpr CLSID CLSID_AvAudioDecoder = MakeGuid("5DF0B0E3-6977-44B4-AE50-8A540FC0066F");

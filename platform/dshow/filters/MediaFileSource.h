#pragma once
// The media file source (CLSID_MediaFileSource): reads any file libavformat opens and offers an
// output pin per stream the framework can type (video first, then sound, in the file's order),
// with the types of av/CodecParameters.h: compressed subtypes such as MJPG, dvsd, H264, FFV1,
// HFYU, FMP4/XVID, PCM and compressed sound as WAVEFORMATEX. See MediaFileStream.h for the
// samples and seeking of each pin.
//
// IFileSourceFilter::Load opens the file once (VFW_E_NOT_FOUND when it does not exist,
// VFW_E_UNKNOWN_FILE_TYPE when it is not media) and makes the pins; a filter loads one file.
// IMediaSeeking on the filter moves every pin together and reports the longest stream; the
// graph uses it when no renderer passes seeking up (a file copied into a multiplexer).
//
// Threads: Load, seeking and states on the application's thread; each pin streams on its own.

#include <string>

#include "dshow/GraphInterfaces.h"
#include "dshow/base/Source.h"
#include "dshow/filters/MediaFileStream.h"
#include "dshow/filters/PlaybackIdentifiers.h"

class MediaFileSource final : public CSource, public IFileSourceFilter, public IMediaSeeking {
 public:
  MediaFileSource();

  // Creates a source with the file loaded: the graph's file source factory.
  static HRESULT Create(const std::string& file, IBaseFilter** filter);

  HRESULT QueryInterface(REFIID riid, void** object) override {
    return CBaseFilter::QueryInterface(riid, object);
  }
  ULONG AddRef() override { return CBaseFilter::AddRef(); }
  ULONG Release() override { return CBaseFilter::Release(); }

  // IFileSourceFilter
  HRESULT Load(LPCOLESTR file, const AM_MEDIA_TYPE* mediaType) override;
  HRESULT GetCurFile(LPOLESTR* file, AM_MEDIA_TYPE* mediaType) override;

  // IMediaSeeking: setters go to every pin, questions to the first (the picture's, if any),
  // the duration is the longest.
  HRESULT GetCapabilities(DWORD* capabilities) override;
  HRESULT CheckCapabilities(DWORD* capabilities) override;
  HRESULT IsFormatSupported(const GUID* format) override;
  HRESULT QueryPreferredFormat(GUID* format) override;
  HRESULT GetTimeFormat(GUID* format) override;
  HRESULT IsUsingTimeFormat(const GUID* format) override;
  HRESULT SetTimeFormat(const GUID* format) override;
  HRESULT GetDuration(LONGLONG* duration) override;
  HRESULT GetStopPosition(LONGLONG* stop) override;
  HRESULT GetCurrentPosition(LONGLONG* current) override;
  HRESULT ConvertTimeFormat(LONGLONG* target, const GUID* targetFormat, LONGLONG source,
                            const GUID* sourceFormat) override;
  HRESULT SetPositions(LONGLONG* current, DWORD currentFlags, LONGLONG* stop,
                       DWORD stopFlags) override;
  HRESULT GetPositions(LONGLONG* current, LONGLONG* stop) override;
  HRESULT GetAvailable(LONGLONG* earliest, LONGLONG* latest) override;
  HRESULT SetRate(double rate) override;
  HRESULT GetRate(double* rate) override;
  HRESULT GetPreroll(LONGLONG* preroll) override;

 protected:
  HRESULT QueryFilterInterface(REFIID riid, void** object) override;

 private:
  ~MediaFileSource() override;
  MediaFileStream* First();

  std::string file_;  // empty until loaded
};
